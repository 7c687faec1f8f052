#include "registrar/imports/ScoreImportForm.h"

#include "registrar/shell/ListHelpers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace oa {

// ---- one key tab -------------------------------------------------------------------------------------

ScoreImportPage::ScoreImportPage(Session& s, Prompter& p, const Clock& clock, ScoreLayout layout, QProgressBar* bar,
                                 std::function<void(const std::function<void()>&)> run, QWidget* parent)
    : QWidget(parent), svc_(std::make_unique<ScoreImport>(s, p, clock, layout)), run_(std::move(run))
{
    const ScoreLayoutInfo& info = svc_->info();
    setObjectName(QStringLiteral("TabSheet") + info.letter);
    StringGridshow = new ImportGridView(&svc_->grid(), this);

    Panel = new QWidget(this);
    Panel->setFixedWidth(270);
    auto* pv = new QVBoxLayout(Panel);
    QStringList steps{QStringLiteral("1、浏览查看EXCEL文件"), QStringLiteral("2、查看左表，确保正确"),
                      QStringLiteral("3、左表不能有空行"), QStringLiteral("4、选择学期和考试名称，学生对应检查后保存")};
    pv->addWidget(importInstructions(steps, info.helpPage, &Label1, Panel));

    auto* form = new QFormLayout;
    cbxYears = new QComboBox(Panel);
    cbxTestName = new QComboBox(Panel);
    cbxGrade = new QComboBox(Panel);
    cbxSubject = new QComboBox(Panel);
    cbxSubject->hide();
    form->addRow(QStringLiteral("学期："), cbxYears);
    form->addRow(QStringLiteral("考试名称："), cbxTestName);
    if (info.usesGrade) form->addRow(QStringLiteral("级别："), cbxGrade);
    else cbxGrade->hide();
    pv->addLayout(form);
    CheckBoxNoNumber = new QCheckBox(QStringLiteral("不检查【学号】字段"), Panel);
    CheckBoxNoName = new QCheckBox(QStringLiteral("不检查【姓名】字段"), Panel);
    CheckBoxNoNumber->setVisible(info.numberOption);
    CheckBoxNoName->setVisible(info.nameOption);
    pv->addWidget(CheckBoxNoNumber);
    pv->addWidget(CheckBoxNoName);
    ButtonLoad = new QPushButton(QStringLiteral("浏览Excel文件"), Panel);
    ButtonCheck = new QPushButton(QStringLiteral("学生对应检查"), Panel);
    ButtonSave = new QPushButton(QStringLiteral("保存到以下"), Panel);
    ButtonSave->setEnabled(false);
    pv->addWidget(ButtonLoad);
    pv->addWidget(ButtonCheck);
    pv->addWidget(ButtonSave);
    MemoResult = new ResultList(Panel);
    MemoResult->setLines({QStringLiteral("文件检查结果")});
    pv->addWidget(MemoResult, 1);

    auto* h = new QHBoxLayout(this);
    h->addWidget(StringGridshow, 1);
    h->addWidget(Panel);

    bridge_ = std::make_unique<ImportBridge>(bar, MemoResult, ButtonSave, StringGridshow);
    svc_->setObserver(bridge_.get());

    connect(ButtonLoad, &QPushButton::clicked, this, [this] { ButtonLoadClick(); });
    connect(ButtonCheck, &QPushButton::clicked, this, [this] { ButtonCheckClick(); });
    connect(ButtonSave, &QPushButton::clicked, this, [this] { ButtonSaveClick(); });
    connect(cbxTestName, &QComboBox::currentTextChanged, this, [this] { cbxTestNameChange(); });
    connect(cbxYears, &QComboBox::currentTextChanged, this, [this](const QString& t) { svc_->setYear(t); });
    connect(cbxGrade, &QComboBox::currentTextChanged, this, [this](const QString& t) { svc_->setGrade(t); });
    connect(CheckBoxNoNumber, &QCheckBox::toggled, this, [this](bool on) { svc_->setSkipNumber(on); });
    connect(CheckBoxNoName, &QCheckBox::toggled, this, [this](bool on) { svc_->setSkipName(on); });
    FormShow();
}

ScoreImportPage::~ScoreImportPage()
{
    // The views outlive the service while the window is taken down: let them forget its grid first.
    svc_->setObserver(nullptr);
    StringGridshow->gridModel()->setGrid(nullptr);
}

