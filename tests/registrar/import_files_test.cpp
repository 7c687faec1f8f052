// Imports from real files: the bad ones refused with one message, both spreadsheet formats, and every sample
// sheet the generator writes, imported as a school would.
#include "import_support.h"

#include "registrar/imports/HelpPages.h"
#include "registrar/imports/RosterImport.h"
#include "registrar/imports/ScoreImport.h"
#include "tools/samples/SampleSheets.h"

#include <QFileInfo>
#include <QLabel>
#include <QTableWidget>

using namespace oa;
using namespace oa::import_test;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class ImportFilesTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<oa::test::SchoolDatabase>(GetParam());
        fillLists(s());
    }
    Session& s() { return db->session(); }

    std::unique_ptr<oa::test::SchoolDatabase> db;
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    FixedClock clock{kNow};
};

}  // namespace

TEST_P(ImportFilesTest, ABadFileGivesOneMessageNamingItAndLeavesNothingLoaded)
{
    const QStringList bad = {u("corrupt.xlsx"), u("truncated.xlsx"), u("encrypted.xlsx"), u("picture.xls"), u("empty.xlsx")};
    for (const QString& name : bad) {
        SCOPED_TRACE(name.toStdString());
        RosterImport roster(s(), prompter, clock);
        ASSERT_TRUE(roster.loadFile(oa::test::fixture(u("imports/roster.xlsx"))).ok);
        ASSERT_TRUE(roster.check().ok);
        ASSERT_TRUE(roster.saveEnabled());
        ScoreImport scores(s(), prompter, clock, ScoreLayout::D);
        prompter.clear();
        prompter.answer(oa::test::fixture(u("imports/") + name));
        const ImportOutcome out = roster.browse();
        EXPECT_FALSE(out.ok);
        ASSERT_EQ(prompter.shown().size(), 2) << prompter.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(prompter.shown()[0].kind, Shown::OpenFile);
        EXPECT_EQ(prompter.shown()[1].caption, u("错误"));
        EXPECT_TRUE(prompter.lastText().contains(name)) << prompter.lastText().toStdString();
        EXPECT_FALSE(roster.saveEnabled());
        EXPECT_EQ(roster.dataRows(), 0);
        EXPECT_EQ(roster.grid().cell(0, 1), QString());
        EXPECT_EQ(roster.grid().cell(1, 1), QString());

        prompter.clear();
        EXPECT_FALSE(scores.loadFile(oa::test::fixture(u("imports/") + name)).ok);
        EXPECT_EQ(prompter.shown().size(), 1);
        EXPECT_EQ(scores.grid().cell(0, 1), QString());
        EXPECT_FALSE(scores.saveEnabled());
    }
}

TEST_P(ImportFilesTest, BothSpreadsheetFormatsLoadTheSameGrid)
{
    RosterImport xlsx(s(), prompter, clock), xls(s(), prompter, clock);
    ASSERT_TRUE(xlsx.loadFile(oa::test::fixture(u("imports/roster.xlsx"))).ok);
    ASSERT_TRUE(xls.loadFile(oa::test::fixture(u("imports/roster.xls"))).ok);
    EXPECT_EQ(xlsx.dataRows(), 3);
    EXPECT_EQ(xls.dataRows(), 3);
    for (int r = 0; r <= 3; ++r)
        for (int c = 0; c <= 6; ++c) EXPECT_EQ(xls.grid().cell(r, c), xlsx.grid().cell(r, c)) << r << "," << c;
    EXPECT_EQ(xlsx.grid().cell(1, 3), u("1")) << "an integer reads without a decimal point";
    EXPECT_EQ(xlsx.grid().cell(3, 6), QString());
    EXPECT_TRUE(xlsx.check().ok);
}

TEST_P(ImportFilesTest, EverySampleSheetReadsBackAsWritten)
{
    const QStringList paths = writeSampleSheets(dir.path());
    ASSERT_EQ(paths.size(), sampleSheets().size());
    for (int i = 0; i < paths.size(); ++i) {
        const SampleSheet& sample = sampleSheets()[i];
        SCOPED_TRACE(sample.id.toStdString());
        EXPECT_EQ(QFileInfo(paths[i]).fileName(), sample.id + u(".xlsx"));
        const Sheet sheet = SheetReader::read(paths[i]);
        const QList<QStringList> text = sampleText(sample);
        ASSERT_EQ(sheet.rowCount(), text.size());
        for (int r = 0; r < text.size(); ++r)
            for (int c = 0; c < text[r].size(); ++c) EXPECT_EQ(sheet.cell(r, c), text[r][c]) << r << "," << c;
    }
}

