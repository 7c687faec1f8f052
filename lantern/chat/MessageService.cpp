#include "lantern/chat/MessageService.h"

#include "common/accounts/Accounts.h"
#include "common/config/VarSet.h"
#include "lantern/rtf/Rtf.h"

#include <QCryptographicHash>
#include <QSet>
#include <QSqlDriver>
#include <QTextDocument>

namespace oa::lantern {

MessageService::MessageService(Session& s, Prompter& p, LanternState& st, ChatWindows& windows, QTimer* timerMsg)
    : s_(s), p_(p), st_(st), windows_(windows), timer_(timerMsg)
{
}

MessageService::~MessageService() { unlisten(); }

void MessageService::setInterval(int ms)
{
    st_.pollInterval = ms;
    if (timer_ && timer_->interval() != ms) timer_->setInterval(ms);
}

int MessageService::pollMessages()
{
    if (!s_.isOpen()) return 0;
    ++st_.pollTick;
    setInterval(st_.pollTick < kSlowAfterTicks ? kFastPollMs : kSlowPollMs);
    int shown = 0;
    try {
        const auto pairs = s_.rows(QStringLiteral("select Tid,发送人 from tongxinMegNew  where   接收人=:toname  group by Tid,发送人 "),
                                   {{QStringLiteral("toname"), st_.tname}});
        for (const QSqlRecord& pair : pairs) {
            setInterval(kFastPollMs);
            st_.pollTick = 1;
            const int tid = pair.value(0).toInt();
            const QString sender = fieldText(pair.value(1));
            const Params who{{QStringLiteral("toname"), st_.tname}, {QStringLiteral("FaName"), sender}};
            // The queue is read before the messages: a queue row is committed together with its message, so
            // every queued message is either among the unread ones below or was already read.
            QSet<int> queued;
            for (const QSqlRecord& q : s_.rows(QStringLiteral("select Mid from tongxinMegNew  where   接收人=:toname  and 发送人=:FaName"), who))
                queued.insert(q.value(0).toInt());
            const auto unread = s_.rows(QStringLiteral("select * from tongxinMeg where   接收人=:toname and 发送人=:FaName  "
                                                       "and  接收人读=0  order by Mid"),
                                        who);
            QList<int> displayed;
            QSet<int> unreadIds;
            for (const QSqlRecord& m : unread) {
                const int mid = m.value(QStringLiteral("Mid")).toInt();
                unreadIds.insert(mid);
                if (!windows_.deliver(tid, sender, toDateTime(m.value(QStringLiteral("时间"))),
                                      fieldText(m.value(QStringLiteral("内容")))))
                    continue;
                displayed << mid;
                ++shown;
            }
            // Only what was shown is marked read and dequeued, so a message that arrived meanwhile waits for
            // the next tick; queue rows of messages read elsewhere are dropped.
            QList<int> dequeue = displayed;
            for (int mid : std::as_const(queued))
                if (!unreadIds.contains(mid)) dequeue << mid;
            if (dequeue.isEmpty()) continue;
            Transaction tx(s_);
            Statement del(s_, QStringLiteral("delete  from tongxinMegNew  where   接收人=:toname  and 发送人=:FaName  and Mid=:mid"));
            for (int mid : std::as_const(dequeue)) del.bind(who).bind(QStringLiteral("mid"), mid).exec();
            Statement read(s_, QStringLiteral("update   tongxinMeg  set 接收人读=1  where   接收人=:toname  and 发送人=:FaName  and Mid=:mid"));
            for (int mid : std::as_const(displayed)) read.bind(who).bind(QStringLiteral("mid"), mid).exec();
            tx.commit();
        }
    } catch (const DbError&) {
        // The next tick retries; the queue rows are still there.
    }
    return shown;
}

std::optional<MessageService::Sent> MessageService::send(const QString& receiver, const QTextDocument& doc,
                                                         const std::function<void(const QDateTime&, const QString&)>& echo)
{
    const QDateTime now = s_.serverNow();
    if (doc.toPlainText().isEmpty()) return std::nullopt;
    const QString rtf = oa::toRtf(doc);
    if (echo) echo(now, rtf);
    return sendRtf(receiver, rtf, now);
}

MessageService::Sent MessageService::sendRtf(const QString& receiver, const QString& rtf, const QDateTime& now)
{
    Sent sent;
    sent.time = now;
    sent.rtf = rtf;
    {
        // The message and its queue row are written together: a receiver never finds one without the other.
        Transaction tx(s_);
        sent.mid = s_.incid(QStringLiteral("AllID"));
        s_.exec(QStringLiteral("insert into tongxinMeg(Mid,发送人,发送人删,接收人,接收人读,接收人删,日期,时间,内容) "
                               "values(:mid,:sender,0,:receiver,0,0,:d,:t,:content)"),
                {{QStringLiteral("mid"), sent.mid}, {QStringLiteral("sender"), st_.tname},
                 {QStringLiteral("receiver"), receiver}, {QStringLiteral("d"), now}, {QStringLiteral("t"), now},
                 {QStringLiteral("content"), rtf.isNull() ? QString::fromLatin1("", 0) : rtf}});
        s_.exec(QStringLiteral("insert into tongxinMegNew(Mid,Tid,发送人,接收人) values(:mid,:tid,:sender,:receiver)"),
                {{QStringLiteral("mid"), sent.mid}, {QStringLiteral("tid"), st_.presenceId},
                 {QStringLiteral("sender"), st_.tname}, {QStringLiteral("receiver"), receiver}});
        // Delivered at commit, so the receiver's poll finds the rows.
        if (s_.engine() == Engine::PostgreSQL)
            s_.exec(QStringLiteral("select pg_notify(:channel, :payload)"),
                    {{QStringLiteral("channel"), channelFor(receiver)}, {QStringLiteral("payload"), QString::number(sent.mid)}});
        tx.commit();
    }
    setInterval(kFastPollMs);
    st_.pollTick = 1;
    return sent;
}

ChatInfo MessageService::chatInfo(const QString& colleague)
{
    ChatInfo info;
    const auto his = s_.rows(QStringLiteral("select * from  tongxinV5    where Tname=:Tname1"), {{QStringLiteral("Tname1"), colleague}});
    if (!his.isEmpty()) info.address = fieldText(his.first().value(QStringLiteral("登陆IP")));
    const auto own = s_.rows(QStringLiteral("select * from  tongxinV5  where tname=:myname"), {{QStringLiteral("myname"), st_.tname}});
    if (!own.isEmpty()) {
        const QSqlRecord& r = own.first();
        const QString name = fieldText(r.value(QStringLiteral("字体Name")));
        if (!name.isEmpty()) {
            ChatFont f;
            f.name = name;
            f.charSet = r.value(QStringLiteral("字体CharSet")).toInt();
            f.color = r.value(QStringLiteral("字体Color")).toInt();
            f.size = r.value(QStringLiteral("字体Size")).toInt();
            f.style = r.value(QStringLiteral("字体Style")).toInt();
            info.font = f;
        }
    }
    const auto t = s_.rows(QStringLiteral("select * from  Teachers    where tname=:myname"), {{QStringLiteral("myname"), colleague}});
    if (!t.isEmpty()) {
        const QSqlRecord& r = t.first();
        auto col = [&](const char* c) {
            const int i = r.indexOf(QString::fromUtf8(c));
            return i < 0 ? QString() : fieldText(r.value(i));
        };
        info.mobile = col("手机");
        info.phone = col("家庭电话");
        info.shortNumber = col("短号");
        info.email = col("电子邮箱");
    }
    info.smsVisible = VarSet::moduleOn(s_, QStringLiteral("手机短信"));
    info.smsEnabled = Accounts::HasPermission(s_, st_.tname, QStringLiteral("发送短信"));
    return info;
}

bool MessageService::saveFont(const ChatFont& f)
{
    try {
        s_.exec(QStringLiteral("update tongxinV5 set 字体Name=:name, 字体CharSet=:charset, 字体Color=:color, 字体Size=:size, "
                               "字体Style=:style where tname=:myname"),
                {{QStringLiteral("name"), f.name}, {QStringLiteral("charset"), f.charSet}, {QStringLiteral("color"), f.color},
                 {QStringLiteral("size"), f.size}, {QStringLiteral("style"), f.style}, {QStringLiteral("myname"), st_.tname}});
        return true;
    } catch (const DbError&) {
        return false;
    }
}

QString MessageService::channelFor(const QString& tname) const
{
    // Channel names are identifiers: a digest keeps any name (Chinese, quotes) ASCII and short. The schema
    // is part of it so databases that share one server do not wake each other.
    const QByteArray key = (s_.url().schema + QLatin1Char('\n') + tname).toUtf8();
    return QStringLiteral("lantern_") + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Md5).toHex().left(24));
}

