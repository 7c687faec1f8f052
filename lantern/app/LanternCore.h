#pragma once
#include "common/config/DesktopSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "lantern/app/LanternLink.h"
#include "lantern/app/LanternState.h"
#include "lantern/chat/MessageService.h"
#include "lantern/contacts/ChatRegistry.h"
#include "lantern/contacts/ContactService.h"
#include "lantern/login/LoginService.h"
#include "lantern/presence/PresenceService.h"

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

namespace oa::lantern {

// What the main window does without being a window: the connection and its recovery, the login sequence,
// the timers and what each of them does, the contact list's data, switching user and closing. The window
// (TFMain) shows what this object signals; tests drive the tick methods at the times they choose.
class LanternCore : public QObject {
    Q_OBJECT
public:
    LanternCore(LanternLink& link, Prompter& p, Machine& m, Clock& c, DesktopSettings& desktop, QObject* parent = nullptr);
    ~LanternCore() override;

    enum class LoginWindow { LoggedIn, Closed, EndProgram };
    // Modal windows the core asks for. switching: the login window of "切换用户" (password cleared).
    std::function<LoginWindow(bool switching)> loginWindow;
    // The server-address dialog; false when it was closed without connecting (Lantern ends).
    std::function<bool()> serverDialog;
    std::function<void()> endProgram;
    // Counters, reminders and refresh signals belong to the notification part; until it hooks in, the
    // counter refresh only checks that the server answers (which is what triggers a reconnection).
    std::function<void(Session&)> counterRefresh;
    std::function<void()> calendarReminder;
    std::function<void(Session&)> pollRefreshSignals;
    // How URLs are opened (the browser, the file manager).
    std::function<bool(const QUrl&)> openUrl;

    LanternState& state() { return st_; }
    LanternLink& link() { return link_; }
    ChatRegistry& chats() { return chats_; }
    bool connected() const { return link_.isOpen(); }
    // Connected once, but the driver found the connection gone (a server restart, a network cut).
    bool linkLost() const;

    // Services of the current session (null before the first connection).
    LoginService* login() { return login_.get(); }
    PresenceService* presence() { return presence_.get(); }
    ContactService* contacts() { return contacts_.get(); }
    MessageService* messages() { return messages_.get(); }

    QTimer TimerTime, TimerCheck, TimerOANew, TimerZhuangTai, Timerlogout, TimerMSG;
    void startTimers();            // the ones enabled when the main window is created

    // Start-up, connection, login.
    void firstShow();
    void lianjie();
    void zailianjie();
    // The server-address dialog connected: go on with that session at once.
    void serverChanged(std::unique_ptr<Session> s);
    void afterLoginSetup();
    void switchUser();
    void closing();                 // the own row goes offline

    // Timer work.
    void tickClock();
    void tickCheck() { refreshCounters(); }
    void tickOANew();
    void tickZhuangTai();
    void tickHeartbeat();
    bool tickSweep(const QDateTime& now);
    void tickIdle();
    int pollMessages();

    // The contact list.
    void refreshContacts();
    void searchContacts(const QString& text);
    void loadGroups();
    void selectGroup(const QString& caption);
    void refreshFromMenu();        // "刷新": heartbeat, then the list
    TFormChat* openChat(const QString& colleague);

    void refreshCounters();
    void trayClicked(bool mainWindowActive);

    // The web OA login address for the member; the shared host's address as a URL.
    QUrl webOaUrl() const;
    static QString encodeWebPassword(const QString& password);
    static QUrl sharedHostUrl(const QString& address);
    void openWebOa();
    void openSharedHost();

signals:
    void contactsShown(const QList<oa::lantern::Contact>& contacts, const QString& summary);
    void contactsCleared();
    void groupsShown(const QList<oa::lantern::ContactGroup>& groups);
    void offline(bool wholeWindow);  // tray picture; with wholeWindow also logo and grid
    void onlineShown();              // logo back, offline picture hidden
    void reconnected();              // the reconnected picture in the tray
    void titleChanged(const QString& tname);
    void sharedHostAvailable(bool on);
    void showMainWindow();
    void minimiseToTray();
    void trayIconReset();            // stop cycling, icon 0
    void playLoginSound();
    void clockTicked(qint64 secondsOfDay);

private:
    void ensureServices();
    void dropServices();
    bool runLoginWindow(bool switching);
    void lostConnection();
    void contactsFailed();
    void showContacts(const QList<Contact>& list);

    LanternLink& link_;
    Prompter& p_;
    Machine& m_;
    Clock& c_;
    DesktopSettings& desktop_;
    LanternState st_;
    ChatRegistry chats_;
    int servicesFor_ = -1;
    std::unique_ptr<LoginService> login_;
    std::unique_ptr<PresenceService> presence_;
    std::unique_ptr<ContactService> contacts_;
    std::unique_ptr<MessageService> messages_;
};

inline constexpr const char* kExpired = "本系统已经过期，请到 【OA主页】--->【常用工具】--->【Lantern】，下载新系统 【Lantern.exe】！";

}  // namespace oa::lantern
