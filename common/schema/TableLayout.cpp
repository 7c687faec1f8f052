#include "common/schema/TableLayout.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

static void initSchemaResources() { Q_INIT_RESOURCE(schema); }

namespace oa {

const Column* TableLayout::column(const QString& n) const
{
    for (const Column& c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

Column parseColumn(const QString& text, QString* error)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*`?([^`\s]+)`?\s+([A-Za-z]+(?:\s*\(\s*\d+\s*\))?)\s*(.*)$)"));
    Column c;
    const auto m = re.match(text);
    if (!m.hasMatch()) {
        if (error) *error = QStringLiteral("bad column: ") + text;
        return c;
    }
    c.name = m.captured(1);
    c.type = m.captured(2).toLower().remove(QLatin1Char(' '));
    QString rest = m.captured(3).trimmed();
    static const QRegularExpression ident(QStringLiteral(R"(identity\s*\(\s*1\s*,\s*1\s*\))"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (rest.contains(ident)) {
        c.identity = true;
        c.notNull = true;
        rest.remove(ident);
    }
    static const QRegularExpression nn(QStringLiteral(R"(\bnot\s+null\b)"), QRegularExpression::CaseInsensitiveOption);
    if (rest.contains(nn)) {
        c.notNull = true;
        rest.remove(nn);
    }
    static const QRegularExpression def(QStringLiteral(R"(\bdefault\s+(\S+))"), QRegularExpression::CaseInsensitiveOption);
    const auto dm = def.match(rest);
    if (dm.hasMatch()) {
        c.defaultSql = dm.captured(1);
        rest.remove(def);
    }
    if (!rest.trimmed().isEmpty() && error) *error = QStringLiteral("unknown column option: ") + rest;
    return c;
}

TableLayout parseLayout(const QString& line, QString* error)
{
    TableLayout t;
    const int colon = line.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        if (error) *error = QStringLiteral("bad layout: ") + line;
        return t;
    }
    t.name = line.left(colon).trimmed().remove(QLatin1Char('`'));
    const QStringList parts = line.mid(colon + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& p : parts) {
        if (p.trimmed().isEmpty()) continue;
        QString err;
        Column c = parseColumn(p, &err);
        if (!err.isEmpty()) {
            if (error) *error = t.name + QStringLiteral(": ") + err;
            return {};
        }
        t.columns.append(c);
    }
    return t;
}

namespace {
QList<TableLayout> loadFile(const QString& resource, QStringList* views = nullptr)
{
    QList<TableLayout> out;
    QFile f(resource);
    if (!f.open(QIODevice::ReadOnly)) qFatal("missing schema resource %s", qPrintable(resource));
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1String("view "))) {
            if (views) views->append(line.mid(5).trimmed());
            continue;
        }
        QString err;
        TableLayout t = parseLayout(line, &err);
        if (!err.isEmpty()) qFatal("schema resource %s: %s", qPrintable(resource), qPrintable(err));
        out.append(t);
    }
    return out;
}
}  // namespace

Layouts::Layouts()
{
    initSchemaResources();
    base_ = loadFile(QStringLiteral(":/schema/base_tables.txt"), &baseViews_);
    upgrade_ = loadFile(QStringLiteral(":/schema/upgrade_tables.txt"));
}

const Layouts& Layouts::instance()
{
    static const Layouts layouts;
    return layouts;
}

TableLayout Layouts::find(const QString& table) const
{
    for (const auto* list : {&upgrade_, &base_})
        for (const TableLayout& t : *list)
            if (t.name.compare(table, Qt::CaseInsensitive) == 0) return t;
    return {};
}

}  // namespace oa
