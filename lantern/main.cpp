#include "common/config/DesktopSettings.h"
#include "common/db/ConnectionSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "lantern/app/LanternCore.h"
#include "lantern/app/LanternLink.h"
#include "lantern/app/Pictures.h"
#include "lantern/app/SingleInstance.h"
#include "lantern/app/TFMain.h"
#include "common/ui/TFormSetServerIP.h"
#include "lantern/login/TFrmLogin.h"

#include "common/platform/HelpWithoutDisplay.h"

#include <QApplication>
#include <QColorDialog>
#include <QCommandLineParser>
#include <QDir>
#include <QFontDialog>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

using namespace oa;
using namespace oa::lantern;

namespace {

void out(const QString& s) { std::fprintf(stdout, "%s\n", s.toLocal8Bit().constData()); std::fflush(stdout); }
void err(const QString& s) { std::fprintf(stderr, "%s\n", s.toLocal8Bit().constData()); }

void settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString save(QWidget* w, const QDir& dir, const QString& name)
{
    w->repaint();
    settle();
    const QString path = dir.absoluteFilePath(name);
    if (!w->grab().save(path)) {
        err(QStringLiteral("cannot write %1").arg(path));
        return {};
    }
    return path;
}

// Logs in with the given number and password, photographs the login window, the main window with its
// colleagues and a chat window, and prints the files' paths.
int screenshots(const QString& folder, const QString& tno, const QString& password, LanternCore& core, TFrmLogin& login,
                TFMain& main)
{
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        err(QStringLiteral("cannot create %1").arg(folder));
        return 1;
    }
    core.lianjie();
    if (core.state().connResult != QLatin1String("ok")) {
        err(QStringLiteral("cannot connect: %1").arg(core.link().lastError()));
        return 1;
    }
    login.setService(core.login());
    login.setServerLabel(core.link().dataSource());
    login.show();
    login.EditUserNO->setText(tno);
    login.EditPassWord->setText(password);
    QStringList shots;
    shots << save(&login, dir, QStringLiteral("lantern-login.png"));
    login.ButtonOKClick();
    if (core.state().tname.isEmpty()) {
        err(QStringLiteral("login failed for %1").arg(tno));
        return 1;
    }
    login.hide();
    core.afterLoginSetup();
    main.show();
    settle(300);
    core.refreshContacts();
    shots << save(&main, dir, QStringLiteral("lantern-main.png"));

    // The conversation to photograph: whoever wrote to the member (the poll opens those windows), else the
    // first colleague with a presence row. When nobody else ever logged in, the member's own window is
    // shown with text typed but not sent, so a screenshot never leaves a message to oneself behind.
    const QString self = core.state().tname;
    const bool received = core.pollMessages() > 0;
    QString peer;
    for (TFormChat* w : core.chats().windows())
        if (w->colleague() != self) {
            peer = w->colleague();
            break;
        }
    if (peer.isEmpty())
        for (const Contact& c : core.contacts()->list())
            if (c.tname != self && c.state >= 1 && c.state <= 3) {
                peer = c.tname;
                break;
            }
    const bool talk = !peer.isEmpty();
    if (!talk) peer = self;
    TFormChat* chat = core.openChat(peer);
    if (!chat) {
        err(QStringLiteral("cannot open a chat window with %1").arg(peer));
        return 1;
    }
    for (TFormChat* w : core.chats().windows())
        if (w != chat) w->hide();
    chat->showNormal();
    // A message in a font and colour of its own, so the picture shows that they travel with it.
    ChatFont font = chat->sendFont();
    font.size = 11;
    font.color = 0x80 * 65536 + 0x30 * 256 + 0x20;   // dark blue, as a Windows colour value
    chat->applySendFont(font);
    if (talk) {
        chat->RichEditSend->insertPlainText(received ? QStringLiteral("收到，我会准时参加。")
                                                     : QStringLiteral("下午三点在会议室开会，请带上本学期的教学计划。"));
        chat->ButtonSendClick();
    }
    chat->RichEditSend->clear();
    chat->applySendFont(font);
    chat->RichEditSend->insertPlainText(QStringLiteral("收到请回复，谢谢！"));
    settle(300);
    shots << save(chat, dir, QStringLiteral("lantern-chat.png"));
    for (const QString& s : shots)
        if (!s.isEmpty()) out(s);
    core.closing();
    core.chats().clear();
    return shots.contains(QString()) ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    oa::allowHelpWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lantern"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(Pictures::trayIcon(0));

    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral("Lantern: presence, colleagues and instant messages of the school OA."));
    cl.addHelpOption();
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("Database URL (sqlite:PATH, postgresql://…, or a SQL Server address)."), QStringLiteral("URL"));
    const QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Connection settings file (else OA_SETTINGS)."), QStringLiteral("FILE"));
    const QCommandLineOption desktopFile(QStringLiteral("desktop-settings"), QStringLiteral("Desktop settings file (else OA_DESKTOP_SETTINGS)."), QStringLiteral("FILE"));
    const QCommandLineOption shots(QStringLiteral("screenshots"), QStringLiteral("Log in, save PNGs of the windows into DIR and exit."), QStringLiteral("DIR"));
    const QCommandLineOption tno(QStringLiteral("login"), QStringLiteral("Staff number for --screenshots."), QStringLiteral("TNO"));
    const QCommandLineOption pw(QStringLiteral("password"), QStringLiteral("Password for --screenshots."), QStringLiteral("PW"));
    cl.addOptions({database, settings, desktopFile, shots, tno, pw});
    cl.process(app);

    std::optional<ConnectionUrl> url;
    if (cl.isSet(database)) {
        QString why;
        url = ConnectionUrl::parse(cl.value(database), &why);
        if (!url) {
            err(why);
            return 2;
        }
    }
    const QString settingsPath = cl.value(settings);
    DesktopSettings desktop(cl.value(desktopFile));
    const bool screenshotMode = cl.isSet(shots);

    SingleInstance instance(SingleInstance::keyFor(desktop.location()));
    if (!screenshotMode) {
        if (instance.signalRunning()) return 0;
        instance.listen();
    }

    LanternLink link(url, settingsPath);
    DialogPrompter prompter;
    Machine machine;
    Clock clock;
    LanternCore core(link, prompter, machine, clock, desktop);
    TFrmLogin login;
    ServerAddressSetup servers(prompter, ServerDialogProgram::Lantern, settingsPath);
    TFMain main(core, login, servers);
    prompter.setParent(&main);

    bool ending = false;
    core.endProgram = [&] {
        if (ending) return;
        ending = true;
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    };
    core.chats().context().pickFont = [](const QFont& start, QWidget* parent) -> std::optional<QFont> {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, start, parent, QStringLiteral("字体"));
        return ok ? std::optional<QFont>(f) : std::nullopt;
    };
    core.chats().context().pickColor = [](const QColor& start, QWidget* parent) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(start, parent, QStringLiteral("颜色"));
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    };
    QObject::connect(&instance, &SingleInstance::activateRequested, &main, &TFMain::bringForward);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &core, [&] { core.closing(); });

    if (screenshotMode) {
        if (!cl.isSet(tno)) {
            err(QStringLiteral("--screenshots needs --login TNO --password PW"));
            return 2;
        }
        return screenshots(cl.value(shots), cl.value(tno), cl.value(pw), core, login, main);
    }

    core.startTimers();
    main.show();
    return app.exec();
}
