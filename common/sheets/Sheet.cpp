#include "common/sheets/Sheet.h"

namespace oa {

QString Sheet::cell(int r, int c) const
{
    if (r < 0 || c < 0 || r >= rows.size()) return QString();
    const QStringList& row = rows[r];
    return c < row.size() ? row[c] : QString();
}

int Sheet::rowCount() const { return int(rows.size()); }

int Sheet::columnCount() const
{
    qsizetype n = 0;
    for (const QStringList& row : rows) n = std::max(n, row.size());
    return int(n);
}

SheetError::SheetError(const QString& msg) : std::runtime_error(msg.toStdString()), message_(msg) {}

}  // namespace oa
