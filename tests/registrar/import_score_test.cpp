// The six score imports through the service: headers, lookups, the duplicate-score test, what each saved
// score row receives, the save's gate and the review tab, on every engine.
#include "import_support.h"

#include "registrar/imports/ImportText.h"
#include "registrar/imports/ScoreImport.h"

using namespace oa;
using namespace oa::import_test;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// The key cells of one student in a layout.
QStringList keys(ScoreLayout l, const Kid& k)
{
    switch (l) {
    case ScoreLayout::A: return {k.grade, k.cls, QString::number(k.number), k.name};
    case ScoreLayout::B: return {QString::number(k.number), k.name};
    case ScoreLayout::C: return {k.tyb, k.name};
    case ScoreLayout::D: return {k.tyb};
    case ScoreLayout::E: return {k.grade, k.kaohao, k.name};
    case ScoreLayout::F: return {k.grade, k.cls, k.name};
    }
    return {};
}

class ScoreImportTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<oa::test::SchoolDatabase>(GetParam());
        fillLists(s());
        for (const Kid& k : kids()) addStudent(s(), k);
    }
    Session& s() { return db->session(); }

    ScoreImport& tab(ScoreLayout l)
    {
        svc = std::make_unique<ScoreImport>(s(), prompter, clock, l);
        svc->setObserver(&obs);
        if (l == ScoreLayout::B) svc->setGrade(u("初一级"));
        return *svc;
    }
    // A sheet of the layout: its header with the given subjects, then one row per student with the scores.
    QList<QStringList> sheet(ScoreLayout l, const QList<Kid>& who, const QStringList& subjects = {u("语文"), u("数学")},
                             const QList<QStringList>& scores = {})
    {
        QList<QStringList> rows{scoreLayoutInfo(l).headers + subjects};
        for (int i = 0; i < who.size(); ++i)
            rows << keys(l, who[i]) + (i < scores.size() ? scores[i] : QStringList{QString::number(80 + i), QString::number(60 + i)});
        return rows;
    }
    ImportOutcome load(const QList<QStringList>& rows, const QString& path = QStringLiteral("/data/期中成绩.xls"))
    {
        return svc->loadSheet(sheetOf(rows), path);
    }
    ImportOutcome checkQuietly()
    {
        prompter.clear();
        return svc->check();
    }
    QString batch() const { return QStringLiteral("文件:期中成绩.xls") + kStamp; }

    std::unique_ptr<oa::test::SchoolDatabase> db;
    ScriptedPrompter prompter;
    FixedClock clock{kNow};
    RecordingObserver obs;
    std::unique_ptr<ScoreImport> svc;
};

}  // namespace

TEST_P(ScoreImportTest, TabStartsOnTheCurrentYearAndExam)
{
    ScoreImport& t = tab(ScoreLayout::A);
    EXPECT_EQ(t.year(), kYear);
    EXPECT_EQ(t.exam(), kExam);
    EXPECT_EQ(t.exams().size(), 3);
    EXPECT_EQ(t.subjects().size(), 4);
    EXPECT_EQ(scoreLayoutFromLetter(QStringLiteral("e")), ScoreLayout::E);
    EXPECT_FALSE(scoreLayoutFromLetter(QStringLiteral("G")));
}

