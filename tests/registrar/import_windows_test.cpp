// Each import window driven offscreen through a whole path with the scripted prompter: load a sheet from a
// file, check it, save it, review the batch and delete it.
#include "import_support.h"

#include "common/config/DesktopSettings.h"
#include "registrar/imports/HelpPages.h"
#include "registrar/imports/ImportRegistration.h"
#include "registrar/imports/ScoreImportForm.h"
#include "registrar/imports/TFormstudent.h"
#include "registrar/shell/Commands.h"
#include "registrar/shell/TFMain.h"
#include "registrar/shell/TFHelp.h"
#include "registrar/shell/WindowRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace oa;
using namespace oa::import_test;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class ImportWindowTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<oa::test::SchoolDatabase>(GetParam());
        fillLists(s());
        for (const Kid& k : kids()) addStudent(s(), k);
        setImportHelpOpener([this](const QString& page) { helpPages << page; });
    }
    void TearDown() override { setImportHelpOpener({}); }
    Session& s() { return db->session(); }

    std::unique_ptr<oa::test::SchoolDatabase> db;
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    FixedClock clock{kNow};
    QStringList helpPages;
};

void click(QPushButton* b)
{
    ASSERT_TRUE(b->isEnabled()) << b->text().toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
}

}  // namespace

TEST_P(ImportWindowTest, RosterWindowLoadsChecksSavesReviewsAndDeletes)
{
    const QString path = writeCsv(dir, u("新生名单.csv"),
                                  {{u("级别"), u("班别"), u("学号"), u("姓名"), u("性别")},
                                   {u("初二级"), u("01班"), u("1"), u("周一"), u("男")},
                                   {u("初二级"), u("01班"), u("2"), u("吴二"), u("女")}});
    TFormstudent w(s(), prompter, clock);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.resize(1000, 600);
    w.show();
    EXPECT_EQ(w.windowTitle(), u("学生导入"));
    EXPECT_EQ(w.objectName(), u("TFormstudent"));
    EXPECT_EQ(w.ComboBoxYears->currentText(), kYear);
    EXPECT_FALSE(w.ComboBoxGrade->isVisible());
    EXPECT_FALSE(w.ButtonSave->isEnabled());
    EXPECT_EQ(w.MemoResult->lines(), QStringList{u("文件检查结果")});

    w.Label1->linkActivated(QStringLiteral("help"));
    EXPECT_EQ(helpPages, QStringList{u("学生表样板")});

    prompter.answer(path);
    click(w.ButtonLoad);
    EXPECT_EQ(prompter.lastText(), u("一共2条记录，读完数据"));
    EXPECT_EQ(w.StringGridshow->model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), u("姓名"));
    EXPECT_EQ(w.StringGridshow->model()->index(1, 3).data().toString(), u("吴二"));
    EXPECT_EQ(w.StringGridshow->model()->headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), u("2"));
    EXPECT_EQ(w.StringGridshow->horizontalHeader()->defaultSectionSize(), 70);
    EXPECT_FALSE(w.ButtonSave->isEnabled());

    click(w.ButtonCheck);
    EXPECT_EQ(prompter.lastText(), u("一共2条记录，数据检查完毕,发现  0个数据有问题"));
    EXPECT_TRUE(w.ButtonSave->isEnabled());

    prompter.answer(true);
    click(w.ButtonSave);
    EXPECT_EQ(prompter.lastText(), u("一共2条记录，数据已经成功导入到数据库"));
    EXPECT_FALSE(w.ButtonSave->isEnabled());
    EXPECT_TRUE(w.MemoResult->lines().isEmpty());
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students where grade='初二级' and Years=:y"), {{QStringLiteral("y"), kYear}}), 2);

    w.PageControl1->setCurrentIndex(1);
    ImportReviewTab* review = w.TabSheet2;
    const QString batch = u("文件:新生名单.csv") + kStamp;
    ASSERT_EQ(review->ComboBoxUpName->count(), 1);
    EXPECT_EQ(review->ComboBoxUpName->itemText(0), batch);
    review->ComboBoxUpName->setCurrentIndex(0);
    click(review->ButtonFind);
    ASSERT_EQ(review->model->rowCount(), 2);
    EXPECT_EQ(review->model->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), u("姓名"));
    EXPECT_EQ(review->model->index(0, 5).data().toString(), u("周一"));
    prompter.answer(true);
    click(review->ButtonDelete);
    EXPECT_EQ(review->model->rowCount(), 0);
    EXPECT_EQ(review->ComboBoxUpName->count(), 0);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from students")), 3);
}

