// The roster import: load, check, save and review through the service, on every engine.
#include "import_support.h"

#include "registrar/imports/ImportText.h"
#include "registrar/imports/RosterImport.h"

using namespace oa;
using namespace oa::import_test;

namespace {

class RosterImportTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<oa::test::SchoolDatabase>(GetParam());
        fillLists(s());
        svc = std::make_unique<RosterImport>(s(), prompter, clock);
        svc->setObserver(&obs);
    }
    Session& s() { return db->session(); }
    ImportOutcome load(const QList<QStringList>& rows, const QString& path = QStringLiteral("/data/初一新生.xlsx"))
    {
        return svc->loadSheet(sheetOf(rows), path);
    }
    QString batch(const QString& file = QStringLiteral("初一新生.xlsx")) const
    {
        return QStringLiteral("文件:") + file + kStamp;
    }

    std::unique_ptr<oa::test::SchoolDatabase> db;
    ScriptedPrompter prompter;
    FixedClock clock{kNow};
    RecordingObserver obs;
    std::unique_ptr<RosterImport> svc;
};

const QStringList kHeader = {QStringLiteral("级别"), QStringLiteral("班别"), QStringLiteral("学号"), QStringLiteral("姓名"),
                             QStringLiteral("性别"), QStringLiteral("出生日期"), QStringLiteral("是否计分")};

QStringList row(const char* grade, const char* cls, const char* number, const char* name, const char* sex = "男",
                const char* birthday = "2013-3-14", const char* jifen = "是")
{
    return {QString::fromUtf8(grade), QString::fromUtf8(cls), QString::fromUtf8(number), QString::fromUtf8(name),
            QString::fromUtf8(sex), QString::fromUtf8(birthday), QString::fromUtf8(jifen)};
}

}  // namespace

TEST_P(RosterImportTest, FormStartUpFillsTheListsAndSelectsTheCurrentYear)
{
    EXPECT_EQ(svc->years(), (QStringList{QStringLiteral("2025-2026"), kYear}));
    EXPECT_EQ(svc->currentYear(), kYear);
    EXPECT_EQ(svc->grades().size(), 2);
    EXPECT_EQ(svc->classes().size(), 3);
    EXPECT_EQ(RosterImport::systemFields().size(), 41);
    EXPECT_EQ(RosterImport::columnFor(QStringLiteral(" 出生日期 ")), QStringLiteral("birthday"));
    EXPECT_EQ(RosterImport::columnFor(QStringLiteral("学生去向")), QString());
}

TEST_P(RosterImportTest, LoadReadsUpToTheFirstEmptyHeaderAndTheFirstEmptyFirstCell)
{
    const ImportOutcome out = load({{QStringLiteral("级别"), QStringLiteral("班别"), QStringLiteral(" "), QStringLiteral("姓名")},
                                    {QStringLiteral("初一级"), QStringLiteral("01班"), QStringLiteral("x"), QStringLiteral("陈一")},
                                    {QStringLiteral(" 初一级"), QStringLiteral("01班 "), QString(), QStringLiteral("李二")},
                                    {QString(), QStringLiteral("01班"), QString(), QStringLiteral("不读")},
                                    {QStringLiteral("初一级"), QStringLiteral("01班"), QString(), QStringLiteral("也不读")}});
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.rows, 2);
    EXPECT_EQ(svc->dataRows(), 2);
    EXPECT_EQ(prompter.lastText(), QStringLiteral("一共2条记录，读完数据"));
    const ImportGrid& g = svc->grid();
    EXPECT_EQ(g.cell(0, 0), QStringLiteral("0"));
    EXPECT_EQ(g.cell(2, 0), QStringLiteral("2"));
    EXPECT_EQ(g.cell(0, 2), QStringLiteral("班别"));
    EXPECT_EQ(g.cell(1, 3), QString()) << "the column after an empty header is not read";
    EXPECT_EQ(g.cell(1, 4), QString());
    EXPECT_EQ(g.cell(2, 1), QStringLiteral(" 初一级")) << "cells are kept as read, untrimmed";
    EXPECT_EQ(g.cell(3, 2), QString()) << "a row with an empty first cell ends the sheet";
    EXPECT_EQ(g.rowCount(), 5000);
    EXPECT_FALSE(svc->saveEnabled());
}

