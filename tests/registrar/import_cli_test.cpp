// The headless import: the same load, check and save as the windows, printed, with an exit status a script
// can test.
#include "import_support.h"

#include "registrar/imports/ImportCli.h"
#include "tools/samples/SampleSheets.h"

using namespace oa;
using namespace oa::import_test;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class ImportCliTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<oa::test::SchoolDatabase>(GetParam());
        fillLists(s());
        const ConnectionUrl url = db->url();
        database = url.engine == Engine::SQLite ? u("sqlite:") + url.path
                                                : oa::test::pgUrl() + u("?schema=") + url.schema;
        writeSampleSheets(dir.path());
    }
    Session& s() { return db->session(); }
    QString sample(const char* id) const { return dir.filePath(QString::fromUtf8(id) + u(".xlsx")); }

    int run(QStringList args)
    {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        args.prepend(u("registrar"));
        const int rc = runImportCli(args, o, e);
        o.flush();
        e.flush();
        return rc;
    }
    QStringList outLines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

    std::unique_ptr<oa::test::SchoolDatabase> db;
    QTemporaryDir dir;
    QString database;
    QString out, err;
};

}  // namespace

TEST_P(ImportCliTest, RosterThenScoresAreCheckedAndSaved)
{
    EXPECT_TRUE(isImportCommand({u("registrar"), u("--import"), u("roster")}));
    EXPECT_FALSE(isImportCommand({u("registrar"), u("--database"), u("x")}));

    EXPECT_EQ(run({u("--database"), database, u("--import"), u("roster"), u("--year"), kYear, sample("roster")}), 0) << err.toStdString();
    EXPECT_EQ(outLines(), (QStringList{u("一共6条记录，读完数据"), u("文件检查结果"), u("一共6条记录，数据检查完毕,发现  0个数据有问题")}));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students")), 0) << "without --save nothing is written";

    EXPECT_EQ(run({u("--database"), database, u("--import"), u("roster"), u("--year"), kYear, u("--save"), sample("roster")}), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(u("你确定导入新数据吗吗？？？ [是]")));
    EXPECT_TRUE(out.contains(u("6行  刘思琪 导入成功")));
    EXPECT_TRUE(out.contains(u("一共6条记录，数据已经成功导入到数据库")));
    EXPECT_TRUE(outLines().last().startsWith(u("批次：文件:roster.xlsx")));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students where Years=:y"), {{QStringLiteral("y"), kYear}}), 6);

    const QStringList scoreArgs = {u("--database"), database, u("--import"), u("b"), u("--grade"), u("初一级"), u("--year"), kYear,
                                   u("--exam"), u("期末考试"), u("--save"), sample("score-b")};
    EXPECT_EQ(run(scoreArgs), 0) << err.toStdString();
    EXPECT_TRUE(out.contains(u("一共6条记录，数据已经成功导入到数据库")));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore where TestName='期末考试'")), 18);

    // Again: every score is there already; the check fails and nothing is saved.
    EXPECT_EQ(run(scoreArgs), 1);
    EXPECT_TRUE(out.contains(u("成绩:   1陈嘉怡9688.5语文 已经存在了"))) << out.toStdString();
    EXPECT_TRUE(out.contains(u("一共6条记录，数据检查完毕,发现  18个数据有问题,请处理")));
    EXPECT_FALSE(out.contains(u("数据已经成功导入到数据库")));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 18);
}

TEST_P(ImportCliTest, WrongArgumentsAndFilesAreRefused)
{
    struct Case {
        QStringList args;
        int rc;
        QString err;
    };
    const QString roster = sample("roster");
    const QList<Case> cases = {
        {{u("--import"), u("G"), u("--year"), kYear, roster}, 2, u("--import 必须是")},
        {{u("--import"), u("roster"), roster}, 2, u("需要 --year")},
        {{u("--import"), u("roster"), u("--year"), kYear}, 2, u("需要一个表格文件")},
        {{u("--import"), u("B"), u("--year"), kYear, roster}, 2, u("需要 --grade")},
        {{u("--import"), u("D"), u("--year"), kYear, u("--skip-name"), roster}, 2, u("没有“不检查【姓名】字段”")},
        {{u("--import"), u("roster"), u("--year"), u("1999-2000"), roster}, 2, u("学年度“1999-2000”不在系统列表中")},
        {{u("--import"), u("A"), u("--year"), kYear, u("--exam"), u("补考"), roster}, 2, u("考试名称“补考”不在系统列表中")},
        {{u("--import"), u("roster"), u("--year"), kYear, oa::test::fixture(u("imports/corrupt.xlsx"))}, 2, u("corrupt.xlsx")},
        {{u("--import"), u("A"), u("--year"), kYear, roster}, 1, u("学籍号   不是系统设定的  科目")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(run(QStringList{u("--database"), database} + c.args), c.rc);
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
    }
    EXPECT_EQ(run({u("--database"), u("sqlite:") + dir.filePath(u("none.db")), u("--import"), u("roster"), u("--year"), kYear, roster}), 2);
    EXPECT_TRUE(err.contains(u("数据库文件不存在")));
}

TEST_P(ImportCliTest, AFailedSaveExitsWithThree)
{
    EXPECT_EQ(run({u("--database"), database, u("--import"), u("roster"), u("--year"), kYear, u("--save"), sample("roster")}), 0);
    // A sheet whose second student has a score that is not a number: the check passes, the save stops there.
    const QString path = writeCsv(dir, u("坏成绩.csv"), {{u("学籍号"), u("语文")},
                                                        {sampleStudents()[0].tongyibianhao, u("90")},
                                                        {sampleStudents()[1].tongyibianhao, u("九十")}});
    EXPECT_EQ(run({u("--database"), database, u("--import"), u("D"), u("--year"), kYear, u("--save"), path}), 3);
    EXPECT_TRUE(err.contains(u("表格第3行保存失败"))) << err.toStdString();
    EXPECT_TRUE(out.contains(u("2行陈嘉怡成功")));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 1);
}

OA_INSTANTIATE_ENGINES(ImportCliTest);
