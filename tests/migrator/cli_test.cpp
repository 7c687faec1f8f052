#include "MigratorCli.h"
#include "TestDb.h"
#include "UpgradeEngine.h"
#include "common/config/VarSet.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace oa;
using namespace oa::test;

namespace {
struct CliRun {
    int rc;
    QString out, err;
};
CliRun run(const QStringList& args)
{
    QString o, e;
    QTextStream out(&o), err(&e);
    const int rc = runMigratorCli(QStringList{QStringLiteral("migrator")} + args, out, err);
    out.flush();
    err.flush();
    return {rc, o, e};
}
}  // namespace

TEST(MigratorCli, NoCommandMeansTheWizard)
{
    EXPECT_EQ(run({}).rc, 2);
}

TEST(MigratorCli, CreateThenUpgradeOnSqlite)
{
    QTemporaryDir dir;
    const QString url = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("school.db"));
    const CliRun created = run({QStringLiteral("--database"), url, QStringLiteral("--create")});
    ASSERT_EQ(created.rc, 0) << created.err.toStdString();
    EXPECT_TRUE(created.out.contains(QStringLiteral("升级数据库V3顺利完成！")));

    // Creating over an existing school is refused rather than mixing two schools.
    const CliRun again = run({QStringLiteral("--database"), url, QStringLiteral("--create")});
    EXPECT_EQ(again.rc, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("已经存在")));

    // The default upgrade skips V3 once it has run, and prints each step.
    const CliRun up = run({QStringLiteral("--database"), url, QStringLiteral("--upgrade"), QStringLiteral("--module"), QStringLiteral("图书管理")});
    ASSERT_EQ(up.rc, 0) << up.err.toStdString();
    EXPECT_FALSE(up.out.contains(QStringLiteral("升级数据库V3顺利完成！")));
    EXPECT_TRUE(up.out.contains(QStringLiteral("升级数据库V5顺利完成！")));
    EXPECT_TRUE(up.out.contains(QStringLiteral("图书馆数据库部署完成！")));
    EXPECT_TRUE(up.out.contains(QStringLiteral("[1/")));
}

TEST(MigratorCli, BadInputGivesAClearMessageAndChangesNothing)
{
    QTemporaryDir dir;
    struct Case { QStringList args; const char* expect; } cases[] = {
        {{QStringLiteral("--database"), QStringLiteral("mysql://x/y"), QStringLiteral("--upgrade")}, "格式错误"},
        {{QStringLiteral("--database"), QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("none.db")), QStringLiteral("--upgrade")}, "不存在"},
        {{QStringLiteral("--database"), QStringLiteral("postgresql://zembra:x@127.0.0.1:1/VEZevOZ"), QStringLiteral("--upgrade")}, "连接失败"},
        {{QStringLiteral("--settings"), dir.filePath(QStringLiteral("missing.ini")), QStringLiteral("--upgrade")}, "没有数据库地址"},
    };
    for (const auto& c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.rc, 1) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.expect))) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.db"))));
}

TEST(MigratorCli, WrongKeyInTheSettingsFileIsNamed)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zembraWebOA.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[Server]\nOADataServer=sqlite:%1\npassword=5CZZ\n").arg(dir.filePath(QStringLiteral("s.db"))).toUtf8());
    f.close();
    const CliRun r = run({QStringLiteral("--settings"), ini, QStringLiteral("--create")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("密匙错误"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("s.db"))));
}

TEST(MigratorCli, UntrappedFailureExitsNonZeroWithoutStamp)
{
    TestDatabase db(Engine::SQLite);
    UpgradeEngine::createBaseTables(db.session());
    db.session().execRaw(QStringLiteral("DROP TABLE zuoyebuzhiFile"));
    const CliRun r = run({QStringLiteral("--database"), db.url().display(), QStringLiteral("--upgrade"), QStringLiteral("--v3")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("升级停止")));
    EXPECT_EQ(VarSet::value(db.session(), QStringLiteral("OA系统的数据库版本")), QString());
}
