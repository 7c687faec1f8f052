#pragma once
#include <QStringList>
#include <QTextStream>

namespace oa {

// Headless use of the Migrator: --create makes a new school database, --upgrade brings one up to date.
// Returns the process exit status; 2 means "not a command-line run" (the wizard should start).
int runMigratorCli(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace oa