TEST_P(ScoreImportTest, LoadNumbersRowsBySheetRow)
{
    tab(ScoreLayout::A);
    const ImportOutcome out = load(sheet(ScoreLayout::A, kids()));
    EXPECT_EQ(out.rows, 3);
    EXPECT_EQ(prompter.lastText(), u("一共3条记录，读完数据，请确保数据中没有空学号等，数据中间不要空着的行和列"));
    EXPECT_EQ(svc->grid().cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(svc->grid().cell(3, 0), QStringLiteral("4"));
    EXPECT_EQ(svc->grid().rowCount(), 8000);
}

TEST_P(ScoreImportTest, HeadersMustNameTheKeyColumns)
{
    struct Case {
        ScoreLayout layout;
        QStringList header;
        QString error;
    };
    const QList<Case> cases = {
        {ScoreLayout::A, {u("级别"), u("班别"), u("学号"), u("名字"), u("语文")}, u("第一行第4列必须为  姓名")},
        {ScoreLayout::A, {u("班别"), u("级别"), u("学号"), u("姓名"), u("语文")}, u("第一行第1列必须为  级别")},
        {ScoreLayout::A, {u("级别"), u("班别"), QString(), u("学号"), u("姓名"), u("语文")}, u("第一行第3列必须为  学号")},
        {ScoreLayout::B, {u("学号"), u("名"), u("语文")}, u("第一行第2列必须为  姓名")},
        {ScoreLayout::C, {u("学号"), u("姓名"), u("语文")}, u("第一行第1列必须为  学籍号")},
        {ScoreLayout::D, {u("考号"), u("语文")}, u("第一行第1列必须为  学籍号")},
        {ScoreLayout::E, {u("级别"), u("学号"), u("姓名"), u("语文")}, u("第一行第2列必须为  考号")},
        {ScoreLayout::E, {u("级别"), u("考号"), u("名字"), u("语文")}, u("第一行第3列必须为  姓名")},
        {ScoreLayout::F, {u("级别"), u("班别"), u("学号"), u("语文")}, u("第一行第3列必须为  姓名")},
        {ScoreLayout::A, {u(" 级别 "), u("班别"), u("学号"), u("姓名"), u("体育")}, u("体育   不是系统设定的  科目")},
        {ScoreLayout::D, {u("学籍号"), u("语文"), u("化学")}, u("化学   不是系统设定的  科目")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header.join(QLatin1Char('|')).toStdString());
        tab(c.layout);
        load({c.header, QStringList(c.header.size(), QStringLiteral("1"))});
        const ImportOutcome out = checkQuietly();
        EXPECT_FALSE(out.ok);
        ASSERT_EQ(prompter.shown().size(), 1);
        EXPECT_EQ(prompter.shown()[0].caption, u("错误"));
        EXPECT_EQ(prompter.lastText(), c.error);
        EXPECT_FALSE(svc->saveEnabled());
        EXPECT_TRUE(svc->results().isEmpty()) << "no row was read";
    }
}

TEST_P(ScoreImportTest, ASubjectHeaderPassesWhenItIsPartOfASubjectName)
{
    tab(ScoreLayout::F);
    load(sheet(ScoreLayout::F, {kids()[0]}, {u("语"), u("开卷")}));
    EXPECT_TRUE(checkQuietly().ok) << prompter.texts().join(QLatin1Char('|')).toStdString();
}

TEST_P(ScoreImportTest, TheCheckNeedsOneOptionAYearAndAnExam)
{
    ScoreImport& t = tab(ScoreLayout::A);
    load(sheet(ScoreLayout::A, kids()));
    t.setSkipNumber(true);
    t.setSkipName(true);
    checkQuietly();
    EXPECT_EQ(prompter.texts(), QStringList{u("【学号】 和【姓名】不能同时忽略！")});
    t.setSkipName(false);

    t.setYear(QString());
    ImportOutcome out = checkQuietly();
    EXPECT_EQ(prompter.texts(), QStringList{u("检查前请输入学期")});
    EXPECT_NE(prompter.shown()[0].caption, u("错误")) << "a plain message";
    t.setYear(kYear);
    t.setExam(QStringLiteral("  "));
    out = checkQuietly();
    EXPECT_EQ(prompter.texts(), QStringList{u("还没有选择考试名称，请重新输入")});
    EXPECT_EQ(out.focus, ImportOutcome::ExamList);
    EXPECT_FALSE(t.saveEnabled());

    // Layouts without the number option ignore it.
    ScoreImport& c = tab(ScoreLayout::C);
    c.setSkipNumber(true);
    EXPECT_FALSE(c.skipNumber());
}

TEST_P(ScoreImportTest, EachLayoutFindsItsStudentsAndSavesTheirScores)
{
    for (ScoreLayout l : allScoreLayouts()) {
        SCOPED_TRACE(std::string(1, scoreLayoutInfo(l).letter.toLatin1()));
        s().execRaw(QStringLiteral("delete from stuscore"));
        tab(l);
        load(sheet(l, kids(), {u("语文"), u("数学")}, {{u("91"), QString()}, {u("72.5"), u(" 88 ")}, {u("0"), u("100")}}));
        ImportOutcome out = checkQuietly();
        ASSERT_TRUE(out.ok) << svc->results().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(prompter.lastText(), u("一共3条记录，数据检查完毕,发现  0个数据有问题,请处理"));
        EXPECT_TRUE(svc->saveEnabled());

        prompter.answer(true);
        prompter.clear();
        obs.lines.clear();
        out = svc->save();
        ASSERT_TRUE(out.ok) << out.message.toStdString();
        EXPECT_EQ(prompter.texts().first(), l == ScoreLayout::B
                                                ? u("导入前你确定请你的确定数据中无学号和姓名相同学生，你确定导入新数据吗吗？？？")
                                                : u("你确定导入新数据吗吗？？？"));
        EXPECT_EQ(prompter.lastText(), u("一共3条记录，数据已经成功导入到数据库"));
        EXPECT_EQ(obs.lines, (QStringList{u("2行陈一成功"), u("3行李二成功"), u("4行黄三成功")}));
        EXPECT_FALSE(svc->saveEnabled());

        const auto rows = s().rows(QStringLiteral("select * from stuscore order by iorder"));
        ASSERT_EQ(rows.size(), 6);
        const int first = scoreLayoutInfo(l).firstSubjectColumn;
        const double expected[][2] = {{91, -1}, {72.5, 88}, {0, 100}};
        for (int i = 0; i < 6; ++i) {
            const QSqlRecord& r = rows[i];
            const int kid = i % 3, subject = i / 3;
            const Kid& k = kids()[kid];
            EXPECT_EQ(fieldText(r.value(u("Years"))), kYear);
            EXPECT_EQ(fieldText(r.value(u("grade"))), k.grade);
            EXPECT_EQ(fieldText(r.value(u("class"))), k.cls);
            EXPECT_EQ(r.value(u("Number")).toInt(), k.number);
            EXPECT_EQ(fieldText(r.value(u("Uname"))), k.name);
            EXPECT_EQ(fieldText(r.value(u("tongyibianhao"))), k.tyb);
            EXPECT_EQ(fieldText(r.value(u("jifen"))), k.jifen);
            EXPECT_EQ(fieldText(r.value(u("sex"))), k.sex);
            EXPECT_EQ(fieldText(r.value(u("TestName"))), kExam);
            EXPECT_EQ(fieldText(r.value(u("subject"))), subject ? u("数学") : u("语文"));
            EXPECT_EQ(r.value(u("iorder")).toInt(), (first + subject) * 100 + kid + 1);
            EXPECT_EQ(fieldText(r.value(u("upname"))), batch());
            EXPECT_TRUE(r.value(u("upIp")).isNull());
            if (expected[kid][subject] < 0) EXPECT_TRUE(r.value(u("score")).isNull()) << "an empty cell is no score";
            else EXPECT_DOUBLE_EQ(r.value(u("score")).toDouble(), expected[kid][subject]);
        }
    }
}

TEST_P(ScoreImportTest, ABlankScoreCellIsNoScoreNotZero)
{
    tab(ScoreLayout::F);
    load(sheet(ScoreLayout::F, {kids()[0]}, {u("语文"), u("数学")}, {{u("   "), u(" 0 ")}}));
    ASSERT_TRUE(checkQuietly().ok);
    prompter.answer(true);
    ASSERT_TRUE(svc->save().ok);
    const auto rows = s().rows(QStringLiteral("select subject, score from stuscore order by iorder"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].value(1).isNull()) << "a cell of blanks has no score yet";
    EXPECT_FALSE(rows[1].value(1).isNull());
    EXPECT_DOUBLE_EQ(rows[1].value(1).toDouble(), 0);
}

TEST_P(ScoreImportTest, AStudentNotFoundIsListedInTheLayoutsWords)
{
    const Kid ghost{u("初一级"), u("03班"), 9, u("无名"), u("T999"), u("K999"), u("男"), u("是")};
    struct Case {
        ScoreLayout layout;
        QString line;
    };
    const QList<Case> cases = {
        {ScoreLayout::A, u("学生表：初一级03班9无名 无记录")},
        {ScoreLayout::B, u("学生表：9无名 无记录")},
        {ScoreLayout::C, u("学生表：T999无名8161 无记录")},   // cells 1–4 run into the scores
        {ScoreLayout::D, u("学生表：T9998161 无记录")},
        {ScoreLayout::E, u("学生表：初一级K999无名81 无记录")},
        {ScoreLayout::F, u("学生表：初一级03班无名81 无记录")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        tab(c.layout);
        load(sheet(c.layout, {kids()[0], ghost}));
        const ImportOutcome out = checkQuietly();
        EXPECT_EQ(out.problems, 1);
        EXPECT_EQ(svc->results(), QStringList{c.line});
        EXPECT_EQ(prompter.lastText(), u("一共2条记录，数据检查完毕,发现  1个数据有问题,请处理"));
        EXPECT_FALSE(svc->saveEnabled());
    }
}

TEST_P(ScoreImportTest, SeveralMatchesAreReportedAsEachLayoutSays)
{
    // A twin of 陈一: same grade, class, number and name; a second 陈一 in 02班 with the same number, exam
    // number and unified number.
    addStudent(s(), {u("初一级"), u("01班"), 1, u("陈一"), u("T001"), u("K101"), u("男"), u("是")});
    struct Case {
        ScoreLayout layout;
        QStringList lines;
        int problems;
    };
    const QList<Case> cases = {
        {ScoreLayout::A, {u("学生表：初一级01班1陈一 班别和姓名相同")}, 1},
        {ScoreLayout::B, {QString(), u("2行，01班1陈一"), u("和 01班1陈一 学生表存在同学号同名记录，请用【按班别学号姓名导入成绩】导入")}, 1},
        {ScoreLayout::C, {}, 0},
        {ScoreLayout::D, {}, 0},
        {ScoreLayout::E, {u("学生表：初一级K101陈一80考号重复")}, 1},
        {ScoreLayout::F, {u("学生表：初一级01班陈一80同名错误")}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, scoreLayoutInfo(c.layout).letter.toLatin1()));
        tab(c.layout);
        load(sheet(c.layout, {kids()[0]}));
        const ImportOutcome out = checkQuietly();
        EXPECT_EQ(out.problems, c.problems);
        EXPECT_EQ(svc->results(), c.lines);
    }
}

TEST_P(ScoreImportTest, SharedUnifiedNumberAndNameImportsIntoTheFirstRosterRow)
{
    addStudent(s(), {u("初一级"), u("03班"), 7, u("陈一"), u("T001"), u("K301"), u("女"), u("否")});
    tab(ScoreLayout::C);
    load(sheet(ScoreLayout::C, {kids()[0]}));
    ASSERT_TRUE(checkQuietly().ok);
    prompter.answer(true);
    ASSERT_TRUE(svc->save().ok);
    const auto rows = s().rows(QStringLiteral("select class, Number from stuscore"));
    ASSERT_EQ(rows.size(), 2);
    for (const QSqlRecord& r : rows) {
        EXPECT_EQ(fieldText(r.value(0)), u("01班"));
        EXPECT_EQ(r.value(1).toInt(), 1);
    }
}

TEST_P(ScoreImportTest, ImportingTheSameSheetTwiceFindsEveryScore)
{
    for (ScoreLayout l : {ScoreLayout::A, ScoreLayout::B, ScoreLayout::D, ScoreLayout::E}) {
        SCOPED_TRACE(std::string(1, scoreLayoutInfo(l).letter.toLatin1()));
        s().execRaw(QStringLiteral("delete from stuscore"));
        tab(l);
        load(sheet(l, {kids()[0], kids()[2]}));
        ASSERT_TRUE(checkQuietly().ok);
        prompter.answer(true);
        ASSERT_TRUE(svc->save().ok);
        load(sheet(l, {kids()[0], kids()[2]}));
        const ImportOutcome out = checkQuietly();
        const QString c0 = (keys(l, kids()[0]) + QStringList{u("80"), u("60"), QString(), QString()}).mid(0, 4).join(QString());
        const QString c2 = (keys(l, kids()[2]) + QStringList{u("81"), u("61"), QString(), QString()}).mid(0, 4).join(QString());
        EXPECT_EQ(out.problems, 4);
        EXPECT_EQ(svc->results(), (QStringList{u("成绩:   ") + c0 + u("语文 已经存在了"), u("成绩:   ") + c0 + u("数学 已经存在了"),
                                              u("成绩:   ") + c2 + u("语文 已经存在了"), u("成绩:   ") + c2 + u("数学 已经存在了")}));
        EXPECT_FALSE(svc->saveEnabled());
    }
}

TEST_P(ScoreImportTest, AScoreOfAnotherExamOrSubjectIsNoDuplicate)
{
    tab(ScoreLayout::A);
    load(sheet(ScoreLayout::A, {kids()[0]}, {u("语文")}, {{u("90")}}));
    ASSERT_TRUE(checkQuietly().ok);
    prompter.answer(true);
    ASSERT_TRUE(svc->save().ok);
    load(sheet(ScoreLayout::A, {kids()[0]}, {u("数学")}, {{u("90")}}));
    EXPECT_TRUE(checkQuietly().ok);
    svc->setExam(u("期末考试"));
    load(sheet(ScoreLayout::A, {kids()[0]}, {u("语文")}, {{u("90")}}));
    EXPECT_TRUE(checkQuietly().ok);
}

TEST_P(ScoreImportTest, ChangingTheExamAfterACleanCheckDisablesTheSave)
{
    ScoreImport& t = tab(ScoreLayout::F);
    load(sheet(ScoreLayout::F, kids()));
    ASSERT_TRUE(checkQuietly().ok);
    ASSERT_TRUE(t.saveEnabled());
    t.setExam(u("期末考试"));
    EXPECT_FALSE(t.saveEnabled());
    EXPECT_FALSE(t.save().ok) << "a disabled save writes nothing";
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 0);
    ASSERT_TRUE(checkQuietly().ok);
    EXPECT_TRUE(t.saveEnabled());
    t.setYear(u("2025-2026"));
    EXPECT_FALSE(t.saveEnabled()) << "so does the school year: the check's students belong to it";
    EXPECT_EQ(obs.saveStates, (QList<bool>{true, false, true, false}));
}

