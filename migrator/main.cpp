#include "MigratorCli.h"

#include <QApplication>
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
}  // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QCoreApplication> app;
    if (commandLineRun(argc, argv)) app = std::make_unique<QCoreApplication>(argc, argv);
    else app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Migrator"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = oa::runMigratorCli(QCoreApplication::arguments(), out, err);
    if (rc != 2) return rc;
    err << "学校OA系统升级向导: use --create or --upgrade (the wizard window is not built yet)" << Qt::endl;
    return 1;
}
