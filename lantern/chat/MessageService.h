#pragma once
#include "common/db/Session.h"
#include "common/ui/Prompter.h"
#include "lantern/app/LanternState.h"
#include "lantern/chat/ChatWindows.h"

#include <QObject>
#include <QPointer>
#include <QSqlDriver>
#include <QTimer>
#include <functional>
#include <optional>

class QTextDocument;

namespace oa::lantern {

// Font of the send box as kept in the member's presence row (字体Name … 字体Style).
struct ChatFont {
    QString name;
    int charSet = 1;
    int color = 0;        // Windows colour value: red + green·256 + blue·65536
    int size = 9;         // points
    int style = 0;        // 1 bold, 2 italic, 4 underline, 8 strike-out
};

// What a chat window shows about its colleague when it is shown.
struct ChatInfo {
    QString address;                 // his 登陆IP
    std::optional<ChatFont> font;    // own font, when one was chosen
    QString mobile, phone, shortNumber, email;
    bool smsVisible = false;         // the SMS module is in use
    bool smsEnabled = false;         // and the member may send SMS
};

// Instant messages: send (store and queue in one transaction), receive (poll the queue, show, mark read),
// the poll's back-off, the own chat font. On PostgreSQL a send also wakes the receiver through NOTIFY and
// this side LISTENs on its own channel; the poll stays the fallback and is the only path elsewhere.
class MessageService : public QObject {
    Q_OBJECT
public:
    MessageService(Session& s, Prompter& p, LanternState& st, ChatWindows& windows, QTimer* timerMsg = nullptr);
    ~MessageService() override;

    // One poll of the queue (TimerMSG). Errors end the tick silently; the next tick retries.
    // Returns how many messages were shown.
    int pollMessages();

    struct Sent { int mid = 0; QDateTime time; QString rtf; };
    // "发送": nothing when the document holds no text. echo is called with the server time and the RTF
    // before the rows are written (the local echo). Throws DbError when storing fails.
    std::optional<Sent> send(const QString& receiver, const QTextDocument& doc,
                             const std::function<void(const QDateTime&, const QString&)>& echo = {});
    // The same for text already in RTF.
    Sent sendRtf(const QString& receiver, const QString& rtf, const QDateTime& time);

    // Show routine's reads for the window of a colleague. Throws DbError.
    ChatInfo chatInfo(const QString& colleague);
    // Stores the send box's font in the own presence row; errors are ignored.
    bool saveFont(const ChatFont& f);

    int interval() const { return st_.pollInterval; }
    int backOff() const { return st_.pollTick; }

    // LISTEN on the own channel (PostgreSQL only); again after a reconnection or a change of user.
    bool listen();
    bool listening() const { return !listening_.isEmpty(); }
    // The channel that wakes a member's Lantern: ASCII only, whatever his name.
    QString channelFor(const QString& tname) const;

signals:
    void woken();        // a notification arrived (the poll already ran)

private slots:
    void onNotification(const QString& name, QSqlDriver::NotificationSource source, const QVariant& payload);

private:
    void setInterval(int ms);
    void unlisten();

    Session& s_;
    Prompter& p_;
    LanternState& st_;
    ChatWindows& windows_;
    QPointer<QTimer> timer_;
    QString listening_;
};

}  // namespace oa::lantern
