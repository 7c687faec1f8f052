#pragma once
#include <QStringList>
#include <QTextStream>

namespace oa {

// True when the command line asks for a headless import (it names --import).
bool isImportCommand(const QStringList& arguments);

// registrar --database URL --import roster|A|B|C|D|E|F --year Y [--exam E] [--grade G] [--skip-number]
//           [--skip-name] [--save] FILE
// Loads and checks FILE exactly as the import windows do, through the same services, printing the result
// list and the closing messages; with --save it then saves under a batch name. `arguments` is the whole
// command line, the program first. Exit status: 0 done; 1 the check found problems (or refused the sheet);
// 2 wrong arguments, no database or an unreadable file; 3 the save failed.
int runImportCli(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace oa