TEST_P(RosterImportTest, ASheetLongerThanTheGridIsLoadedWhole)
{
    QList<QStringList> rows{kHeader};
    for (int i = 1; i <= 5100; ++i) rows << row("初一级", "01班", "1", "陈一");
    EXPECT_TRUE(load(rows).ok);
    EXPECT_EQ(svc->dataRows(), 5100);
    EXPECT_EQ(svc->grid().rowCount(), 5101);
    EXPECT_EQ(svc->grid().cell(5100, 0), QStringLiteral("5100"));
    EXPECT_EQ(prompter.lastText(), QStringLiteral("一共5100条记录，读完数据"));
}

TEST_P(RosterImportTest, CancellingTheFileDialogLeavesTheGridEmptyAndTheSaveDisabled)
{
    load({kHeader, row("初一级", "01班", "1", "陈一")});
    ASSERT_TRUE(svc->check().ok);
    ASSERT_TRUE(svc->saveEnabled());
    const ImportOutcome out = svc->browse();   // no answer scripted: Cancel
    EXPECT_TRUE(out.cancelled);
    EXPECT_FALSE(svc->saveEnabled());
    EXPECT_EQ(svc->grid().cell(0, 1), QString());
    EXPECT_EQ(svc->dataRows(), 0);
}

TEST_P(RosterImportTest, AHeaderThatIsNotASystemFieldEndsTheCheck)
{
    load({{QStringLiteral("级别"), QStringLiteral("学生去向"), QStringLiteral("姓名")},
          {QStringLiteral("初二级"), QStringLiteral("升学"), QStringLiteral("陈一")}});
    prompter.clear();
    const ImportOutcome out = svc->check();
    EXPECT_FALSE(out.ok);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.shown()[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(prompter.lastText(), QStringLiteral("表头【学生去向】不是系统设定的字段,系统字段包括：\n\n") +
                                       RosterImport::systemFields().join(QLatin1Char('\n')));
    EXPECT_EQ(svc->results(), QStringList{QStringLiteral("文件检查结果")}) << "no row was read";
    EXPECT_FALSE(svc->saveEnabled());
}

TEST_P(RosterImportTest, CheckListsEveryProblemByRow)
{
    struct Case {
        QStringList row;
        QString line;      // empty: no line
        bool counts;
    };
    const QList<Case> cases = {
        {row("初一级", "01班", "7", "好"), QString(), false},
        {row("高一级", "01班", "7", "好"), QStringLiteral("2行，【级别】   高一级 不是系统年级"), true},
        {row(" 初一级 ", "01班", "7", "好"), QString(), false},
        {row("初一级", "09班", "7", "好"), QStringLiteral("2行，【班别】   09班 不是系统班别"), false},
        {row("初一级", "01班", "", "好"), QStringLiteral("2行，【学号】    不是数字"), true},
        {row("初一级", "01班", "7a", "好"), QStringLiteral("2行，【学号】   7a 不是数字"), true},
        {row("初一级", "01班", "7.5", "好"), QStringLiteral("2行，【学号】   7.5 不是数字"), true},
        {row("初一级", "01班", " 7 ", "好"), QString(), false},
        {row("初一级", "01班", "7", "好", ""), QString(), false},
        {row("初一级", "01班", "7", "好", "M"), QStringLiteral("2行，【性别】   M 不是男\\女或空"), true},
        {row("初一级", "01班", "7", "好", "女", ""), QString(), false},
        {row("初一级", "01班", "7", "好", "女", "2013/3/14"), QString(), false},
        {row("初一级", "01班", "7", "好", "女", "2013-2-30"), QStringLiteral("2行，【生日】   2013-2-30 不是日期"), true},
        {row("初一级", "01班", "7", "好", "女", "三月"), QStringLiteral("2行，【生日】   三月 不是日期"), true},
        {row("初一级", "01班", "7", "好", "女", "2013-3-14", "随便"), QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row.join(QLatin1Char('|')).toStdString());
        load({kHeader, c.row});
        prompter.clear();
        const ImportOutcome out = svc->check();
        QStringList expected{QStringLiteral("文件检查结果")};
        if (!c.line.isEmpty()) expected << c.line;
        EXPECT_EQ(svc->results(), expected);
        EXPECT_EQ(out.problems, c.counts ? 1 : 0);
        EXPECT_EQ(prompter.lastText(), QStringLiteral("一共1条记录，数据检查完毕,发现  %1个数据有问题").arg(c.counts ? 1 : 0));
        EXPECT_EQ(svc->saveEnabled(), !c.counts);
    }
}

TEST_P(RosterImportTest, ProblemsAreNumberedBySheetRowAndSummed)
{
    load({kHeader, row("初一级", "01班", "1", "甲"), row("初三级", "01班", "x", "乙"), row("初一级", "01班", "3", "丙", "?")});
    const ImportOutcome out = svc->check();
    EXPECT_EQ(out.problems, 3);
    EXPECT_EQ(svc->results(), (QStringList{QStringLiteral("文件检查结果"), QStringLiteral("3行，【级别】   初三级 不是系统年级"),
                                          QStringLiteral("3行，【学号】   x 不是数字"), QStringLiteral("4行，【性别】   ? 不是男\\女或空")}));
    EXPECT_EQ(out.message, QStringLiteral("一共3条记录，数据检查完毕,发现  3个数据有问题"));
    EXPECT_FALSE(svc->saveEnabled());
    EXPECT_EQ(obs.steps, 3 + 4) << "the bar moves once per row loaded and once per row checked";
}

TEST_P(RosterImportTest, SaveInsertsOneStudentPerRowUnderTheBatchName)
{
    load({{QStringLiteral("姓名"), QStringLiteral("学号"), QStringLiteral("级别"), QStringLiteral("班别"), QStringLiteral("出生日期"),
           QStringLiteral("是否计分"), QStringLiteral("家庭地址"), QStringLiteral("身份证号码"), QStringLiteral("生活补助")},
          {QStringLiteral("陈一"), QStringLiteral("5"), QStringLiteral("初一级"), QStringLiteral("01班"), QStringLiteral("2013-3-14"),
           QString(), QStringLiteral(" 城南路 "), QStringLiteral("440106"), QStringLiteral("有")},
          {QStringLiteral("李二"), QStringLiteral(" 6"), QStringLiteral("初一级"), QStringLiteral("09班"), QString(),
           QStringLiteral("否"), QString(), QString(), QString()}});
    ASSERT_TRUE(svc->check().ok) << "a class missing from the list does not block the save";
    prompter.answer(true);
    prompter.clear();
    const ImportOutcome out = svc->save(QStringLiteral("2025-2026"));
    ASSERT_TRUE(out.ok) << out.message.toStdString();
    EXPECT_EQ(prompter.texts(), (QStringList{QStringLiteral("你确定导入新数据吗吗？？？"),
                                             QStringLiteral("一共2条记录，数据已经成功导入到数据库")}));
    EXPECT_TRUE(svc->results().isEmpty()) << "the result list is cleared after the save";
    EXPECT_FALSE(svc->saveEnabled());

    const auto rows = s().rows(QStringLiteral("select * from students order by Number"));
    ASSERT_EQ(rows.size(), 2);
    const QSqlRecord& a = rows[0];
    EXPECT_EQ(fieldText(a.value(QStringLiteral("Years"))), QStringLiteral("2025-2026"));
    EXPECT_EQ(fieldText(a.value(QStringLiteral("Uname"))), QStringLiteral("陈一"));
    EXPECT_EQ(a.value(QStringLiteral("Number")).toInt(), 5);
    EXPECT_EQ(toDateTime(a.value(QStringLiteral("birthday"))).date(), QDate(2013, 3, 14));
    EXPECT_EQ(fieldText(a.value(QStringLiteral("jifen"))), QStringLiteral("是")) << "an empty 是否计分 is stored as 是";
    EXPECT_EQ(fieldText(a.value(QStringLiteral("jiatingdizhi"))), QStringLiteral(" 城南路 ")) << "cell text is stored as read";
    EXPECT_EQ(fieldText(a.value(QStringLiteral("身份证号码"))), QStringLiteral("440106"));
    EXPECT_EQ(fieldText(a.value(QStringLiteral("生活补助"))), QStringLiteral("有"));
    EXPECT_EQ(fieldText(a.value(QStringLiteral("xsquxiang"))), QString());
    EXPECT_FALSE(a.value(QStringLiteral("xsquxiang")).isNull()) << "xsquxiang is empty text, not NULL";
    EXPECT_TRUE(a.value(QStringLiteral("sex")).isNull()) << "a column without a header stays NULL";
    EXPECT_TRUE(a.value(QStringLiteral("专业代码")).isNull());
    EXPECT_EQ(fieldText(a.value(QStringLiteral("是否离校"))), QString());
    EXPECT_EQ(fieldText(a.value(QStringLiteral("upName"))), batch());
    const QSqlRecord& b = rows[1];
    EXPECT_EQ(b.value(QStringLiteral("Number")).toInt(), 6);
    EXPECT_TRUE(b.value(QStringLiteral("birthday")).isNull()) << "an empty 出生日期 is stored as NULL";
    EXPECT_EQ(fieldText(b.value(QStringLiteral("jifen"))), QStringLiteral("否"));
    EXPECT_EQ(fieldText(b.value(QStringLiteral("class"))), QStringLiteral("09班"));
    EXPECT_EQ(fieldText(b.value(QStringLiteral("jiatingdizhi"))), QString());
    EXPECT_FALSE(b.value(QStringLiteral("jiatingdizhi")).isNull()) << "an empty cell under a header is empty text";

    // Imported students are on the roll: the score-row procedure picks them up.
    s().putstutoscore(QStringLiteral("2025-2026"), QStringLiteral("初一级"), QStringLiteral("01班"), QStringLiteral("语文"), kExam);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore where Uname='陈一'")), 1);
}

TEST_P(RosterImportTest, EveryColumnTheSaveWritesIsCheckedAndSaved)
{
    // All 41 fields, turned so that 级别, 学号 and 出生日期 stand far to the right (columns 32, 35 and 41).
    const QStringList fields = RosterImport::systemFields();
    const QStringList header = fields.mid(10) + fields.mid(0, 10);
    ASSERT_EQ(header.size(), 41);
    ASSERT_EQ(header.indexOf(QStringLiteral("出生日期")) + 1, 41);
    auto sheetRow = [&](const QHash<QString, QString>& values) {
        QStringList r;
        for (const QString& h : header) r << values.value(h, h == QStringLiteral("姓名") ? QStringLiteral("陈一") : QString());
        return r;
    };
    struct Case {
        QHash<QString, QString> values;
        QString line;   // empty: clean
    };
    const QHash<QString, QString> good = {{QStringLiteral("户籍所在地"), QStringLiteral("广州")}, {QStringLiteral("班别"), QStringLiteral("01班")},
                                          {QStringLiteral("级别"), QStringLiteral("初一级")}, {QStringLiteral("学号"), QStringLiteral("3")},
                                          {QStringLiteral("出生日期"), QStringLiteral("2013-5-12")},
                                          {QStringLiteral("生活补助"), QStringLiteral("每月200")}};
    QHash<QString, QString> badGrade = good, badNumber = good, badDate = good;
    badGrade[QStringLiteral("级别")] = QStringLiteral("高三级");
    badNumber[QStringLiteral("学号")] = QStringLiteral("三");
    badDate[QStringLiteral("出生日期")] = QStringLiteral("五月");
    const QList<Case> cases = {
        {badGrade, QStringLiteral("2行，【级别】   高三级 不是系统年级")},
        {badNumber, QStringLiteral("2行，【学号】   三 不是数字")},
        {badDate, QStringLiteral("2行，【生日】   五月 不是日期")},
        {good, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        load({header, sheetRow(c.values)});
        const ImportOutcome out = svc->check();
        EXPECT_EQ(out.problems, c.line.isEmpty() ? 0 : 1);
        QStringList expected{QStringLiteral("文件检查结果")};
        if (!c.line.isEmpty()) expected << c.line;
        EXPECT_EQ(svc->results(), expected);
    }
    ASSERT_TRUE(svc->saveEnabled());
    prompter.answer(true);
    ASSERT_TRUE(svc->save(kYear).ok);
    const auto rows = s().rows(QStringLiteral("select * from students"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(fieldText(rows[0].value(QStringLiteral("grade"))), QStringLiteral("初一级"));
    EXPECT_EQ(rows[0].value(QStringLiteral("Number")).toInt(), 3);
    EXPECT_EQ(toDateTime(rows[0].value(QStringLiteral("birthday"))).date(), QDate(2013, 5, 12));
    EXPECT_EQ(fieldText(rows[0].value(QStringLiteral("生活补助"))), QStringLiteral("每月200"));
}

TEST_P(RosterImportTest, SaveProgressLinesNameTheRow)
{
    struct Keep : RecordingObserver {
        QStringList added;
        void resultAdded(const QString& l) override { added << l; }
    } keep;
    svc->setObserver(&keep);
    load({kHeader, row("初一级", "01班", "1", "陈一"), row("初一级", "01班", "2", "李二")});
    ASSERT_TRUE(svc->check().ok);
    keep.added.clear();
    prompter.answer(true);
    ASSERT_TRUE(svc->save(kYear).ok);
    EXPECT_EQ(keep.added, (QStringList{QStringLiteral("1行  陈一 导入成功"), QStringLiteral("2行  李二 导入成功")}));
    EXPECT_TRUE(svc->results().isEmpty());
}

TEST_P(RosterImportTest, SaveNeedsAYearAndAYes)
{
    load({kHeader, row("初一级", "01班", "1", "陈一")});
    ASSERT_TRUE(svc->check().ok);
    prompter.clear();
    ImportOutcome out = svc->save(QString());
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("请先输入学年度   然后再保存")});
    EXPECT_EQ(out.focus, ImportOutcome::YearList);
    out = svc->save(kYear);   // No
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students")), 0);
    EXPECT_TRUE(svc->saveEnabled());
}

TEST_P(RosterImportTest, ARefusedValueStopsTheSaveAndKeepsTheRowsBefore)
{
    // The database refuses one name; every engine can be made to.
    if (GetParam() == Engine::SQLite)
        s().execRaw(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON students WHEN NEW.Uname='坏名字' "
                                   "BEGIN SELECT RAISE(ABORT, 'refused: bad name'); END"));
    else
        s().execRaw(QStringLiteral("ALTER TABLE students ADD CONSTRAINT refuse CHECK (Uname <> '坏名字')"));
    QList<QStringList> rows{kHeader};
    for (int i = 1; i <= 300; ++i) rows << row("初一级", "01班", QByteArray::number(i).constData(), i == 280 ? "坏名字" : "学生");
    load(rows);
    ASSERT_TRUE(svc->check().ok);
    prompter.answer(true);
    prompter.clear();
    const ImportOutcome out = svc->save(kYear);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.rows, 279);
    ASSERT_EQ(prompter.shown().size(), 2);
    EXPECT_EQ(prompter.shown()[1].caption, QStringLiteral("错误"));
    EXPECT_TRUE(prompter.lastText().startsWith(QStringLiteral("表格第281行保存失败：")));
    EXPECT_TRUE(prompter.lastText().contains(QStringLiteral("refuse"))) << prompter.lastText().toStdString();
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students where upName=:b"), {{QStringLiteral("b"), batch()}}), 279);
    EXPECT_EQ(count(s(), QStringLiteral("select max(Number) from students")), 279);
    EXPECT_FALSE(svc->saveEnabled());
}