TEST_P(ImportWindowTest, AnUnreadableFileLeavesTheGridEmptyAndTheSaveDisabled)
{
    const QString good = writeCsv(dir, u("好.csv"), {{u("级别"), u("学号")}, {u("初一级"), u("1")}});
    const QString bad = dir.filePath(u("坏表格.xlsx"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 this is not a workbook");
    f.close();
    TFormstudent w(s(), prompter, clock);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.show();
    prompter.answer(good);
    click(w.ButtonLoad);
    click(w.ButtonCheck);
    ASSERT_TRUE(w.ButtonSave->isEnabled());
    prompter.clear();
    prompter.answer(bad);
    click(w.ButtonLoad);
    ASSERT_EQ(prompter.shown().size(), 2) << prompter.texts().join(QLatin1Char('|')).toStdString();   // the dialog, one message
    EXPECT_EQ(prompter.shown()[1].caption, u("错误"));
    EXPECT_TRUE(prompter.lastText().contains(u("坏表格.xlsx"))) << prompter.lastText().toStdString();
    EXPECT_FALSE(w.ButtonSave->isEnabled());
    EXPECT_EQ(w.StringGridshow->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
    EXPECT_EQ(w.service().dataRows(), 0);
}

TEST_P(ImportWindowTest, ScoreWindowsShowTheCommandsTabAndImport)
{
    struct Case {
        ScoreLayout layout;
        std::function<ScoreImportForm*()> make;
        ScoreLayout hidden;
    };
    const QList<Case> cases = {
        {ScoreLayout::A, [&] { return new TFInputScore(s(), prompter, clock, ScoreLayout::A); }, ScoreLayout::B},
        {ScoreLayout::B, [&] { return new TFInputScore(s(), prompter, clock, ScoreLayout::B); }, ScoreLayout::A},
        {ScoreLayout::D, [&] { return new TFInputTongBianHaoScore(s(), prompter, clock, ScoreLayout::D); }, ScoreLayout::C},
        {ScoreLayout::E, [&] { return new TFormInputKaoHaoScore(s(), prompter, clock, ScoreLayout::E); }, ScoreLayout::F},
    };
    for (const Case& c : cases) {
        const ScoreLayoutInfo& info = scoreLayoutInfo(c.layout);
        SCOPED_TRACE(info.command.toStdString());
        s().execRaw(QStringLiteral("delete from stuscore"));
        std::unique_ptr<ScoreImportForm> w(c.make());
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->resize(1100, 650);
        w->show();
        EXPECT_EQ(w->windowTitle(), info.command);
        EXPECT_EQ(w->objectName(), info.form);
        ScoreImportPage* page = w->shownPage();
        EXPECT_EQ(w->PageControl1->currentWidget(), page);
        EXPECT_EQ(w->PageControl1->tabText(w->PageControl1->currentIndex()), info.tabCaption);
        EXPECT_FALSE(w->PageControl1->isTabVisible(w->PageControl1->indexOf(w->page(c.hidden))));
        EXPECT_EQ(page->cbxYears->currentText(), kYear);
        EXPECT_EQ(page->cbxTestName->currentText(), kExam);
        EXPECT_EQ(page->cbxGrade->isVisible(), info.usesGrade);
        EXPECT_EQ(page->CheckBoxNoNumber->isVisible(), info.numberOption);
        EXPECT_EQ(page->CheckBoxNoName->isVisible(), info.nameOption);
        EXPECT_EQ(page->MemoResult->lines(), QStringList{u("文件检查结果")});
        if (info.usesGrade) page->cbxGrade->setCurrentText(u("初一级"));

        helpPages.clear();
        page->Label1->linkActivated(QStringLiteral("help"));
        EXPECT_EQ(helpPages, QStringList{info.helpPage});

        QList<QStringList> rows{info.headers + QStringList{u("语文"), u("英语")}};
        for (const Kid& k : kids()) {
            QStringList keys;
            for (const QString& h : info.headers)
                keys << (h == u("级别") ? k.grade : h == u("班别") ? k.cls : h == u("学号") ? QString::number(k.number)
                                         : h == u("姓名") ? k.name : h == u("学籍号") ? k.tyb : k.kaohao);
            rows << keys + QStringList{u("90"), u("85.5")};
        }
        prompter.answer(writeCsv(dir, QStringLiteral("成绩%1.csv").arg(info.letter), rows));
        click(page->ButtonLoad);
        EXPECT_EQ(prompter.lastText(), u("一共3条记录，读完数据，请确保数据中没有空学号等，数据中间不要空着的行和列"));
        click(page->ButtonCheck);
        EXPECT_EQ(prompter.lastText(), u("一共3条记录，数据检查完毕,发现  0个数据有问题,请处理"));
        ASSERT_TRUE(page->ButtonSave->isEnabled());

        // A change of the exam disables the save until the next check.
        page->cbxTestName->setCurrentText(u("期末考试"));
        EXPECT_FALSE(page->ButtonSave->isEnabled());
        page->cbxTestName->setCurrentText(kExam);
        click(page->ButtonCheck);

        prompter.answer(true);
        click(page->ButtonSave);
        EXPECT_EQ(prompter.lastText(), u("一共3条记录，数据已经成功导入到数据库"));
        EXPECT_EQ(page->MemoResult->lines().last(), u("4行黄三成功"));
        EXPECT_FALSE(page->ButtonSave->isEnabled());
        EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 6);

        // The same sheet again: every score is already there.
        click(page->ButtonCheck);
        EXPECT_EQ(prompter.lastText(), u("一共3条记录，数据检查完毕,发现  6个数据有问题,请处理"));
        EXPECT_FALSE(page->ButtonSave->isEnabled());

        w->PageControl1->setCurrentWidget(w->TabSheetReview);
        ImportReviewTab* review = w->TabSheetReview;
        ASSERT_EQ(review->ComboBoxUpName->count(), 1);
        review->ComboBoxUpName->setCurrentIndex(0);
        click(review->ButtonFind);
        EXPECT_EQ(review->model->rowCount(), 6);
        EXPECT_EQ(review->model->headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), u("考试名名称"));
        prompter.answer(true);
        click(review->ButtonDelete);
        EXPECT_EQ(review->model->rowCount(), 0);
        EXPECT_EQ(count(s(), QStringLiteral("select count(*) from stuscore")), 0);
    }
}

TEST_P(ImportWindowTest, TheBarMovesAndTheWindowCannotCloseWhileAStepRuns)
{
    QList<QStringList> rows{{u("级别"), u("班别"), u("学号"), u("姓名")}};
    for (int i = 1; i <= 300; ++i) rows << QStringList{u("初一级"), u("01班"), QString::number(i), QStringLiteral("学生%1").arg(i)};
    const QString path = writeCsv(dir, u("大表.csv"), rows);
    TFormstudent w(s(), prompter, clock);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.show();
    TFormstudent other(s(), prompter, clock);
    other.setAttribute(Qt::WA_DeleteOnClose, false);
    int maxSeen = 0;
    bool closedWhileBusy = true;
    bool panelEnabledWhileBusy = true;
    bool triedOther = false;
    // A timer fires while the rows are processed: the events are pumped.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, &w, [&] {
        if (!w.busy()) return;
        maxSeen = std::max(maxSeen, w.ProgressBar1->value());
        closedWhileBusy = w.close();
        panelEnabledWhileBusy = w.ButtonCheck->isEnabled();
        if (!triedOther) {
            triedOther = true;
            other.ButtonLoadClick();   // another import window may not start a step meanwhile
        }
    });
    probe.start(0);
    prompter.answer(path);
    click(w.ButtonLoad);
    click(w.ButtonCheck);
    probe.stop();
    EXPECT_GT(maxSeen, 0);
    EXPECT_FALSE(closedWhileBusy);
    EXPECT_FALSE(panelEnabledWhileBusy);
    EXPECT_TRUE(prompter.wasShown(ImportRunGuard::busyMessage()));
    int dialogs = 0;
    for (const Shown& x : prompter.shown()) dialogs += x.kind == Shown::OpenFile;
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_TRUE(w.ButtonSave->isEnabled());
}