bool MessageService::listen()
{
    if (s_.engine() != Engine::PostgreSQL || !s_.isOpen() || st_.tname.isEmpty()) return false;
    QSqlDriver* driver = s_.database().driver();
    if (!driver || !driver->hasFeature(QSqlDriver::EventNotifications)) return false;
    const QString channel = channelFor(st_.tname);
    if (driver->subscribedToNotifications().contains(channel)) {
        listening_ = channel;
        return true;
    }
    if (!listening_.isEmpty() && driver->subscribedToNotifications().contains(listening_))
        driver->unsubscribeFromNotification(listening_);
    listening_.clear();
    connect(driver, &QSqlDriver::notification, this, &MessageService::onNotification, Qt::UniqueConnection);
    if (!driver->subscribeToNotification(channel)) return false;
    listening_ = channel;
    return true;
}

void MessageService::unlisten()
{
    if (listening_.isEmpty()) return;
    QSqlDatabase db = s_.database();
    if (db.isValid() && db.isOpen() && db.driver()->subscribedToNotifications().contains(listening_))
        db.driver()->unsubscribeFromNotification(listening_);
    listening_.clear();
}

void MessageService::onNotification(const QString& name, QSqlDriver::NotificationSource, const QVariant&)
{
    if (name != listening_) return;
    pollMessages();
    emit woken();
}

}  // namespace oa::lantern