void ScoreImportPage::FormShow()
{
    Session& s = svc_->session();
    {
        const QSignalBlocker b1(cbxYears), b2(cbxTestName), b3(cbxGrade), b4(cbxSubject);
        FillVarList(s, QStringLiteral("xueqi"), cbxYears);
        cbxYears->setCurrentIndex(-1);
        SelectVarCurrent(s, QStringLiteral("nowxueqi"), cbxYears);
        FillVarList(s, QStringLiteral("TestName"), cbxTestName);
        cbxTestName->setCurrentIndex(-1);
        SelectVarCurrent(s, QStringLiteral("nowtestname"), cbxTestName);
        FillVarList(s, QStringLiteral("grade"), cbxGrade);
        cbxGrade->setCurrentIndex(-1);
        FillVarList(s, QStringLiteral("subject"), cbxSubject);
    }
    svc_->setYear(cbxYears->currentText());
    svc_->setExam(cbxTestName->currentText());
    svc_->setGrade(cbxGrade->currentText());
}

void ScoreImportPage::focus(ImportOutcome::Focus f)
{
    if (f == ImportOutcome::ExamList) cbxTestName->setFocus();
    else if (f == ImportOutcome::YearList) cbxYears->setFocus();
}

void ScoreImportPage::ButtonLoadClick()
{
    run_([this] { svc_->browse(); });
}

void ScoreImportPage::ButtonCheckClick()
{
    run_([this] { focus(svc_->check().focus); });
}

void ScoreImportPage::ButtonSaveClick()
{
    run_([this] { focus(svc_->save().focus); });
}

void ScoreImportPage::cbxTestNameChange() { svc_->setExam(cbxTestName->currentText()); }

// ---- window ------------------------------------------------------------------------------------------

ScoreImportForm::ScoreImportForm(Session& s, Prompter& p, const Clock& clock, ScoreLayout first, ScoreLayout second,
                                 ScoreLayout shown, QWidget* parent)
    : QWidget(parent), p_(p), shown_(shown)
{
    setObjectName(scoreLayoutInfo(first).form);
    setAttribute(Qt::WA_DeleteOnClose);
    PageControl1 = new QTabWidget(this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setMaximum(500);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    auto runner = [this](const std::function<void()>& step) { run(step); };
    for (ScoreLayout l : {first, second}) {
        auto* page = new ScoreImportPage(s, p, clock, l, ProgressBar1, runner);
        pages_.append({l, page});
        PageControl1->addTab(page, scoreLayoutInfo(l).tabCaption);
    }
    TabSheetReview = new ImportReviewTab(s, p, BatchReview::Kind::Scores);
    PageControl1->addTab(TabSheetReview, QStringLiteral("查看导入结果"));
    for (int i = 0; i < pages_.size(); ++i) PageControl1->setTabVisible(i, pages_[i].first == shown);
    PageControl1->setCurrentWidget(page(shown));

    auto* v = new QVBoxLayout(this);
    v->addWidget(PageControl1, 1);
    v->addWidget(ProgressBar1);
    setWindowTitle(scoreLayoutInfo(shown).command);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
}

ScoreImportPage* ScoreImportForm::page(ScoreLayout layout) const
{
    for (const auto& p : pages_)
        if (p.first == layout) return p.second;
    return nullptr;
}

void ScoreImportForm::PageControl1Change() { TabSheetReview->refreshBatches(); }

void ScoreImportForm::run(const std::function<void()>& step)
{
    // Window messages are processed between rows while a step runs: nothing may start a second step, switch
    // tabs or close the window under it.
    if (ImportRunGuard::active()) {
        p_.show(ImportRunGuard::busyMessage());
        return;
    }
    const ImportRunGuard guard;
    busy_ = true;
    for (const auto& p : pages_) p.second->Panel->setEnabled(false);
    PageControl1->tabBar()->setEnabled(false);
    try {
        step();
    } catch (const DbError& e) {
        ProgressBar1->setValue(0);
        p_.error(e.message());
    }
    PageControl1->tabBar()->setEnabled(true);
    for (const auto& p : pages_) p.second->Panel->setEnabled(true);
    busy_ = false;
}

void ScoreImportForm::closeEvent(QCloseEvent* e)
{
    if (busy_) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

}  // namespace oa
