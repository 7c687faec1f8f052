// oa-samples DIR: writes every sample sheet into DIR as .xlsx and lists the files written.
#include "tools/samples/SampleSheets.h"

#include "common/sheets/SheetReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        err << "usage: oa-samples DIR\n"
               "Writes a correct sample sheet (.xlsx) for every spreadsheet layout the programs import.\n";
        return 2;
    }
    if (!QDir().mkpath(args[0])) {
        err << "cannot create " << args[0] << '\n';
        return 1;
    }
    try {
        for (const QString& path : oa::writeSampleSheets(args[0])) out << path << '\n';
    } catch (const oa::SheetError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
