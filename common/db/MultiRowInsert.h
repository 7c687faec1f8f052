#pragma once
#include "common/db/Session.h"

#include <QMap>
#include <memory>

namespace oa {

// Sends several rows of one "insert into T (…) values (:a, :b, …)" statement in one round trip:
// "values (…), (…), …", one prepared statement per number of rows. Each row binds the statement's own
// parameter names. All rows are written or, when the database refuses one, none.
class MultiRowInsert {
public:
    MultiRowInsert(Session& s, const QString& insertSql);
    ~MultiRowInsert();
    void exec(const QList<Params>& rows);  // throws DbError

private:
    Statement& statementFor(int rows);
    Session& s_;
    QString head_, tuple_;
    QStringList names_;
    QMap<int, std::shared_ptr<Statement>> statements_;
};

}  // namespace oa
