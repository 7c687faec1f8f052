#include "common/db/MultiRowInsert.h"

#include <QRegularExpression>

namespace oa {

namespace {

// SQL Server takes at most 1,000 rows and 2,100 parameters in one statement.
constexpr int kMaxParameters = 2000;
constexpr int kMaxRows = 1000;

}  // namespace

MultiRowInsert::MultiRowInsert(Session& s, const QString& insertSql) : s_(s)
{
    const qsizetype at = insertSql.lastIndexOf(QLatin1String("values"), -1, Qt::CaseInsensitive);
    if (at < 0) throw DbError(QStringLiteral("not an insert with values: ") + insertSql);
    head_ = insertSql.left(at + 6);
    tuple_ = insertSql.mid(at + 6).trimmed();
    static const QRegularExpression param(QStringLiteral(":([\\w\\x{4e00}-\\x{9fff}]+)"));
    for (auto m = param.globalMatch(tuple_); m.hasNext();) names_ << m.next().captured(1);
}

MultiRowInsert::~MultiRowInsert() = default;

Statement& MultiRowInsert::statementFor(int rows)
{
    auto it = statements_.find(rows);
    if (it != statements_.end()) return **it;
    QStringList tuples;
    static const QRegularExpression param(QStringLiteral(":([\\w\\x{4e00}-\\x{9fff}]+)"));
    for (int i = 0; i < rows; ++i) {
        QString t = tuple_;
        t.replace(param, QStringLiteral(":\\1_") + QString::number(i));
        tuples << t;
    }
    auto st = std::make_shared<Statement>(s_, head_ + QLatin1Char(' ') + tuples.join(QLatin1Char(',')));
    statements_.insert(rows, st);
    return *st;
}

void MultiRowInsert::exec(const QList<Params>& rows)
{
    const int perStatement = std::max(1, std::min<int>(kMaxRows, kMaxParameters / std::max<int>(1, names_.size())));
    for (qsizetype from = 0; from < rows.size(); from += perStatement) {
        const int n = int(std::min<qsizetype>(perStatement, rows.size() - from));
        Statement& st = statementFor(n);
        for (int i = 0; i < n; ++i)
            for (const auto& p : rows[from + i]) st.bind(p.first + QLatin1Char('_') + QString::number(i), p.second);
        st.exec();
    }
}

}  // namespace oa