TEST_P(ImportFilesTest, TheSampleSheetsImportCleanly)
{
    writeSampleSheets(dir.path());
    auto path = [&](const char* id) { return dir.filePath(QString::fromUtf8(id) + u(".xlsx")); };

    RosterImport roster(s(), prompter, clock);
    ASSERT_TRUE(roster.loadFile(path("roster")).ok);
    ASSERT_TRUE(roster.check().ok) << roster.results().join(QLatin1Char('|')).toStdString();
    prompter.answer(true);
    ASSERT_TRUE(roster.save(kYear).ok);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students")), sampleStudents().size());
    // Exam numbers come from the seat import; here they are written directly.
    for (const SampleStudent& k : sampleStudents())
        s().exec(QStringLiteral("update students set kaohao=:k where tongyibianhao=:t"),
                 {{QStringLiteral("k"), k.kaohao}, {QStringLiteral("t"), k.tongyibianhao}});

    for (ScoreLayout l : allScoreLayouts()) {
        const ScoreLayoutInfo& info = scoreLayoutInfo(l);
        SCOPED_TRACE(info.command.toStdString());
        s().execRaw(QStringLiteral("delete from stuscore"));
        ScoreImport tab(s(), prompter, clock, l);
        if (info.usesGrade) tab.setGrade(u("初一级"));
        const QString id = u("score-") + QString(info.letter).toLower();
        ASSERT_TRUE(tab.loadFile(path(id.toUtf8().constData())).ok);
        ASSERT_TRUE(tab.check().ok) << tab.results().join(QLatin1Char('|')).toStdString();
        prompter.answer(true);
        ASSERT_TRUE(tab.save().ok);
        EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 3 * sampleStudents().size());
        EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore where score is null")), 1);
        EXPECT_DOUBLE_EQ(s().scalar(QStringLiteral("select score from stuscore where Uname='陈嘉怡' and subject='数学'")).toDouble(), 88.5);
    }
}

TEST_P(ImportFilesTest, HelpPagesShowEachSampleWithItsNotes)
{
    const QStringList pages = importHelpPages();
    EXPECT_EQ(pages, (QStringList{u("学生表样板"), u("班别学号姓名成绩表样板"), u("按 学号姓名成绩样板"), u("按【学籍号】和【姓名】导入成绩"),
                                  u("按【学籍号】导入成绩"), u("按【考号】导入成绩"), u("按【班别】【姓名】导入成绩"), u("试室号样板"),
                                  u("导入一个班科成绩"), u("导入【学籍号】"), u("导入教师样板"), u("工资表模板"), u("教职工表"), u("值日值班")}));
    for (ScoreLayout l : allScoreLayouts()) EXPECT_TRUE(pages.contains(scoreLayoutInfo(l).helpPage));
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        std::unique_ptr<QWidget> w(createImportHelpPage(page));
        ASSERT_TRUE(w);
        auto* table = w->findChild<QTableWidget*>(QStringLiteral("SampleTable"));
        ASSERT_TRUE(table);
        const SampleSheet* sample = nullptr;
        for (const SampleSheet& s : sampleSheets())
            if (s.helpPage == page) sample = &s;
        ASSERT_TRUE(sample);
        EXPECT_EQ(table->rowCount(), sample->rows.size());
        EXPECT_EQ(table->item(0, 0)->text(), sampleCellText(sample->rows[0][0]));
        auto* notes = w->findChild<QLabel*>(QStringLiteral("SampleNotes"));
        ASSERT_TRUE(notes);
        EXPECT_TRUE(notes->text().contains(sample->notes.first()));
    }
    EXPECT_EQ(createImportHelpPage(u("客户机连接不上服务器")), nullptr);
}

OA_INSTANTIATE_ENGINES(ImportFilesTest);
