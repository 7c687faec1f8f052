#pragma once
#include "common/schema/TableLayout.h"

#include <QList>
#include <QPair>
#include <QString>

namespace oa {

// One step of an upgrade script, as read from migrator/scripts/*.txt.
struct UpgradeStep {
    enum Kind { Seed, SeedList, AddColumn, AddColumns, AlterColumn, Create, CreateTrigger, CreateProcedure,
                CreateView, Drop, Sql, Stamp, Message };
    Kind kind = Sql;
    bool trapped = false;
    int group = -1;                          // steps sharing a group trap
    QString target;                          // varset key, table, object name
    QString objectKind;                      // drop: table / procedure / view
    QList<QPair<QString, QString>> values;   // seed and stamp columns
    QList<Column> columns;                   // addcolumn(s), altercolumn
    QString probeColumn;                     // addcolumns
    QString text;                            // sql, message
    int line = 0;
    QString source;                          // the line as written, for progress lists

    QString describe() const;
};

struct UpgradeScript {
    QString name;
    QList<UpgradeStep> steps;
    QString closingMessage() const;

    // Throws std::runtime_error naming the line for a malformed script.
    static UpgradeScript parse(const QString& name, const QString& text);
    // v3, v5, library, newstudent — compiled into the program.
    static UpgradeScript load(const QString& name);
};

}  // namespace oa
