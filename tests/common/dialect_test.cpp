#include "common/db/Dialect.h"
#include "common/db/Session.h"

#include "QtPrinters.h"
#include <gtest/gtest.h>

using namespace oa;

namespace {
struct TranslateCase {
    const char* name;
    const char* in;
    const char* sqlite;
    const char* postgres;
};

const TranslateCase kCases[] = {
    {"server clock", "select GetDate() as FDate", "select datetime('now','localtime') as FDate",
     "select LOCALTIMESTAMP(0) as FDate"},
    {"server clock lower case", "select getdate() as  serverdate", "select datetime('now','localtime') as  serverdate",
     "select LOCALTIMESTAMP(0) as  serverdate"},
    {"isnull", "select isnull(score,0) from stuscore", "select coalesce(score,0) from stuscore",
     "select coalesce(score,0) from stuscore"},
    {"isnull nested", "select isnull(isnull(a,b),'x')", "select coalesce(coalesce(a,b),'x')",
     "select coalesce(coalesce(a,b),'x')"},
    {"top", "select top 20 upname from students order by id desc",
     "select upname from students order by id desc LIMIT 20", "select upname from students order by id desc LIMIT 20"},
    {"top in subquery", "select * from a where id in (select top 1 id from b order by id)",
     "select * from a where id in (select id from b order by id LIMIT 1)",
     "select * from a where id in (select id from b order by id LIMIT 1)"},
    {"datediff seconds", "select datediff(second, 登陆时间, getdate()) from tongxinV5",
     "select CAST(round((julianday(datetime('now','localtime'))-julianday(登陆时间))*86400) AS INTEGER) from tongxinV5",
     "select CAST(EXTRACT(EPOCH FROM ((LOCALTIMESTAMP(0))::timestamp-(登陆时间)::timestamp)) AS INTEGER) from tongxinV5"},
    {"style 20", "select CONVERT(varchar(50), GETDATE(), 20)",
     "select strftime('%Y-%m-%d %H:%M:%S',datetime('now','localtime'))",
     "select to_char(LOCALTIMESTAMP(0),'YYYY-MM-DD HH24:MI:SS')"},
    {"temp table", "select * into #gradestudents from students where years=:years",
     "CREATE TEMP TABLE tmp_gradestudents AS SELECT * FROM students where years=:years",
     "CREATE TEMP TABLE tmp_gradestudents AS SELECT * FROM students where years=:years"},
    {"brackets and dbo", "drop view [dbo].[mark]", "drop view \"mark\"", "drop view \"mark\""},
    {"dbo prefix", "SELECT * FROM dbo.stuscore s", "SELECT * FROM stuscore s", "SELECT * FROM stuscore s"},
    {"literals untouched", "select 'getdate() top 5 [x] #t' as t", "select 'getdate() top 5 [x] #t' as t",
     "select 'getdate() top 5 [x] #t' as t"},
    {"chinese names and params untouched", "select * from students where 是否离校='' and Uname=:姓名",
     "select * from students where 是否离校='' and Uname=:姓名", "select * from students where 是否离校='' and Uname=:姓名"},
};
}  // namespace

class DialectTranslate : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(DialectTranslate, PerEngine)
{
    const auto& c = GetParam();
    EXPECT_EQ(Dialect(Engine::SQLite).translate(QString::fromUtf8(c.in)), QString::fromUtf8(c.sqlite));
    EXPECT_EQ(Dialect(Engine::PostgreSQL).translate(QString::fromUtf8(c.in)), QString::fromUtf8(c.postgres));
    // SQL Server runs the statements as the school has always written them.
    EXPECT_EQ(Dialect(Engine::SqlServer).translate(QString::fromUtf8(c.in)), QString::fromUtf8(c.in));
}

