#include "lantern/presence/PresenceService.h"

#include "common/accounts/Accounts.h"

namespace oa::lantern {

namespace {
const QString kStampKey = QStringLiteral("Lantern客户更新时间");

QString firstValue(Session& s, const QString& key)
{
    const auto r = s.rows(QStringLiteral("select vname,shuoming from  varset where name=:name order by vid"),
                          {{QStringLiteral("name"), key}});
    return r.isEmpty() ? QString() : fieldText(r.first().value(QStringLiteral("vname")));
}
}  // namespace

int PresenceService::newPresenceId()
{
    const QVariant gap = s_.scalar(QStringLiteral(
        " SELECT MIN(a.id) + 1 AS newID  FROM tongxinV5 a LEFT OUTER JOIN        tongxinV5  b ON a.id = b.id - 1     "
        "WHERE (b.id IS NULL)"));
    if (s_.rows(QStringLiteral("select * from  tongxinV5 where id=1")).isEmpty()) return 1;
    return gap.toInt();
}

PresenceService::Setup PresenceService::afterLoginSetup(QString* failure)
{
    try {
        st_.sharedHostAddress = firstValue(s_, QStringLiteral("学校共享主机地址"));
        const auto year = s_.rows(QStringLiteral("select * from varset where  name='nowxueqi' "));
        st_.schoolYear = year.isEmpty() ? QString() : fieldText(year.first().value(QStringLiteral("vname")));
        st_.webOaAddress.clear();
        st_.webOaAddress = firstValue(s_, QStringLiteral("学校OA网地址"));
        const int newId = newPresenceId();
        const QDateTime now = s_.serverNow();
        st_.serverClock = now;
        st_.secondsOfDay = now.time().hour() * 3600 + now.time().minute() * 60 + now.time().second();
        const QString ip = m_.lanternIPAddress();
        const auto own = s_.rows(QStringLiteral("select * from  tongxinV5 where tname=:myname"),
                                 {{QStringLiteral("myname"), st_.tname}});
        if (!own.isEmpty()) {
            st_.presenceId = own.first().value(QStringLiteral("id")).toInt();
            s_.exec(QStringLiteral("update tongxinV5 set 状态=:state, 登陆时间=:t, 登陆IP=:ip where id=:id and tname=:myname"),
                    {{QStringLiteral("state"), QString::fromLatin1(kOnline)}, {QStringLiteral("t"), now},
                     {QStringLiteral("ip"), ip}, {QStringLiteral("id"), st_.presenceId}, {QStringLiteral("myname"), st_.tname}});
        } else {
            if (st_.tname.isEmpty()) return Setup::Stopped;
            st_.presenceId = newId;
            s_.exec(QStringLiteral("insert into tongxinV5(id,Tname,状态,登陆时间,登陆IP) values(:id,:tname,:state,:t,:ip)"),
                    {{QStringLiteral("id"), newId}, {QStringLiteral("tname"), st_.tname},
                     {QStringLiteral("state"), QString::fromLatin1(kOnline)}, {QStringLiteral("t"), now},
                     {QStringLiteral("ip"), ip}});
        }
        Accounts::recordLogin(s_, st_.tno, st_.tname, ip, QStringLiteral("Lantern"));
    } catch (const DbError& e) {
        if (failure) *failure = e.message();
        return Setup::Failed;
    }
    return Setup::Completed;
}

bool PresenceService::heartbeat(const QDateTime& now)
{
    try {
        s_.exec(QStringLiteral("update  tongxinV5  set 登陆时间=:now   WHERE tname =:myname"),
                {{QStringLiteral("now"), now}, {QStringLiteral("myname"), st_.tname}});
        return true;
    } catch (const DbError&) {
        return false;
    }
}

bool PresenceService::tickSweep(const QDateTime& now, bool* failed)
{
    if (failed) *failed = false;
    try {
        // The stamp is style-20 text; DATEDIFF converts it the same way on every engine.
        const auto due = s_.rows(QStringLiteral("select * from  varset where (name =:key)  and   "
                                                "DATEDIFF(s, vname, :now)>=300"),
                                 {{QStringLiteral("key"), kStampKey}, {QStringLiteral("now"), now}});
        if (due.size() != 1) return false;
    } catch (const DbError&) {
        if (failed) *failed = true;
        return false;
    }
    bool ok = true;
    try {
        s_.exec(QStringLiteral("update  tongxinV5 set 状态='3' where  状态<>'3'  and  DATEDIFF(s, 登陆时间, :now)>=300"),
                {{QStringLiteral("now"), now}});
    } catch (const DbError&) {
        ok = false;
    }
    try {
        s_.exec(QStringLiteral("update  varset set vname=:stamp  where  (name =:key)"),
                {{QStringLiteral("stamp"), now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
                 {QStringLiteral("key"), kStampKey}});
    } catch (const DbError&) {
        ok = false;
    }
    if (failed) *failed = !ok;
    return true;
}

bool PresenceService::tickHeartbeat()
{
    if (!connected()) return true;
    QDateTime now;
    try {
        now = s_.serverNow();
    } catch (const DbError&) {
        return false;
    }
    bool ok = heartbeat(now);
    bool failed = false;
    tickSweep(now, &failed);
    return ok && !failed;
}

bool PresenceService::setStateOf(const QString& tname, const QString& state)
{
    try {
        s_.exec(QStringLiteral("update  tongxinV5 set 状态=:state where  Tname=:tname"),
                {{QStringLiteral("state"), state}, {QStringLiteral("tname"), tname}});
        return true;
    } catch (const DbError&) {
        return false;
    }
}

bool PresenceService::setOwnState(const QString& state) { return setStateOf(st_.tname, state); }

void PresenceService::tickIdle()
{
    if (!connected()) return;
    const qint64 idleMs = qint64(m_.idleSeconds()) * 1000;
    if (idleMs <= kAwayAfterMs) {
        if (st_.awayFlag == 1) setOwnState(QString::fromLatin1(kOnline));
        st_.awayFlag = 0;
    } else if (st_.awayFlag == 0) {
        setOwnState(QString::fromLatin1(kAway));
        st_.awayFlag = 1;
    }
}

}  // namespace oa::lantern
