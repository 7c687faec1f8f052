#pragma once
#include "common/db/Session.h"

#include <QSqlRecord>
#include <QStringList>

namespace oa {

// Reading the configuration table. Rows are read fresh at each use; a missing key reads as empty.
namespace VarSet {
QList<QSqlRecord> rows(Session& s, const QString& key);                  // in vid order
// One column of the key's first row in vid order; empty text when there is no row or the value is NULL.
QString value(Session& s, const QString& key, const QString& column = QStringLiteral("vname"));
QStringList list(Session& s, const QString& key);                        // vname values in vid order
// A module of the web site is off only when its row's vname1 is "不使用".
bool moduleOn(Session& s, const QString& module);
}  // namespace VarSet

}  // namespace oa
