// Many rows of one insert in few round trips: split under the server's parameter limit, all or nothing.
#include "TestDb.h"

#include "common/db/MultiRowInsert.h"

using namespace oa;
using namespace oa::test;

namespace {

class MultiRowInsertTest : public EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        s().execRaw(QStringLiteral("create table t (id int not null, 名称 varchar(20), score float, "
                                   "a int, b int, c int, d int, e int, f int, g int, h int, k int)"));
    }
    Session& s() { return db->session(); }
    int count() { return s().scalar(QStringLiteral("select count(*) from t")).toInt(); }
    std::unique_ptr<TestDatabase> db;
};

Params row(int id, const QVariant& score)
{
    Params p{{QStringLiteral("id"), id}, {QStringLiteral("名称"), QStringLiteral("学生'%1").arg(id)}, {QStringLiteral("score"), score}};
    for (const char* x : {"a", "b", "c", "d", "e", "f", "g", "h", "k"}) p.append({QString::fromLatin1(x), id});
    return p;
}

const QString kInsert = QStringLiteral(
    "insert into t (id, 名称, score, a, b, c, d, e, f, g, h, k) values (:id, :名称, :score, :a, :b, :c, :d, :e, :f, :g, :h, :k)");

}  // namespace

TEST_P(MultiRowInsertTest, WritesEveryRowWithItsOwnValuesAcrossSeveralStatements)
{
    MultiRowInsert ins(s(), kInsert);
    QList<Params> rows;
    for (int i = 1; i <= 450; ++i) rows << row(i, i % 7 ? QVariant(i + 0.5) : QVariant());  // 5,400 values
    ins.exec(rows);
    ins.exec({row(451, 1.0)});
    EXPECT_EQ(count(), 451);
    EXPECT_EQ(s().scalar(QStringLiteral("select 名称 from t where id=300")).toString(), QStringLiteral("学生'300"));
    EXPECT_DOUBLE_EQ(s().scalar(QStringLiteral("select score from t where id=300")).toDouble(), 300.5);
    EXPECT_TRUE(s().scalar(QStringLiteral("select score from t where id=7")).isNull());
    EXPECT_EQ(s().scalar(QStringLiteral("select sum(k) from t")).toInt(), 451 * 452 / 2);
}

TEST_P(MultiRowInsertTest, ARefusedRowWritesNoneOfItsStatement)
{
    MultiRowInsert ins(s(), kInsert);
    Params refused = row(3, 3.0);
    refused[0].second = QVariant();  // id is not null
    EXPECT_THROW(ins.exec({row(1, 1.0), row(2, 2.0), refused}), DbError);
    EXPECT_EQ(count(), 0);
}

OA_INSTANTIATE_ENGINES(MultiRowInsertTest);
