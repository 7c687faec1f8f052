#include "TestDb.h"
#include "UpgradeEngine.h"
#include "common/config/VarSet.h"

#include <QSqlField>
#include <gtest/gtest.h>

using namespace oa;
using namespace oa::test;

namespace {
// Tables and their columns, and every varset row: what an upgrade may change.
struct Snapshot {
    QMap<QString, QStringList> columns;
    QStringList varset;
    bool operator==(const Snapshot& o) const { return columns == o.columns && varset == o.varset; }
};

Snapshot snapshot(Session& s)
{
    Snapshot snap;
    for (const QString& t : s.userTables()) {
        QStringList c = s.columns(t);
        for (QString& x : c) x = x.toLower();
        snap.columns.insert(t.toLower(), c);
    }
    for (const QSqlRecord& r : s.rows(QStringLiteral("select name,vid,vname,vname1,vname2,shuoming from varset"))) {
        QStringList f;
        for (int i = 0; i < r.count(); ++i) f << fieldText(r.value(i));
        snap.varset << f.join(QLatin1Char('|'));
    }
    snap.varset.sort();
    return snap;
}

QStringList missingFrom(const QStringList& want, const QStringList& have)
{
    QStringList out;
    for (const QString& w : want)
        if (!have.contains(w, Qt::CaseInsensitive)) out << w;
    return out;
}
}  // namespace

class UpgradeTest : public EngineTest {};

TEST_P(UpgradeTest, NewSchoolHasTheWholeSchemaAndStamps)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    const QStringList tables = s.userTables();
    QStringList expected;
    for (const TableLayout& t : Layouts::instance().base()) expected << t.name;
    // The module scripts' tables come only with their modules; the legacy message tables are dropped again.
    QStringList notExpected{QStringLiteral("tongxinJiLu"), QStringLiteral("tongxinJiLuSee"), QStringLiteral("tongxin")};
    for (const char* module : {"library", "newstudent"})
        for (const UpgradeStep& st : UpgradeScript::load(QString::fromLatin1(module)).steps)
            if (st.kind == UpgradeStep::Create) notExpected << st.target;
    for (const TableLayout& t : Layouts::instance().upgrade())
        if (!notExpected.contains(t.name, Qt::CaseInsensitive)) expected << t.name;
    EXPECT_EQ(missingFrom(expected, tables), QStringList());
    for (const QString& legacy : {QStringLiteral("tongxinJiLu"), QStringLiteral("tongxinJiLuSee")})
        EXPECT_FALSE(tables.contains(legacy, Qt::CaseInsensitive)) << legacy.toStdString();

    // Columns that only the upgrade adds.
    EXPECT_EQ(missingFrom({QStringLiteral("vname1"), QStringLiteral("vname2")}, s.columns(QStringLiteral("varset"))), QStringList());
    EXPECT_EQ(missingFrom({QStringLiteral("kaohao"), QStringLiteral("专业代码"), QStringLiteral("宿舍楼名称"), QStringLiteral("床位号")},
                          s.columns(QStringLiteral("students"))), QStringList());
    EXPECT_EQ(missingFrom({QStringLiteral("loginType"), QStringLiteral("loginResult"), QStringLiteral("loginDatetime")},
                          s.columns(QStringLiteral("logindata"))), QStringList());
    EXPECT_EQ(missingFrom({QStringLiteral("教导处审批人"), QStringLiteral("审批结果")}, s.columns(QStringLiteral("KaoQinQingJia"))), QStringList());

    EXPECT_EQ(VarSet::value(s, QStringLiteral("Version")), QStringLiteral("5.0x"));
    EXPECT_EQ(VarSet::value(s, QStringLiteral("Version"), QStringLiteral("vname1")), QStringLiteral("数据库V3"));
    EXPECT_EQ(VarSet::value(s, QStringLiteral("OA系统的数据库版本")), QStringLiteral("5.16"));
    EXPECT_EQ(VarSet::value(s, QStringLiteral("AllID"), QStringLiteral("vid")), QStringLiteral("10000000"));
    EXPECT_EQ(VarSet::list(s, QStringLiteral("职称")).size(), 8);
    EXPECT_EQ(VarSet::list(s, QStringLiteral("岗位级别")).size(), 12);
    // The sweep stamp is the server time in style 20.
    const QString stamp = VarSet::value(s, QStringLiteral("Lantern客户更新时间"));
    EXPECT_EQ(stamp.size(), 19);
    EXPECT_TRUE(QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd hh:mm:ss")).isValid()) << stamp.toStdString();
    // The view sums a subject group.
    EXPECT_NO_THROW(s.rows(QStringLiteral("select * from mark")));
}