TEST_P(ScoreImportTest, ApostrophesAreTextLikeAnyOther)
{
    addStudent(s(), {u("初一级"), u("0'1班"), 4, u("O'Brien"), u("T'4"), u("K'4"), u("男"), u("是")});
    const Kid& k = {u("初一级"), u("0'1班"), 4, u("O'Brien"), u("T'4"), u("K'4"), u("男"), u("是")};
    ScoreImport& t = tab(ScoreLayout::A);
    t.setExam(u("O'Neil杯"));
    load(sheet(ScoreLayout::A, {k}));
    ASSERT_TRUE(checkQuietly().ok) << svc->results().join(QLatin1Char('|')).toStdString();
    prompter.answer(true);
    ASSERT_TRUE(t.save().ok);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore where TestName=:t and Uname=:u"),
                    {{QStringLiteral("t"), u("O'Neil杯")}, {QStringLiteral("u"), u("O'Brien")}}), 2);
    load(sheet(ScoreLayout::A, {k}));
    EXPECT_EQ(checkQuietly().problems, 2);
}

TEST_P(ScoreImportTest, SkippingTheNumberStillRefusesAScoreTwice)
{
    ScoreImport& t = tab(ScoreLayout::A);
    load(sheet(ScoreLayout::A, {kids()[1]}));
    ASSERT_TRUE(checkQuietly().ok);
    prompter.answer(true);
    ASSERT_TRUE(t.save().ok);
    // The same students again, with the numbers left out of the sheet.
    QList<QStringList> rows = sheet(ScoreLayout::A, {kids()[1]});
    rows[1][2] = QString();
    t.setSkipNumber(true);
    load(rows);
    EXPECT_EQ(checkQuietly().problems, 2);
}

