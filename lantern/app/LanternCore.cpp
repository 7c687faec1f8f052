#include "lantern/app/LanternCore.h"

#include "common/accounts/Accounts.h"

#include <QDesktopServices>
#include <QStringEncoder>

namespace oa::lantern {

namespace {
// Shared with the web site's login page, which reverses it.
constexpr unsigned char kWebOaKey[8] = {0x51, 0x58, 0x6F, 0x61, 0x32, 0x30, 0x31, 0x36};
}

LanternCore::LanternCore(LanternLink& link, Prompter& p, Machine& m, Clock& c, DesktopSettings& desktop, QObject* parent)
    : QObject(parent), link_(link), p_(p), m_(m), c_(c), desktop_(desktop)
{
    st_.soundOn = desktop_.sound().isEmpty();
    TimerTime.setInterval(1000);
    TimerCheck.setInterval(1200000);
    TimerOANew.setInterval(30000);
    TimerZhuangTai.setInterval(30000);
    Timerlogout.setInterval(kHeartbeatSecs * 1000);
    TimerMSG.setInterval(kFastPollMs);
    connect(&TimerTime, &QTimer::timeout, this, &LanternCore::tickClock);
    connect(&TimerCheck, &QTimer::timeout, this, &LanternCore::tickCheck);
    connect(&TimerOANew, &QTimer::timeout, this, &LanternCore::tickOANew);
    connect(&TimerZhuangTai, &QTimer::timeout, this, &LanternCore::tickZhuangTai);
    connect(&Timerlogout, &QTimer::timeout, this, &LanternCore::tickHeartbeat);
    connect(&TimerMSG, &QTimer::timeout, this, &LanternCore::pollMessages);
    chats_.context().state = &st_;
    chats_.context().prompter = &p_;
    chats_.context().openShare = [this](const QString& address) {
        const QUrl u = sharedHostUrl(QStringLiteral("\\\\") + address);
        if (openUrl) openUrl(u);
        else QDesktopServices::openUrl(u);
    };
    link_.aboutToReplace = [this] { dropServices(); };
    if (link_.isOpen()) ensureServices();
}

LanternCore::~LanternCore()
{
    link_.aboutToReplace = nullptr;
    // The windows go before the services they call.
    chats_.clear();
    dropServices();
}

void LanternCore::dropServices()
{
    chats_.context().messages = nullptr;
    messages_.reset();
    contacts_.reset();
    presence_.reset();
    login_.reset();
    servicesFor_ = -1;
}

void LanternCore::startTimers()
{
    TimerTime.start();
    TimerCheck.start();
    Timerlogout.start();
}

void LanternCore::ensureServices()
{
    Session* s = link_.session();
    if (!s || servicesFor_ == link_.generation()) return;
    dropServices();
    servicesFor_ = link_.generation();
    login_ = std::make_unique<LoginService>(*s, p_, desktop_, st_);
    login_->reconnect = [this] { return link_.session() && link_.reopenInPlace(); };
    presence_ = std::make_unique<PresenceService>(*s, p_, m_, c_, st_);
    contacts_ = std::make_unique<ContactService>(*s, st_);
    messages_ = std::make_unique<MessageService>(*s, p_, st_, chats_, &TimerMSG);
    chats_.context().messages = messages_.get();
}

// ---- connection ------------------------------------------------------------------------------------

void LanternCore::lianjie()
{
    if (link_.serverAddress().isEmpty()) {
        TimerCheck.stop();
        if (serverDialog && !serverDialog()) {
            if (endProgram) endProgram();
            return;
        }
    }
    if (link_.open() == LanternLink::Result::Ok) {
        st_.connResult = QStringLiteral("ok");
        st_.serverAddress = link_.serverAddress();
        ensureServices();
        return;
    }
    TimerCheck.stop();
    st_.connResult = QStringLiteral("Notok");
    if (serverDialog && !serverDialog()) {
        if (endProgram) endProgram();
        return;
    }
    // The dialog connected to the address just typed: go on to the login instead of an empty window.
    if (link_.isOpen()) {
        st_.connResult = QStringLiteral("ok");
        st_.serverAddress = link_.serverAddress();
        ensureServices();
    }
}

void LanternCore::zailianjie()
{
    link_.close();
    if (link_.isOpen()) return;
    if (link_.open() != LanternLink::Result::Ok) {
        TimerCheck.stop();
        return;
    }
    st_.connResult = QStringLiteral("ok");
    st_.serverAddress = link_.serverAddress();
    ensureServices();
    TimerCheck.start();
    TimerOANew.start();
    TimerZhuangTai.start();
    tickHeartbeat();
    Timerlogout.start();
    emit onlineShown();
    refreshContacts();
    if (presence_ && !st_.tname.isEmpty()) presence_->setOwnState(QString::fromLatin1(kOnline));
    emit reconnected();
    if (messages_) messages_->listen();
}

void LanternCore::serverChanged(std::unique_ptr<Session> s)
{
    link_.adopt(std::move(s));
    zailianjie();
}

void LanternCore::lostConnection()
{
    TimerCheck.stop();
    TimerOANew.stop();
    TimerZhuangTai.stop();
    Timerlogout.stop();
    emit offline(true);
    emit contactsCleared();
    zailianjie();
}

// ---- login -----------------------------------------------------------------------------------------

bool LanternCore::runLoginWindow(bool switching)
{
    const LoginWindow r = loginWindow ? loginWindow(switching) : LoginWindow::EndProgram;
    if (r == LoginWindow::LoggedIn) return true;
    if (r == LoginWindow::EndProgram || st_.tname.isEmpty()) {
        if (endProgram) endProgram();
        return false;
    }
    return true;
}

void LanternCore::firstShow()
{
    if (st_.firstShow != 1) return;
    if (st_.connResult.isEmpty()) lianjie();
    if (st_.connResult != QLatin1String("ok")) return;
    ensureServices();
    bool loggedIn = false;
    switch (login_->tryAutoLogin()) {
    case LoginService::AutoLogin::LoggedIn: loggedIn = true; break;
    case LoginService::AutoLogin::Failed:
        if (!runLoginWindow(false)) return;
        loggedIn = true;
        break;
    default: break;
    }
    if (!loggedIn && !runLoginWindow(false)) return;
    if (connected()) afterLoginSetup();
}

void LanternCore::afterLoginSetup()
{
    ensureServices();
    if (!presence_) return;
    const PresenceService::Setup outcome = presence_->afterLoginSetup();
    if (outcome == PresenceService::Setup::Stopped) return;
    emit sharedHostAvailable(!st_.sharedHostAddress.isEmpty());
    emit titleChanged(st_.tname);
    if (outcome == PresenceService::Setup::Completed) loadGroups();
    st_.firstShow = 100;
    refreshCounters();
    if (st_.pending == QLatin1String("OK") && st_.soundOn) emit playLoginSound();
    st_.loggedIn = QStringLiteral("OK");
    TimerOANew.start();
    TimerZhuangTai.start();
    Timerlogout.start();
    TimerMSG.setInterval(st_.pollInterval);
    TimerMSG.start();
    if (messages_) messages_->listen();
    bool current = true;
    try {
        current = Accounts::versionCurrent(*link_.session());
    } catch (const DbError&) {
        // A database that stopped answering is the offline picture's business, not a reason to end.
    }
    if (!current) {
        p_.error(QString::fromUtf8(kExpired));
        closing();
        if (endProgram) endProgram();
    }
}

void LanternCore::switchUser()
{
    if (presence_ && connected()) presence_->setStateOf(st_.tname, QString::fromLatin1(kOffline));
    // The conversations belong to the member who leaves.
    chats_.clear();
    if (!runLoginWindow(true)) return;
    afterLoginSetup();
    if (presence_ && connected()) presence_->setStateOf(st_.tname, QString::fromLatin1(kOnline));
    refreshContacts();
}

void LanternCore::closing()
{
    if (connected() && presence_ && !st_.tname.isEmpty()) presence_->setOwnState(QString::fromLatin1(kOffline));
}

// ---- timers ----------------------------------------------------------------------------------------

void LanternCore::tickClock()
{
    if (st_.serverClock.isValid()) st_.serverClock = st_.serverClock.addSecs(1);
    ++st_.secondsOfDay;
    emit clockTicked(st_.secondsOfDay);
    if (st_.secondsOfDay % 60 == 0 && calendarReminder) calendarReminder();
}

bool LanternCore::linkLost() const { return st_.connResult == QLatin1String("ok") && !link_.isOpen(); }

void LanternCore::tickOANew()
{
    if (linkLost()) {
        emit offline(false);
        return;
    }
    if (!connected() || !pollRefreshSignals) return;
    try {
        pollRefreshSignals(*link_.session());
    } catch (const DbError&) {
        emit offline(false);
    }
}

void LanternCore::tickZhuangTai()
{
    // A connection the server or the network dropped reads as closed here. Its queries would have failed,
    // so it is handled as a failed contact-list query: offline picture, list emptied, timers stopped.
    if (linkLost()) {
        contactsFailed();
        return;
    }
    if (!connected()) return;
    refreshContacts();
    tickIdle();
}

void LanternCore::tickHeartbeat()
{
    if (linkLost()) {
        emit offline(false);
        return;
    }
    if (!presence_ || !connected()) return;
    if (!presence_->tickHeartbeat()) emit offline(false);
}

bool LanternCore::tickSweep(const QDateTime& now)
{
    if (!presence_ || !connected()) return false;
    return presence_->tickSweep(now);
}

void LanternCore::tickIdle()
{
    if (presence_) presence_->tickIdle();
}

int LanternCore::pollMessages()
{
    if (!messages_ || !connected()) return 0;
    return messages_->pollMessages();
}

// ---- counters (the notification part fills them in) ------------------------------------------------------

void LanternCore::refreshCounters()
{
    st_.pending.clear();
    try {
        Session* s = link_.session();
        if (!s || !s->isOpen()) throw DbError(QStringLiteral("not connected"));
        if (counterRefresh) counterRefresh(*s);
        else s->serverNow();
    } catch (const DbError&) {
        lostConnection();
        return;
    }
    emit trayIconReset();
}

void LanternCore::trayClicked(bool mainWindowActive)
{
    if (mainWindowActive) return;
    refreshCounters();
    emit showMainWindow();
    refreshContacts();
}

// ---- contact list --------------------------------------------------------------------------------

void LanternCore::showContacts(const QList<Contact>& list) { emit contactsShown(list, ContactService::summary(list)); }

void LanternCore::contactsFailed()
{
    TimerCheck.stop();
    TimerOANew.stop();
    TimerZhuangTai.stop();
    emit offline(true);
    emit contactsCleared();
}

void LanternCore::refreshContacts()
{
    emit onlineShown();
    if (!connected() || !contacts_) {
        emit contactsCleared();
        return;
    }
    try {
        const QList<Contact> list = contacts_->list();
        if (list.isEmpty()) return;
        showContacts(list);
    } catch (const DbError&) {
        contactsFailed();
    }
}

void LanternCore::searchContacts(const QString& text)
{
    if (!connected() || !contacts_) return;
    emit onlineShown();
    try {
        showContacts(contacts_->search(text));
    } catch (const DbError&) {
        contactsFailed();
    }
}

void LanternCore::loadGroups()
{
    if (!connected() || !contacts_) return;
    emit groupsShown({});
    try {
        const QList<ContactGroup> groups = contacts_->groups();
        if (groups.isEmpty()) return;
        emit groupsShown(groups);
        st_.currentGroup.clear();
        refreshContacts();
    } catch (const DbError&) {
    }
}

void LanternCore::selectGroup(const QString& caption)
{
    st_.currentGroup = caption == QStringLiteral("全部") ? QString() : caption;
    tickHeartbeat();
    refreshContacts();
}

void LanternCore::refreshFromMenu()
{
    tickHeartbeat();
    refreshContacts();
}

TFormChat* LanternCore::openChat(const QString& colleague)
{
    if (!connected() || !contacts_) return nullptr;
    std::optional<ContactService::Presence> his;
    try {
        his = contacts_->presenceOf(colleague);
    } catch (const DbError&) {
        return nullptr;
    }
    if (!his) {
        p_.error(QString::fromUtf8(kNotActivated));
        return nullptr;
    }
    return chats_.open(his->id, colleague, his->state);
}

// ---- web OA and shared host ----------------------------------------------------------------------

QString LanternCore::encodeWebPassword(const QString& password)
{
    QStringEncoder gbk("GBK");
    QByteArray bytes = gbk.isValid() ? QByteArray(gbk.encode(password)) : password.toUtf8();
    QString out;
    for (int i = 0; i < bytes.size(); ++i)
        out += QStringLiteral("%1").arg(uchar(bytes[i]) ^ kWebOaKey[i % 8], 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

QUrl LanternCore::webOaUrl() const
{
    // The staff number is percent-encoded so that no character of it can change the query.
    const QString query = QStringLiteral("/login.asp?username=")
        + QString::fromLatin1(QUrl::toPercentEncoding(st_.tno)) + QStringLiteral("&password=")
        + encodeWebPassword(st_.password) + QStringLiteral("&Intype=OATool");
    const QString base = st_.webOaAddress.isEmpty() ? QStringLiteral("Http://") + webHostOf(st_.serverAddress)
                                                    : st_.webOaAddress;
    return QUrl(base + query, QUrl::TolerantMode);
}

QUrl LanternCore::sharedHostUrl(const QString& address)
{
    QString a = address.trimmed();
    if (a.contains(QLatin1String("://"))) return QUrl(a);
    a.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (a.startsWith(QLatin1Char('/'))) a.remove(0, 1);
#ifdef Q_OS_WIN
    return QUrl::fromLocalFile(QStringLiteral("//") + a);
#else
    return QUrl(QStringLiteral("smb://") + a);
#endif
}

void LanternCore::openWebOa()
{
    const QUrl u = webOaUrl();
    if (openUrl) openUrl(u);
    else QDesktopServices::openUrl(u);
    emit trayIconReset();
    emit minimiseToTray();
    TimerCheck.start();
}

void LanternCore::openSharedHost()
{
    const QUrl u = sharedHostUrl(st_.sharedHostAddress);
    if (openUrl) openUrl(u);
    else QDesktopServices::openUrl(u);
    emit minimiseToTray();
    emit trayIconReset();
}

}  // namespace oa::lantern