TEST_P(UpgradeTest, RerunAddsOnlyMissingRowsAndTheStamp)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    s.incid(QStringLiteral("AllID"));        // counters move on between upgrades; a rerun must not reset them
    const Snapshot before = snapshot(s);
    s.exec(QStringLiteral("delete from varset where name='职称' and vname='其他'"));
    s.exec(QStringLiteral("update varset set vname='5.0' where name='Version'"));
    UpgradeEngine e(s);
    e.run(UpgradeScript::load(QStringLiteral("v3")));
    e.run(UpgradeScript::load(QStringLiteral("v5")));
    e.stampRelease();
    const Snapshot after = snapshot(s);
    EXPECT_EQ(after.columns, before.columns);
    EXPECT_EQ(after.varset, before.varset);
}

TEST_P(UpgradeTest, UntrappedFailureStopsWithTheDatabaseErrorAndNoStamp)
{
    TestDatabase db(GetParam());
    Session& s = db.session();
    UpgradeEngine::createBaseTables(s);
    s.execRaw(QStringLiteral("DROP TABLE zuoyebuzhiFile"));
    UpgradeEngine e(s);
    QStringList seen;
    e.setProgress([&](int, int, const UpgradeStep& st, const StepOutcome&) { seen << st.describe(); });
    try {
        e.run(UpgradeScript::load(QStringLiteral("v3")));
        FAIL() << "the upgrade went on without zuoyebuzhiFile";
    } catch (const UpgradeError& err) {
        EXPECT_TRUE(err.step().contains(QStringLiteral("zuoyebuzhiFile"), Qt::CaseInsensitive)) << err.step().toStdString();
        EXPECT_TRUE(err.message().contains(QStringLiteral("zuoyebuzhifile"), Qt::CaseInsensitive)) << err.message().toStdString();
    }
    EXPECT_NE(VarSet::value(s, QStringLiteral("Version"), QStringLiteral("vname1")), QStringLiteral("数据库V3"));
    EXPECT_FALSE(seen.isEmpty());
    // Steps after the failure did not run.
    EXPECT_FALSE(s.tableExists(QStringLiteral("tongxinMeg")));
}

TEST_P(UpgradeTest, GroupsWithoutIdGet100AndCountersAreSeededOnce)
{
    TestDatabase db(GetParam());
    Session& s = db.session();
    UpgradeEngine::createBaseTables(s);
    s.exec(QStringLiteral("insert into teachergroup(owner,groupname,tname) values('admin','行政','陈国华')"));
    UpgradeEngine e(s);
    e.run(UpgradeScript::load(QStringLiteral("v3")));
    EXPECT_EQ(s.scalar(QStringLiteral("select GroupID from teacherGroup")).toInt(), 100);
    s.exec(QStringLiteral("update varset set vid=777 where name='imgID'"));
    e.run(UpgradeScript::load(QStringLiteral("v3")));
    EXPECT_EQ(VarSet::value(s, QStringLiteral("imgID"), QStringLiteral("vid")), QStringLiteral("777"));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from varset where name='imgID'")).toInt(), 1);
}

TEST_P(UpgradeTest, ModuleScriptsTwiceCreateNothingNewAndSayDone)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    UpgradeEngine e(s);
    EXPECT_EQ(e.run(UpgradeScript::load(QStringLiteral("library"))), QStringLiteral("图书馆数据库部署完成！"));
    const Snapshot once = snapshot(s);
    EXPECT_EQ(e.run(UpgradeScript::load(QStringLiteral("library"))), QStringLiteral("图书馆数据库部署完成！"));
    EXPECT_EQ(snapshot(s), once);
    EXPECT_TRUE(s.tableExists(QStringLiteral("TuShuJieHuan")));
    EXPECT_EQ(e.run(UpgradeScript::load(QStringLiteral("newstudent"))), QStringLiteral("升级数据库【新生报名】顺利完成！"));
    EXPECT_TRUE(s.tableExists(QStringLiteral("stuBaoMing")));
}

