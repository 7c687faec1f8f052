#include "MigratorCli.h"
#include "Screenshots.h"
#include "TForm1.h"

#include <QApplication>
#include <QLineEdit>
#include <QTextStream>
#include <cstring>
#include <memory>

namespace {
// Headless runs must work without a display, so they get a core application only.
bool commandLineRun(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* flag : {"--create", "--upgrade", "--help", "-h"})
            if (std::strcmp(argv[i], flag) == 0) return true;
    return false;
}

// Takes "--name VALUE" or "--name=VALUE" out of the arguments; empty when absent.
QString takeOption(QStringList& args, const QString& name, bool remove)
{
    const QString flag = QStringLiteral("--") + name;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == flag && i + 1 < args.size()) {
            const QString v = args[i + 1];
            if (remove) args.remove(i, 2);
            return v;
        }
        if (args[i].startsWith(flag + QLatin1Char('='))) {
            const QString v = args[i].mid(flag.size() + 1);
            if (remove) args.removeAt(i);
            return v;
        }
    }
    return {};
}
}  // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QCoreApplication> app;
    if (commandLineRun(argc, argv)) app = std::make_unique<QCoreApplication>(argc, argv);
    else app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Migrator"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    // --screenshots belongs to the window, not to the command line runs.
    const QString screenshots = takeOption(args, QStringLiteral("screenshots"), true);
    const int rc = oa::runMigratorCli(args, out, err);
    if (rc != 2) return rc;

    QApplication::setApplicationDisplayName(QString::fromUtf8(oa::kWizardCaption) + QString::fromLatin1(oa::kReleaseNumber));
    const QString database = takeOption(args, QStringLiteral("database"), false);
    const QString settings = takeOption(args, QStringLiteral("settings"), false);
    if (!screenshots.isEmpty()) return oa::takeWizardScreenshots(screenshots, database, settings, out);

    oa::DialogPrompter prompter;
    oa::TForm1 form(prompter, settings);
    prompter.setParent(&form);
    if (!database.isEmpty()) form.EditServerIP->setText(database);
    form.show();
    return app->exec();
}
