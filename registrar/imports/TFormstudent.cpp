#include "registrar/imports/TFormstudent.h"

#include "registrar/shell/ListHelpers.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace oa {

TFormstudent::TFormstudent(Session& s, Prompter& p, const Clock& clock, QWidget* parent)
    : QWidget(parent), p_(p), svc_(std::make_unique<RosterImport>(s, p, clock))
{
    setObjectName(QStringLiteral("TFormstudent"));
    setWindowTitle(QStringLiteral("学生导入"));
    setAttribute(Qt::WA_DeleteOnClose);

    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    StringGridshow = new ImportGridView(&svc_->grid(), TabSheet1);

    panel_ = new QWidget(TabSheet1);
    panel_->setFixedWidth(260);
    auto* pv = new QVBoxLayout(panel_);
    pv->addWidget(importInstructions({QStringLiteral("1、浏览查看EXCEL文件"), QStringLiteral("2、查看左表，确保正确"),
                                      QStringLiteral("3、左表不能有空行"), QStringLiteral("4、检查数据，选择学年度后保存"),
                                      QStringLiteral("5、如果中途错误，请查看导入结果把已导入部分删除再整理数据导入")},
                                     QStringLiteral("学生表样板"), &Label1, panel_));
    ButtonLoad = new QPushButton(QStringLiteral("浏  览"), panel_);
    ButtonCheck = new QPushButton(QStringLiteral("检查数据"), panel_);
    ButtonSave = new QPushButton(QStringLiteral("保存到以下"), panel_);
    ButtonSave->setEnabled(false);
    ComboBoxYears = new QComboBox(panel_);
    ComboBoxGrade = new QComboBox(panel_);
    ComboBoxClass = new QComboBox(panel_);
    ComboBoxGrade->hide();
    ComboBoxClass->hide();
    MemoResult = new ResultList(panel_);
    MemoResult->setLines({QStringLiteral("文件检查结果")});
    pv->addWidget(ButtonLoad);
    pv->addWidget(ButtonCheck);
    pv->addWidget(ButtonSave);
    pv->addWidget(new QLabel(QStringLiteral("学年度："), panel_));
    pv->addWidget(ComboBoxYears);
    pv->addWidget(MemoResult, 1);

    auto* h = new QHBoxLayout(TabSheet1);
    h->addWidget(StringGridshow, 1);
    h->addWidget(panel_);
    PageControl1->addTab(TabSheet1, QStringLiteral("学生导入"));
    TabSheet2 = new ImportReviewTab(s, p, BatchReview::Kind::Roster);
    PageControl1->addTab(TabSheet2, QStringLiteral("查看导入结果"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setMaximum(500);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    auto* v = new QVBoxLayout(this);
    v->addWidget(PageControl1, 1);
    v->addWidget(ProgressBar1);

    bridge_ = std::make_unique<ImportBridge>(ProgressBar1, MemoResult, ButtonSave, StringGridshow);
    svc_->setObserver(bridge_.get());

    connect(ButtonLoad, &QPushButton::clicked, this, [this] { ButtonLoadClick(); });
    connect(ButtonCheck, &QPushButton::clicked, this, [this] { ButtonCheckClick(); });
    connect(ButtonSave, &QPushButton::clicked, this, [this] { ButtonSaveClick(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    try {
        FormShow();
    } catch (const DbError& e) {
        p_.error(e.message());
    }
}

TFormstudent::~TFormstudent()
{
    // The views outlive the service while the window is taken down: let them forget its grid first.
    svc_->setObserver(nullptr);
    StringGridshow->gridModel()->setGrid(nullptr);
}

void TFormstudent::FormShow()
{
    Session& s = svc_->session();
    FillVarList(s, QStringLiteral("grade"), ComboBoxGrade);
    FillVarList(s, QStringLiteral("class"), ComboBoxClass);
    FillVarList(s, QStringLiteral("xueqi"), ComboBoxYears);
    ComboBoxYears->setCurrentIndex(-1);
    SelectVarCurrent(s, QStringLiteral("nowxueqi"), ComboBoxYears);
    PageControl1->setCurrentIndex(0);
}

void TFormstudent::run(const std::function<void()>& step)
{
    // While a step runs, window messages are processed between rows: nothing may start a second step or
    // close the window under it.
    if (ImportRunGuard::active()) {
        p_.show(ImportRunGuard::busyMessage());
        return;
    }
    const ImportRunGuard guard;
    busy_ = true;
    panel_->setEnabled(false);
    PageControl1->tabBar()->setEnabled(false);
    try {
        step();
    } catch (const DbError& e) {
        ProgressBar1->setValue(0);
        p_.error(e.message());
    }
    PageControl1->tabBar()->setEnabled(true);
    panel_->setEnabled(true);
    busy_ = false;
}

void TFormstudent::ButtonLoadClick()
{
    run([this] { svc_->browse(); });
}

void TFormstudent::ButtonCheckClick()
{
    run([this] { svc_->check(); });
}

void TFormstudent::ButtonSaveClick()
{
    run([this] {
        const ImportOutcome out = svc_->save(ComboBoxYears->currentText());
        if (out.focus == ImportOutcome::YearList) ComboBoxYears->setFocus();
    });
}

void TFormstudent::PageControl1Change()
{
    TabSheet2->refreshBatches();
}

void TFormstudent::closeEvent(QCloseEvent* e)
{
    if (busy_) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

}  // namespace oa