TEST_P(UpgradeTest, TriggersKeepWorkLogsAndDocumentsConsistent)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    s.exec(QStringLiteral("insert into Teachers(Tno,tname,TPassWord,powdergroup,show) values('1','乙老师','1','g',1),('2','甲老师','2','g',1),('3','内置','3','g',0)"));
    s.exec(QStringLiteral("insert into GongZuoRiZhi(RiZhitype,title,Tname) values('日志','今天','甲老师')"));
    const auto seen = s.rows(QStringLiteral("select fid,tname,Havesee from GongZuoRiZhiSee order by tname"));
    ASSERT_EQ(seen.size(), 2);   // visible staff only
    const int logId = s.scalar(QStringLiteral("select id from GongZuoRiZhi")).toInt();
    for (const QSqlRecord& r : seen) {
        EXPECT_EQ(r.value(0).toInt(), logId);
        EXPECT_EQ(r.value(2).toString(), QStringLiteral("未查阅"));
    }

    s.exec(QStringLiteral("insert into GongWen(id,标题) values(7,'公文'),(8,'另一份')"));
    s.exec(QStringLiteral("insert into GongWenFile(fID,FileName) values(7,'a.doc'),(8,'b.doc')"));
    s.exec(QStringLiteral("insert into GongWenSee(fid,处理人) values(7,'甲老师'),(8,'乙老师')"));
    s.exec(QStringLiteral("delete from GongWen where id=7"));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from GongWenFile")).toInt(), 1);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from GongWenSee where fid=7")).toInt(), 0);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from GongWenSee where fid=8")).toInt(), 1);
}

TEST_P(UpgradeTest, ScoreRowProcedures)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    const QString ins = QStringLiteral(
        "insert into students(Years,grade,class,Number,Uname,sex,jifen,是否离校,shishihao,zuoweihao,tongyibianhao) "
        "values('2026-2027','初一级',:class,:number,:uname,'男','是',:left,:room,:seat,:tyb)");
    struct Kid { const char* cls; int number; const char* name; const char* left; const char* room; int seat; };
    const Kid kids[] = {{"01班", 1, "甲", "", "第01试室", 1}, {"01班", 2, "乙", "", "第01试室", 2},
                        {"01班", 3, "丙", "是", "第01试室", 3}, {"02班", 1, "丁", "", "第02试室", 1}};
    for (const auto& k : kids)
        s.exec(ins, {{QStringLiteral("class"), QString::fromUtf8(k.cls)}, {QStringLiteral("number"), k.number},
                     {QStringLiteral("uname"), QString::fromUtf8(k.name)}, {QStringLiteral("left"), QString::fromUtf8(k.left, int(strlen(k.left)))},
                     {QStringLiteral("room"), QString::fromUtf8(k.room)}, {QStringLiteral("seat"), k.seat},
                     {QStringLiteral("tyb"), QStringLiteral("T%1").arg(k.number)}});
    s.putstutoscore(QStringLiteral("2026-2027"), QStringLiteral("初一级"), QStringLiteral("01班"), QStringLiteral("语文"), QStringLiteral("期中考试"));
    s.putstutoscore(QStringLiteral("2026-2027"), QStringLiteral("初一级"), QStringLiteral("01班"), QStringLiteral("语文"), QStringLiteral("期中考试"));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from stuscore")).toInt(), 2);   // 丙 has left; no second rows
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from stuscore where score is null and jifen='是' and tongyibianhao='T1'")).toInt(), 1);

    // A room: 甲 already has a row for this exam and subject, 乙 gets one.
    s.shiShiPutstutoscore(QStringLiteral("2026-2027"), QStringLiteral("初一级"), QStringLiteral("第01试室"), QStringLiteral("数学"), QStringLiteral("期中考试"));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from stuscore where subject='数学'")).toInt(), 2);
    s.exec(QStringLiteral("delete from stuscore where subject='数学' and Uname='乙'"));
    s.shiShiPutstutoscore(QStringLiteral("2026-2027"), QStringLiteral("初一级"), QStringLiteral("第01试室"), QStringLiteral("数学"), QStringLiteral("期中考试"));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from stuscore where subject='数学'")).toInt(), 2);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from stuscore where subject='数学' and Uname='乙'")).toInt(), 1);
    // Another room's students are not touched.
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from stuscore where Uname='丁'")).toInt(), 0);
}

