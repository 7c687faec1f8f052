#pragma once
// A small school for Lantern's tests: four colleagues, two groups, and "desktops" that each hold their own
// connection, login state and services, so two of them can talk through the database as two Lanterns do.
#include "TestDb.h"

#include "common/config/DesktopSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "lantern/app/LanternState.h"
#include "lantern/chat/MessageService.h"
#include "lantern/contacts/ContactService.h"
#include "lantern/presence/PresenceService.h"
#include "lantern/rtf/Rtf.h"

#include <QTemporaryDir>
#include <QTextDocument>
#include <functional>
#include <memory>

namespace oa::lantern::test {

struct Member {
    QString tno, tname, password, group;
};

inline const Member kChen{QStringLiteral("1001"), QStringLiteral("陈国华"), QStringLiteral("pw1001"), QStringLiteral("班主任")};
inline const Member kLi{QStringLiteral("1002"), QStringLiteral("李慧敏"), QStringLiteral("pw1002"), QStringLiteral("科任教师")};
inline const Member kHuang{QStringLiteral("1003"), QStringLiteral("黄志强"), QStringLiteral("pw1003"), QStringLiteral("科任教师")};
// Never logs in to Lantern.
inline const Member kWang{QStringLiteral("1004"), QStringLiteral("王建军"), QStringLiteral("pw1004"), QStringLiteral("后勤")};

inline QString empty() { return QString::fromLatin1("", 0); }

inline void setVarset(Session& s, const QString& key, const QString& vname, const QString& vname1 = QString())
{
    s.exec(QStringLiteral("delete from varset where name=:name"), {{QStringLiteral("name"), key}});
    s.exec(QStringLiteral("insert into varset(name,vid,vname,vname1,shuoming) values(:name,1,:vname,:vname1,:sm)"),
           {{QStringLiteral("name"), key}, {QStringLiteral("vname"), vname},
            {QStringLiteral("vname1"), vname1.isNull() ? empty() : vname1}, {QStringLiteral("sm"), empty()}});
}

inline QString stamp(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

// The school: a full school database with the colleagues, their groups and the stamps Lantern reads.
inline void fillSchool(Session& s)
{
    for (const Member& m : {kChen, kLi, kHuang, kWang})
        s.exec(QStringLiteral("insert into Teachers(Tno,tname,TPassWord,powdergroup,show,手机,短号) values(:tno,:tname,:pw,:g,1,:mobile,:short)"),
               {{QStringLiteral("tno"), m.tno}, {QStringLiteral("tname"), m.tname}, {QStringLiteral("pw"), m.password},
                {QStringLiteral("g"), m.group}, {QStringLiteral("mobile"), QStringLiteral("1380000") + m.tno},
                {QStringLiteral("short"), QStringLiteral("6") + m.tno.right(3)}});
    s.exec(QStringLiteral("insert into teacherpowder(powdergroup,powderdetail) values('班主任','发送短信')"));
    const QList<QStringList> groups = {{QStringLiteral("admin"), QStringLiteral("1"), QStringLiteral("行政"), kChen.tname},
                                       {QStringLiteral("admin"), QStringLiteral("1"), QStringLiteral("行政"), kWang.tname},
                                       {QStringLiteral("admin"), QStringLiteral("2"), QStringLiteral("语文组"), kLi.tname},
                                       {kChen.tname, QStringLiteral("3"), QStringLiteral("我的好友"), kHuang.tname},
                                       {kLi.tname, QStringLiteral("3"), QStringLiteral("李的好友"), kChen.tname}};
    for (const QStringList& g : groups)
        s.exec(QStringLiteral("insert into teachergroup(owner,groupid,groupname,tname) values(:o,:id,:g,:t)"),
               {{QStringLiteral("o"), g[0]}, {QStringLiteral("id"), g[1].toInt()}, {QStringLiteral("g"), g[2]}, {QStringLiteral("t"), g[3]}});
    setVarset(s, QStringLiteral("Version"), QStringLiteral("5.0x"));
    setVarset(s, QStringLiteral("nowxueqi"), QStringLiteral("2026-2027"));
    setVarset(s, QStringLiteral("学校OA网地址"), QStringLiteral("http://oa.school.example"));
    setVarset(s, QStringLiteral("学校共享主机地址"), empty());
    setVarset(s, QStringLiteral("Lantern客户更新时间"), stamp(s.serverNow().addSecs(-3600)));
}

inline QString plainOf(const QString& rtf)
{
    QTextDocument d;
    oa::fromRtf(rtf, &d);
    return d.toPlainText();
}

// Chat windows that only record what they were asked to show.
struct RecordingWindows : ChatWindows {
    struct Shown {
        int id;
        QString sender;
        QDateTime time;
        QString text;
    };
    QList<Shown> shown;
    std::function<void()> during;       // runs once, inside the first delivery
    bool deliver(int id, const QString& sender, const QDateTime& t, const QString& rtf) override
    {
        if (id < 1 || id > 10000) return false;
        shown.append({id, sender, t, plainOf(rtf)});
        if (during) {
            auto f = std::move(during);
            during = nullptr;
            f();
        }
        return true;
    }
    QStringList texts() const
    {
        QStringList out;
        for (const Shown& s : shown) out << s.text;
        return out;
    }
};

// One Lantern desktop without windows: its own connection, login state and services.
struct Desk {
    Desk(oa::test::TestDatabase& db, const Member& m, bool loginNow = true)
        : session(db.open()),
          presence(*session, prompter, machine, clock, st),
          contacts(*session, st),
          messages(*session, prompter, st, windows)
    {
        st.tno = m.tno;
        st.tname = m.tname;
        st.password = m.password;
        machine.lanternIp = QStringLiteral("192.168.1.%1").arg(m.tno.right(2).toInt() + 10);
        if (loginNow) EXPECT_EQ(presence.afterLoginSetup(), PresenceService::Setup::Completed);
    }
    MessageService::Sent send(const QString& to, const QString& text)
    {
        QTextDocument d;
        d.setPlainText(text);
        auto sent = messages.send(to, d);
        EXPECT_TRUE(sent.has_value());
        return sent.value_or(MessageService::Sent{});
    }

    std::unique_ptr<Session> session;
    ScriptedPrompter prompter;
    FakeMachine machine;
    FixedClock clock{QDateTime(QDate(2026, 9, 1), QTime(8, 0))};
    LanternState st;
    RecordingWindows windows;
    PresenceService presence;
    ContactService contacts;
    MessageService messages;
};

inline QString stateOf(Session& s, const QString& tname)
{
    return fieldText(s.scalar(QStringLiteral("select 状态 from tongxinV5 where tname=:t"), {{QStringLiteral("t"), tname}}));
}

inline int count(Session& s, const QString& sql, const Params& p = {}) { return s.scalar(sql, p).toInt(); }

// A desktop settings file of its own.
struct TempDesktop {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("desktop.ini")); }
    std::unique_ptr<DesktopSettings> settings() const { return std::make_unique<DesktopSettings>(path()); }
};

}  // namespace oa::lantern::test
