#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace oa {

// One column as the school database's own scripts write it, in T-SQL terms ("varchar(50)", "int",
// "datetime", "image"); the Dialect turns it into each engine's type.
struct Column {
    QString name;
    QString type;              // lower-case base type with width, e.g. "varchar(50)"
    bool notNull = false;
    bool identity = false;     // int IDENTITY(1,1)
    QString defaultSql;        // e.g. "''"; empty when none
};

struct TableLayout {
    QString name;
    QList<Column> columns;
    bool isEmpty() const { return name.isEmpty(); }
    const Column* column(const QString& name) const;
};

// Parses one layout line: "Table: `col` type [identity(1,1)] [NOT NULL] [DEFAULT x]; ..." (backticks optional).
TableLayout parseLayout(const QString& line, QString* error = nullptr);
Column parseColumn(const QString& text, QString* error = nullptr);

// Every layout the programs create, read from the layout files compiled into the program.
// "base" are the tables a school database has before any upgrade; "upgrade" those the upgrade scripts create.
class Layouts {
public:
    static const Layouts& instance();
    TableLayout find(const QString& table) const;        // case-insensitive; empty when unknown
    const QList<TableLayout>& base() const { return base_; }
    const QList<TableLayout>& upgrade() const { return upgrade_; }
    const QStringList& baseViews() const { return baseViews_; }

private:
    Layouts();
    QList<TableLayout> base_;
    QList<TableLayout> upgrade_;
    QStringList baseViews_;
};

}  // namespace oa