TEST_P(ScoreImportTest, ANumberThatIsNotAnIntegerNamesNoStudent)
{
    tab(ScoreLayout::A);
    QList<QStringList> rows = sheet(ScoreLayout::A, {kids()[0]});
    rows[1][2] = u("1号");
    load(rows);
    const ImportOutcome out = checkQuietly();
    EXPECT_EQ(out.problems, 1);
    EXPECT_EQ(svc->results(), QStringList{u("学生表：初一级01班1号陈一 无记录")});
}

TEST_P(ScoreImportTest, AScoreThatIsNotANumberStopsTheSaveAtItsRow)
{
    tab(ScoreLayout::D);
    QList<QStringList> rows = sheet(ScoreLayout::D, kids());
    rows[3][2] = u("缺考");   // 黄三's 数学, sheet row 4
    load(rows);
    ASSERT_TRUE(checkQuietly().ok) << "the check does not look at the scores";
    prompter.answer(true);
    prompter.clear();
    const ImportOutcome out = svc->save();
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(prompter.shown().last().caption, u("错误"));
    EXPECT_TRUE(prompter.lastText().startsWith(u("表格第4行保存失败：【数学】   缺考 不能转换为分数"))) << prompter.lastText().toStdString();
    // Rows 2 and 3 and the 语文 of row 4 stay under the batch; the review tab removes them.
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore where upname=:b"), {{QStringLiteral("b"), batch()}}), 5);
    EXPECT_FALSE(svc->saveEnabled());
    BatchReview review(s(), prompter, BatchReview::Kind::Scores);
    ASSERT_EQ(review.refreshBatches(), QStringList{batch()});
    ASSERT_TRUE(review.find(batch()));
    EXPECT_EQ(review.rows().size(), 5);
    prompter.answer(true);
    ASSERT_TRUE(review.deleteShown());
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 0);
    EXPECT_TRUE(review.batches().isEmpty());
}