INSTANTIATE_TEST_SUITE_P(Constructs, DialectTranslate, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(DialectDdl, ColumnTypesPerEngine)
{
    struct Case { const char* type; const char* sqlite; const char* pg; } cases[] = {
        {"int", "INTEGER", "integer"},          {"bit", "INTEGER", "smallint"},
        {"float", "REAL", "double precision"},  {"datetime", "DATETIME", "timestamp(3)"},
        {"text", "TEXT", "text"},               {"image", "BLOB", "bytea"},
        {"varchar(50)", "VARCHAR(50)", "varchar(50)"},
    };
    for (const auto& c : cases) {
        Column col{QStringLiteral("x"), QString::fromLatin1(c.type)};
        EXPECT_EQ(Dialect(Engine::SQLite).columnType(col), QString::fromLatin1(c.sqlite)) << c.type;
        EXPECT_EQ(Dialect(Engine::PostgreSQL).columnType(col), QString::fromLatin1(c.pg)) << c.type;
        EXPECT_EQ(Dialect(Engine::SqlServer).columnType(col), QString::fromLatin1(c.type)) << c.type;
    }
}

TEST(DialectDdl, SqlServerTableKeepsCollationAndFilegroups)
{
    const TableLayout t = parseLayout(QStringLiteral("OALumoShow: `id` int identity(1,1) NOT NULL; `Tname` varchar(50); `内容` text"));
    const QString sql = Dialect(Engine::SqlServer).createTable(t);
    EXPECT_TRUE(sql.startsWith(QStringLiteral("CREATE TABLE [dbo].[OALumoShow]")));
    EXPECT_TRUE(sql.contains(QStringLiteral("id int IDENTITY (1, 1) NOT NULL")));
    EXPECT_TRUE(sql.contains(QStringLiteral("Tname varchar(50) COLLATE Chinese_PRC_CI_AS NULL")));
    EXPECT_TRUE(sql.endsWith(QStringLiteral("ON [PRIMARY] TEXTIMAGE_ON [PRIMARY]")));
    EXPECT_TRUE(Dialect(Engine::PostgreSQL).createTable(t).contains(QStringLiteral("GENERATED BY DEFAULT AS IDENTITY")));
    EXPECT_TRUE(Dialect(Engine::SQLite).createTable(t).contains(QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")));
}

TEST(DialectDdl, SqlServerProceduresAndTriggersAreReal)
{
    const Dialect ms(Engine::SqlServer);
    EXPECT_TRUE(ms.createProcedure(QStringLiteral("putstutoscore")).first().contains(QStringLiteral("number not in (select number from stuscore")));
    EXPECT_TRUE(ms.createProcedure(QStringLiteral("ShiShiputstutoscore")).first().contains(QStringLiteral("#gradestudents")));
    EXPECT_TRUE(ms.createTrigger(QStringLiteral("delGongWenfile")).first().contains(QStringLiteral("FOR DELETE")));
    EXPECT_TRUE(ms.incidStatement().contains(QStringLiteral("@id=vid=vid+1")));
    // The other engines have no procedures: the session runs the statements itself.
    EXPECT_TRUE(Dialect(Engine::SQLite).createProcedure(QStringLiteral("putstutoscore")).isEmpty());
    EXPECT_EQ(Dialect(Engine::SqlServer).probeColumns(QStringLiteral("stuscore")), QStringLiteral("SELECT TOP 0 * FROM stuscore"));
}

TEST(Placeholders, RenamedToPositionalOutsideLiterals)
{
    struct Case { const char* in; const char* out; QStringList names; } cases[] = {
        {"select * from KaoShi where 试卷名称=:试卷名称", "select * from KaoShi where 试卷名称=?", {QStringLiteral("试卷名称")}},
        {"insert into t(a,b) values(:a,:b)", "insert into t(a,b) values(?,?)", {QStringLiteral("a"), QStringLiteral("b")}},
        {"select ':notaparam', \":x\", [y:z] from t where a=:a", "select ':notaparam', \":x\", [y:z] from t where a=?", {QStringLiteral("a")}},
        {"select a::text from t where b=:b and c=:b", "select a::text from t where b=? and c=?", {QStringLiteral("b"), QStringLiteral("b")}},
        {"select '20:00' as t, x from y -- :comment\nwhere z=:z", "select '20:00' as t, x from y -- :comment\nwhere z=?", {QStringLiteral("z")}},
        {"select 'it''s :x' where a=:a", "select 'it''s :x' where a=?", {QStringLiteral("a")}},
    };
    for (const auto& c : cases) {
        QStringList names;
        EXPECT_EQ(positionalPlaceholders(QString::fromUtf8(c.in), &names), QString::fromUtf8(c.out)) << c.in;
        EXPECT_EQ(names, c.names) << c.in;
    }
}