TEST_P(UpgradeTest, PresenceGapQuery)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    const QString gap = QStringLiteral(
        "SELECT MIN(a.id) + 1 AS newID  FROM tongxinV5 a LEFT OUTER JOIN        tongxinV5  b ON a.id = b.id - 1     WHERE (b.id IS NULL)");
    // The lowest free id: the gap query, and 1 when no row holds id 1.
    auto next = [&]() {
        if (s.rows(QStringLiteral("select id from tongxinV5 where id=1")).isEmpty()) return 1;
        return s.scalar(gap).toInt();
    };
    struct Case { QList<int> ids; int next; } cases[] = {{{1, 2, 4}, 3}, {{}, 1}, {{2, 3}, 1}, {{1, 2, 3}, 4}};
    for (const auto& c : cases) {
        s.exec(QStringLiteral("delete from tongxinV5"));
        for (int id : c.ids)
            s.exec(QStringLiteral("insert into tongxinV5(id,Tname,状态) values(:id,:t,'3')"), {{QStringLiteral("id"), id}, {QStringLiteral("t"), QStringLiteral("老师%1").arg(id)}});
        EXPECT_EQ(next(), c.next);
    }
}

OA_INSTANTIATE_ENGINES(UpgradeTest);

TEST(UpgradeScripts, AllParseAndNameKnownTables)
{
    for (const char* name : {"v3", "v5", "library", "newstudent"}) {
        const UpgradeScript s = UpgradeScript::load(QString::fromLatin1(name));
        EXPECT_FALSE(s.steps.isEmpty()) << name;
        EXPECT_FALSE(s.closingMessage().isEmpty()) << name;
    }
    EXPECT_EQ(UpgradeScript::load(QStringLiteral("v3")).closingMessage(), QStringLiteral("升级数据库V3顺利完成！"));
    EXPECT_EQ(UpgradeScript::load(QStringLiteral("v5")).closingMessage(), QStringLiteral("升级数据库V5顺利完成！"));
}

TEST(UpgradeScripts, MalformedLinesNameTheLine)
{
    struct Case { const char* text; const char* where; } cases[] = {
        {"seed 职称\nfrobnicate x\n", "t:2"},
        {"create NoSuchTable\n", "t:1"},
        {"seed x | vid=1\ngroup {\nsql delete from varset\n", "t:2"},
        {"}\n", "t:1"},
        {"addcolumn students\n", "t:1"},
        {"seed key | novalue\n", "t:1"},
    };
    for (const auto& c : cases) {
        try {
            UpgradeScript::parse(QStringLiteral("t"), QString::fromUtf8(c.text));
            ADD_FAILURE() << c.text;
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(QString::fromLatin1(c.where))) << e.what();
        }
    }
}

TEST(UpgradeScripts, StepsCarryTrapsAndGroups)
{
    const UpgradeScript s = UpgradeScript::parse(QStringLiteral("t"), QStringLiteral(
        "seedlist 职称 | vid=1 | vname=小学二级教师\n"
        "t addcolumn bbszhuti noname varchar(15)\n"
        "group {\n"
        "addcolumn students 专业代码 varchar(50) DEFAULT ''\n"
        "sql UPDATE students  SET 专业代码=''  WHERE 专业代码 IS NULL \n"
        "}\n"
        "drop table tongxin\n"
        "message 完成\n"));
    ASSERT_EQ(s.steps.size(), 6);
    EXPECT_EQ(s.steps[0].kind, UpgradeStep::SeedList);
    EXPECT_FALSE(s.steps[0].trapped);
    EXPECT_TRUE(s.steps[1].trapped);
    EXPECT_EQ(s.steps[2].group, s.steps[3].group);
    EXPECT_GE(s.steps[2].group, 0);
    EXPECT_EQ(s.steps[2].columns.first().defaultSql, QStringLiteral("''"));
    EXPECT_TRUE(s.steps[4].trapped);   // drops are always trapped
    EXPECT_EQ(s.closingMessage(), QStringLiteral("完成"));
}

// The per-row lookups of imports and score entry rely on these; a trapped step must not lose them quietly.
TEST_P(UpgradeTest, NewSchoolHasTheLookupIndexes)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    const QString sql = GetParam() == Engine::SQLite
        ? QStringLiteral("select count(*) from sqlite_master where type='index' and lower(name)=:n")
        : QStringLiteral("select count(*) from pg_indexes where indexname=:n and schemaname=current_schema()");
    for (const char* name : {"ix_students_class", "ix_students_tongyibianhao", "ix_students_kaohao", "ix_stuscore_student",
                             "ix_tongxinmeg_receiver"})
        EXPECT_EQ(s.scalar(sql, {{QStringLiteral("n"), QString::fromLatin1(name)}}).toInt(), 1) << name;
}
