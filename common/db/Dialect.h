#pragma once
#include "common/db/Engine.h"
#include "common/schema/TableLayout.h"

#include <QString>
#include <QStringList>

namespace oa {

// The few places where the three engines differ. Statements are written once, in the school database's own
// T-SQL, and translate() rewrites only this closed list of constructs:
//   GetDate()                      server clock
//   isnull(a, b)                   first non-null
//   select top N …                 row limit
//   datediff(second, a, b)         seconds between two times
//   convert(varchar(n), x, 20)     date-time as yyyy-mm-dd hh:mi:ss text
//   #name, select … into #name     temporary tables
//   [name], dbo.name               quoted and schema-qualified names
// Everything else — identifiers, Chinese column names, parameters — passes through untouched.
class Dialect {
public:
    explicit Dialect(Engine e) : engine_(e) {}
    Engine engine() const { return engine_; }

    QString translate(const QString& sql) const;

    QString columnType(const Column& c) const;              // "varchar(50)" -> this engine's type
    QString columnDefinition(const Column& c) const;        // name, type, identity, null, default
    QString createTable(const TableLayout& t) const;
    QString addColumns(const QString& table, const QList<Column>& cols) const;
    QStringList alterColumnType(const QString& table, const Column& c) const;

    // A statement that returns the table's columns and no rows: probes never read a table.
    QString probeColumns(const QString& table) const;
    QString userTablesQuery() const;                        // one column: table name
    QString serverNowQuery() const;                         // one row, column FDate

    QStringList createTrigger(const QString& name) const;   // GongZuoRiZhiInsert, delGongWenfile
    QStringList dropObject(const QString& kind, const QString& name) const;  // table, view, procedure, trigger
    // Stored procedures exist only on SQL Server; elsewhere the Session runs the same statements itself.
    QStringList createProcedure(const QString& name) const;
    QString createView(const QString& name, const QString& tsqlBody) const;

    // Counter: one statement that advances the counter named :name and returns its new value.
    QString incidStatement() const;

private:
    Engine engine_;
};

// The procedure texts the school database has always had; the view text likewise.
QString putstutoscoreSql();          // INSERT … SELECT with :years :grade :class :subject :testname
QString shiShiputstutoscoreSql();    // the same for one exam room, :shishihao instead of :class
QString markViewSql();               // CREATE VIEW dbo.mark AS …

}  // namespace oa
