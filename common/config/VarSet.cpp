#include "common/config/VarSet.h"

namespace oa::VarSet {

QList<QSqlRecord> rows(Session& s, const QString& key)
{
    return s.rows(QStringLiteral("select * from varset where name=:name order by vid"), {{QStringLiteral("name"), key}});
}

QString value(Session& s, const QString& key, const QString& column)
{
    const auto r = rows(s, key);
    if (r.isEmpty()) return {};
    const int i = r.first().indexOf(column);
    return i < 0 ? QString() : fieldText(r.first().value(i));
}

QStringList list(Session& s, const QString& key)
{
    QStringList out;
    for (const QSqlRecord& r : rows(s, key)) out << fieldText(r.value(QStringLiteral("vname")));
    return out;
}

bool moduleOn(Session& s, const QString& module)
{
    const auto r = s.rows(QStringLiteral("select *  from varset   where  name='选用系统模块' and vname=:vname"),
                          {{QStringLiteral("vname"), module}});
    if (r.isEmpty()) return true;
    return fieldText(r.first().value(QStringLiteral("vname1"))) != QStringLiteral("不使用");
}

}  // namespace oa::VarSet
