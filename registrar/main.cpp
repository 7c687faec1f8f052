#include "common/config/DesktopSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "registrar/shell/ScreenshotTour.h"
#include "registrar/shell/TFMain.h"
#include "registrar/imports/ImportCli.h"
#include "registrar/imports/ImportRegistration.h"

#include "common/platform/HelpWithoutDisplay.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTextStream>
#include <cstring>

namespace {

// Every tool window registers its factory with the main window's registry here, before the main window
// builds its commands; a command whose tool is not registered stays visible and disabled.
void registerWindows()
{
    oa::registerImportWindows();
    oa::registerImportHelpPages();
}

}  // namespace

int main(int argc, char** argv)
{
    // Headless imports need no display: they run under a core application.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--import") == 0 || std::strncmp(argv[i], "--import=", 9) == 0) {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("Registrar"));
            QTextStream out(stdout), err(stderr);
            return oa::runImportCli(QCoreApplication::arguments(), out, err);
        }

    oa::allowHelpWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Registrar"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("学校OA系统 数据录入工具\n"
                                                     "不开窗口导入表格：registrar --import（不带参数时显示用法）"));
    parser.addHelpOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("数据库地址：sqlite:文件、postgresql://主机/库 或 SQL Server 地址；"
                                                     "不给时读设置文件。"),
                                      QStringLiteral("URL"));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("连接设置文件（也可用环境变量 OA_SETTINGS）。"), QStringLiteral("FILE"));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("不需要人操作：登录后把登录窗口和主窗口保存为 PNG 到 DIR。"),
                                         QStringLiteral("DIR"));
    const QCommandLineOption login(QStringLiteral("login"), QStringLiteral("截图用的用户帐号。"), QStringLiteral("TNO"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("截图用的密码。"), QStringLiteral("PW"));
    parser.addOptions({database, settings, screenshots, login, password});
    parser.process(app);

    registerWindows();

    oa::ConnectOptions connect{parser.value(database), parser.value(settings)};

    if (parser.isSet(screenshots)) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return oa::runScreenshotTour({parser.value(screenshots), connect, parser.value(login), parser.value(password)},
                                     out, err);
    }

    oa::DialogPrompter prompter;
    oa::Machine machine;
    oa::Clock clock;
    oa::DesktopSettings desktop;
    oa::TFMain w(prompter, machine, clock, desktop);
    prompter.setParent(&w);
    // Without a window manager "maximised" means nothing; start at the screen's size anyway.
    if (QScreen* screen = QGuiApplication::primaryScreen()) w.resize(screen->availableSize());
    w.showMaximized();
    if (!w.FormShow(connect)) return 0;
    return app.exec();
}