TEST_P(ScoreImportTest, ARefusedValueStopsTheSaveInTheMiddleOfAChunk)
{
    if (GetParam() == Engine::SQLite)
        s().execRaw(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON stuscore WHEN NEW.score=13 "
                                   "BEGIN SELECT RAISE(ABORT, 'refused: unlucky'); END"));
    else
        s().execRaw(QStringLiteral("ALTER TABLE stuscore ADD CONSTRAINT refuse CHECK (score <> 13)"));
    QList<Kid> many;
    for (int i = 1; i <= 400; ++i) {
        Kid k{u("初二级"), u("01班"), i, QStringLiteral("学生%1").arg(i), QStringLiteral("N%1").arg(i), QString(), u("女"), u("是")};
        addStudent(s(), k);
        many << k;
    }
    QList<QStringList> scores;
    for (int i = 1; i <= 400; ++i) scores << QStringList{u("70"), i == 300 ? u("13") : u("71")};
    tab(ScoreLayout::D);
    load(sheet(ScoreLayout::D, many, {u("语文"), u("数学")}, scores));
    ASSERT_TRUE(checkQuietly().ok);
    prompter.answer(true);
    prompter.clear();
    EXPECT_FALSE(svc->save().ok);
    EXPECT_TRUE(prompter.lastText().startsWith(u("表格第301行保存失败：【数学】 "))) << prompter.lastText().toStdString();
    EXPECT_TRUE(prompter.lastText().contains(u("refuse"))) << prompter.lastText().toStdString();
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 299 * 2 + 1);
}

