#include "registrar/shell/ScreenshotTour.h"

#include "common/config/DesktopSettings.h"
#include "common/db/ConnectionSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "common/ui/TFormSetServerIP.h"
#include "registrar/imports/ScoreImportForm.h"
#include "registrar/imports/TFormstudent.h"
#include "registrar/shell/Commands.h"
#include "registrar/shell/TFHelp.h"
#include "tools/samples/SampleSheets.h"
#include "registrar/shell/TFrmLogin.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>

namespace oa {

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

// Prompts are printed, never shown: a tour has no one to answer them.
class TourPrompter : public ConsolePrompter {
public:
    explicit TourPrompter(QTextStream& out) : ConsolePrompter(false), out_(out) {}
    void message(const QString& caption, const QString& text, Icon) override
    {
        out_ << (caption.isEmpty() ? QString() : caption + QStringLiteral("：")) << text << Qt::endl;
    }
    // The import windows' "browse" gets the sample sheet the tour wrote.
    QString openFile(const QString&, const QString&) override { return nextFile; }
    QString nextFile;

private:
    QTextStream& out_;
};

}  // namespace

int runScreenshotTour(const TourOptions& o, QTextStream& out, QTextStream& err)
{
    QDir dir(o.dir);
    if (o.dir.isEmpty() || !QDir().mkpath(o.dir)) {
        err << "不能创建文件夹 " << o.dir << Qt::endl;
        return 2;
    }
    auto save = [&](QWidget* w, const QString& name) {
        settle();
        const QString path = dir.absoluteFilePath(name);
        if (!w->grab().save(path)) {
            err << "不能保存 " << path << Qt::endl;
            return false;
        }
        out << path << Qt::endl;
        return true;
    };

    // The tour must not change what this desktop remembers.
    QTemporaryDir scratch;
    DesktopSettings desktop(scratch.filePath(QStringLiteral("desktop.ini")));
    TourPrompter prompter(out);
    Machine machine;
    Clock clock;

    const ConnectionSettings settings(ConnectionSettings::effectivePath(o.connect.settingsPath));
    const QString address = o.connect.database.isEmpty() ? settings.serverAddress() : o.connect.database;
    QString key = settings.encipheredKey();
    if (key.isEmpty()) key = QString::fromLatin1(kDefaultEncipheredKey);
    QString why = QStringLiteral("没有数据库地址（--database 或设置文件）");
    std::unique_ptr<Session> s;
    if (!address.isEmpty()) {
        try {
            s = ServerAddressSetup::openServer(address, Dec(key), &why);
        } catch (const DecError& e) {
            why = QString::fromStdString(e.what());
        }
    }
    if (!s) {
        err << "不能连接到数据库：" << why << Qt::endl;
        return 2;
    }

    TFMain w(prompter, machine, clock, desktop);
    w.resize(1280, 800);
    w.show();
    w.setSession(std::move(s), address);

    {
        LoginService svc(w.sessionPtr(), prompter, machine, desktop, w.serverAddress());
        TFrmLogin login(&w);
        login.setService(&svc);
        login.setServerText(w.serverAddress());
        login.onMember = [&w](const LoginService::Result& r) { w.applyLogin(r); };
        login.show();
        login.EditUserNO->setText(o.login);
        login.EditPassWord->setText(o.password);
        if (!save(&login, QStringLiteral("01-login.png"))) return 2;
        login.ButtonOKClick();
        if (login.ending() != TFrmLogin::Ending::LoggedIn) {
            err << "登录失败：" << o.login << Qt::endl;
            return 1;
        }
    }
    w.afterLogin();
    if (!save(&w, QStringLiteral("02-main.png"))) return 2;

    TFHelp* help = w.help();
    help->showPage(TFHelp::pageCaptions().first());
    if (!save(help, QStringLiteral("03-help.png"))) return 2;
    help->close();

    // The roster import and a score import, each with its sample sheet loaded and checked.
    writeSampleSheets(scratch.path());
    if (auto* roster = qobject_cast<TFormstudent*>(w.openWindow(QString::fromLatin1(win::StudentImport)))) {
        prompter.nextFile = scratch.filePath(QStringLiteral("roster.xlsx"));
        roster->ButtonLoadClick();
        roster->ButtonCheckClick();
        if (!save(&w, QStringLiteral("05-roster-import.png"))) return 2;
    }
    if (auto* scores = qobject_cast<ScoreImportForm*>(w.openWindow(QString::fromLatin1(win::ScoreImportClassNumberName)))) {
        prompter.nextFile = scratch.filePath(QStringLiteral("score-a.xlsx"));
        if (ScoreImportPage* page = scores->page(ScoreLayout::A)) {
            page->ButtonLoadClick();
            page->ButtonCheckClick();
        }
        if (!save(&w, QStringLiteral("06-score-import.png"))) return 2;
    }

    ServerAddressSetup setup(prompter, ServerDialogProgram::Registrar, o.connect.settingsPath);
    TFormSetServerIP dlg(setup, &w);
    dlg.show();
    if (!save(&dlg, QStringLiteral("04-server.png"))) return 2;
    dlg.close();
    return 0;
}

}  // namespace oa