TEST_P(RosterImportTest, ReviewListsTheNewestTwentyBatchesAndDeletesExactlyOne)
{
    for (int i = 0; i < 22; ++i) {
        clock.set(kNow.addSecs(60 * i));
        load({kHeader, row("初一级", "01班", "1", "陈一"), row("初一级", "01班", "2", "李二")}, QStringLiteral("/x/b%1.xls").arg(i));
        ASSERT_TRUE(svc->check().ok);
        prompter.answer(true);
        ASSERT_TRUE(svc->save(kYear).ok);
    }
    addStudent(s(), kids()[0]);   // a student no import wrote
    BatchReview review(s(), prompter, BatchReview::Kind::Roster);
    const QStringList batches = review.refreshBatches();
    ASSERT_EQ(batches.size(), 20);
    EXPECT_EQ(batches.first(), QStringLiteral("文件:b21.xls") + ImportText::dateTimeText(kNow.addSecs(60 * 21)));
    EXPECT_EQ(batches.last(), QStringLiteral("文件:b2.xls") + ImportText::dateTimeText(kNow.addSecs(120)));

    prompter.clear();
    EXPECT_FALSE(review.deleteShown());
    EXPECT_EQ(prompter.lastText(), QStringLiteral("请先查询数据！"));
    EXPECT_FALSE(review.find(QString()));
    EXPECT_EQ(prompter.lastText(), QStringLiteral("还没选择上传文件名 ，请重新输入"));

    ASSERT_TRUE(review.find(batches[3]));
    ASSERT_EQ(review.rows().size(), 2);
    EXPECT_EQ(fieldText(review.rows()[0].value(QStringLiteral("Uname"))), QStringLiteral("陈一"));
    review.choose(batches[4]);
    EXPECT_FALSE(review.isOpen()) << "choosing another batch closes the grid";
    ASSERT_TRUE(review.find(batches[3]));
    EXPECT_FALSE(review.deleteShown()) << "answered No";
    prompter.answer(true);
    ASSERT_TRUE(review.deleteShown());
    EXPECT_TRUE(review.isOpen());
    EXPECT_TRUE(review.rows().isEmpty());
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students")), 2 * 22 - 2 + 1);
    EXPECT_EQ(review.batches().size(), 20);
    EXPECT_FALSE(review.batches().contains(batches[3]));
}

OA_INSTANTIATE_ENGINES(RosterImportTest);