TEST_P(ScoreImportTest, ReviewListsTheNewestFiftyBatches)
{
    Statement ins(s(), QStringLiteral("insert into stuscore(Years,grade,class,Number,Uname,TestName,subject,score,upname) "
                                      "values('2026-2027','初一级','01班',:n,'陈一','期中考试','语文',80,:b)"));
    for (int i = 0; i < 52; ++i)
        for (int k = 0; k < 2; ++k)
            ins.bind(QStringLiteral("n"), k).bind(QStringLiteral("b"), QStringLiteral("文件:%1.xls").arg(i) + kStamp).exec();
    ins.bind(QStringLiteral("n"), 9).bind(QStringLiteral("b"), u("陈老师")).exec();   // typed, not imported
    BatchReview review(s(), prompter, BatchReview::Kind::Scores);
    const QStringList batches = review.refreshBatches();
    ASSERT_EQ(batches.size(), 50);
    EXPECT_EQ(batches.first(), u("文件:51.xls") + kStamp);
    EXPECT_EQ(batches.last(), u("文件:2.xls") + kStamp);
    prompter.clear();
    EXPECT_FALSE(review.find(QString()));
    EXPECT_EQ(prompter.texts(), QStringList{u("还没选择上传文件名 ，请重新输入")});
    ASSERT_TRUE(review.find(batches.first()));
    EXPECT_EQ(review.rows().size(), 2);
    EXPECT_EQ(BatchReview::gridColumns(BatchReview::Kind::Scores).size(), 9);
}

OA_INSTANTIATE_ENGINES(ScoreImportTest);
