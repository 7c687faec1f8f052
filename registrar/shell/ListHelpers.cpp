#include "registrar/shell/ListHelpers.h"

#include "common/db/Session.h"

#include <QComboBox>
#include <QLineEdit>

namespace oa {

namespace {
QList<QSqlRecord> varRows(Session& s, const QString& key, bool openOnly)
{
    // The exam lists were written with their own spacing; the statements mean the same.
    const QString sql = openOnly ? QStringLiteral("select * from varset  where name=:name   order by vid")
                                 : QStringLiteral("select * from varset where name=:name order by vid");
    return s.rows(sql, {{QStringLiteral("name"), key}});
}
}  // namespace

void FillVarList(Session& s, const QString& key, QComboBox* list)
{
    const auto rows = varRows(s, key, false);
    list->clear();
    for (const QSqlRecord& r : rows) list->addItem(fieldText(r.value(QStringLiteral("vname"))));
}

void FillOpenVarList(Session& s, const QString& key, QComboBox* list)
{
    const auto rows = varRows(s, key, true);
    list->clear();
    for (const QSqlRecord& r : rows)
        if (fieldText(r.value(QStringLiteral("vname1"))) != QStringLiteral("关闭"))
            list->addItem(fieldText(r.value(QStringLiteral("vname"))));
}

void SelectVarCurrent(Session& s, const QString& key, QComboBox* list)
{
    const auto rows = varRows(s, key, false);
    if (rows.isEmpty()) return;
    const QString stored = fieldText(rows.first().value(QStringLiteral("vname")));
    const QString trimmed = stored.trimmed();
    if (!ListHasText(trimmed, list)) return;
    list->setCurrentIndex(list->findText(trimmed, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (list->isEditable()) list->setEditText(stored);
}

bool ListHasText(const QString& text, const QComboBox* list)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i) == text) return true;
    return false;
}

}  // namespace oa
