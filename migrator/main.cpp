#include "MigratorCli.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Migrator"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = oa::runMigratorCli(QApplication::arguments(), out, err);
    if (rc != 2) return rc;
    err << "学校OA系统升级向导: use --create or --upgrade (the wizard window is not built yet)" << Qt::endl;
    return 1;
}