OA_INSTANTIATE_ENGINES(ImportWindowTest);

TEST(ImportRegistration, EachMenuCommandOpensItsWindowMaximisedOnItsTab)
{
    oa::test::SchoolDatabase db(Engine::SQLite);
    fillLists(db.session());
    ScriptedPrompter prompter;
    FakeMachine machine;
    Clock clock;
    QTemporaryDir dir;
    DesktopSettings desktop(dir.filePath(QStringLiteral("desktop.ini")));
    WindowRegistry none;
    TFMain main(prompter, machine, clock, desktop, none);
    registerImportWindows();

    struct Case {
        const char* id;
        const char* caption;     // the window's caption
        const char* form;        // its object name
        std::optional<ScoreLayout> shown;
    };
    const QList<Case> cases = {
        {win::StudentImport, "学生导入", "TFormstudent", std::nullopt},
        {win::ScoreImportClassNumberName, "按【班别】【学号】【姓名】导入成绩", "TFInputScore", ScoreLayout::A},
        {win::ScoreImportNumberName, "按【学号】【姓名】导入成绩", "TFInputScore", ScoreLayout::B},
        {win::ScoreImportUnifiedName, "按【学籍号】【姓名】导入成绩", "TFInputTongBianHaoScore", ScoreLayout::C},
        {win::ScoreImportUnified, "按【学籍号】导入成绩", "TFInputTongBianHaoScore", ScoreLayout::D},
        {win::ScoreImportExamNumberName, "按【考号】【姓名】导入成绩", "TFormInputKaoHaoScore", ScoreLayout::E},
        {win::ScoreImportClassName, "按【班别】【姓名】导入成绩", "TFormInputKaoHaoScore", ScoreLayout::F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QString command;
        for (const Command& cmd : registrarCommands())
            if (cmd.window == QString::fromLatin1(c.id)) command = cmd.caption;
        ASSERT_FALSE(command.isEmpty());
        const WindowRegistry::Entry* entry = WindowRegistry::global().find(QString::fromLatin1(c.id));
        ASSERT_TRUE(entry);
        const WindowContext ctx{db.session(), prompter, clock, machine, desktop, main, command};
        std::unique_ptr<QWidget> w(entry->factory(ctx, nullptr));
        ASSERT_TRUE(w);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        EXPECT_EQ(w->windowTitle(), u(c.caption));
        EXPECT_EQ(w->objectName(), u(c.form));
        EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
        if (!c.shown) continue;
        auto* form = qobject_cast<ScoreImportForm*>(w.get());
        ASSERT_TRUE(form);
        EXPECT_EQ(form->PageControl1->currentWidget(), form->page(*c.shown));
        EXPECT_EQ(form->PageControl1->tabText(form->PageControl1->currentIndex()), scoreLayoutInfo(*c.shown).tabCaption);
        int visibleKeyTabs = 0;
        for (int i = 0; i < form->PageControl1->count(); ++i)
            visibleKeyTabs += form->PageControl1->isTabVisible(i) && form->PageControl1->widget(i) != form->TabSheetReview;
        EXPECT_EQ(visibleKeyTabs, 1) << "the other key tab is hidden";
    }
}

TEST(ImportRegistration, TheMenuCommandsAndTheSampleSheetWindowKnowTheImports)
{
    registerImportWindows();
    for (const char* id : {win::StudentImport, win::ScoreImportNumberName, win::ScoreImportClassNumberName,
                           win::ScoreImportExamNumberName, win::ScoreImportClassName, win::ScoreImportUnified,
                           win::ScoreImportUnifiedName})
        EXPECT_TRUE(WindowRegistry::global().contains(QString::fromLatin1(id))) << id;

    registerImportHelpPages();
    for (const QString& page : importHelpPages()) {
        EXPECT_TRUE(TFHelp::hasPage(page)) << page.toStdString();
        EXPECT_TRUE(TFHelp::pageCaptions().contains(page)) << page.toStdString();
    }
    showImportHelp(u("按【考号】导入成绩"));
    TFHelp* help = TFHelp::instance();
    ASSERT_TRUE(help);
    EXPECT_EQ(help->currentPage(), u("按【考号】导入成绩"));
    QWidget* page = help->pageWidget(u("按【考号】导入成绩"));
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->findChild<QTableWidget*>(QStringLiteral("SampleTable")));
    help->close();
    setImportHelpOpener({});
}
