#include "registrar/imports/ImportWidgets.h"

#include "registrar/imports/HelpPages.h"
#include "registrar/imports/ImportText.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace oa {

// ---- grid --------------------------------------------------------------------------------------------

ImportGridView::ImportGridView(const ImportGrid* grid, QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("StringGridshow"));
    model_ = new ImportGridModel(grid, this);
    setModel(model_);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    horizontalHeader()->setDefaultSectionSize(70);
    horizontalHeader()->setMinimumSectionSize(20);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setMinimumWidth(30);
    verticalHeader()->setDefaultSectionSize(22);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

// ---- result list -------------------------------------------------------------------------------------

ResultList::ResultList(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

QStringList ResultList::lines() const
{
    const QString t = toPlainText();
    return t.isEmpty() ? QStringList() : t.split(QLatin1Char('\n'));
}

void ResultList::setLines(const QStringList& lines) { setPlainText(lines.join(QLatin1Char('\n'))); }

void ResultList::addLine(const QString& line) { appendPlainText(line); }

void ResultList::mouseDoubleClickEvent(QMouseEvent* e)
{
    QPlainTextEdit::mouseDoubleClickEvent(e);
    selectAll();
}

// ---- bridge ------------------------------------------------------------------------------------------

void ImportBridge::pump()
{
    if (++sincePump_ < kEventsEvery) return;
    sincePump_ = 0;
    QCoreApplication::processEvents();
}

void ImportBridge::progressMaximum(int maximum)
{
    if (bar_) bar_->setMaximum(std::max(1, maximum));
}

void ImportBridge::progressStep()
{
    if (bar_) bar_->setValue(bar_->value() >= bar_->maximum() ? 0 : bar_->value() + 1);
    pump();
}

void ImportBridge::progressReset()
{
    if (bar_) bar_->setValue(0);
}

void ImportBridge::resultsReset(const QStringList& lines)
{
    if (results_) results_->setLines(lines);
}

void ImportBridge::resultAdded(const QString& line)
{
    if (results_) results_->addLine(line);
}

void ImportBridge::saveEnabledChanged(bool enabled)
{
    if (save_) save_->setEnabled(enabled);
}

void ImportBridge::gridChanged()
{
    if (grid_) grid_->gridModel()->refresh();
}

// ---- record model ------------------------------------------------------------------------------------

void RecordTableModel::setRows(const QList<QSqlRecord>& rows)
{
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const QSqlRecord& r = rows_[index.row()];
    const QString& field = columns_[index.column()].first;
    const QVariant v = r.value(field);
    if (field.compare(QLatin1String("birthday"), Qt::CaseInsensitive) == 0 && !v.isNull())
        return toDateTime(v).date().toString(ImportText::shortDateFormat());
    return fieldText(v);
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return columns_.value(section).second;
    return section + 1;
}

// ---- review tab --------------------------------------------------------------------------------------

ImportReviewTab::ImportReviewTab(Session& s, Prompter& p, BatchReview::Kind kind, QWidget* parent)
    : QWidget(parent), p_(p), review_(s, p, kind)
{
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("导入文件："), this));
    ComboBoxUpName = new QComboBox(this);
    ComboBoxUpName->setObjectName(QStringLiteral("ComboBoxUpName"));
    ComboBoxUpName->setMinimumWidth(360);
    top->addWidget(ComboBoxUpName, 1);
    ButtonFind = new QPushButton(QStringLiteral("查找"), this);
    ButtonFind->setObjectName(QStringLiteral("ButtonFind"));
    top->addWidget(ButtonFind);
    ButtonDelete = new QPushButton(QStringLiteral("删除本次导入成绩"), this);
    ButtonDelete->setObjectName(QStringLiteral("ButtonDelete"));
    top->addWidget(ButtonDelete);
    top->addStretch();
    DBGridResult = new QTableView(this);
    DBGridResult->setObjectName(QStringLiteral("DBGridResult"));
    model = new RecordTableModel(BatchReview::gridColumns(kind), this);
    DBGridResult->setModel(model);
    DBGridResult->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridResult->horizontalHeader()->setDefaultSectionSize(80);
    auto* v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addWidget(DBGridResult, 1);

    connect(ButtonFind, &QPushButton::clicked, this, [this] { ButtonFindClick(); });
    connect(ButtonDelete, &QPushButton::clicked, this, [this] { ButtonDeleteClick(); });
    connect(ComboBoxUpName, &QComboBox::currentIndexChanged, this, [this] { ComboBoxUpNameChange(); });
}

void ImportReviewTab::refreshBatches()
{
    QSignalBlocker block(ComboBoxUpName);
    const QString was = ComboBoxUpName->currentText();
    try {
        review_.refreshBatches();
    } catch (const DbError& e) {
        p_.error(e.message());
    }
    ComboBoxUpName->clear();
    ComboBoxUpName->addItems(review_.batches());
    ComboBoxUpName->setCurrentIndex(review_.batches().indexOf(was));
    review_.choose(ComboBoxUpName->currentText());
    showRows();
}

void ImportReviewTab::ComboBoxUpNameChange()
{
    review_.choose(ComboBoxUpName->currentText());
    showRows();
}

void ImportReviewTab::ButtonFindClick()
{
    try {
        review_.find(ComboBoxUpName->currentText());
    } catch (const DbError& e) {
        p_.error(e.message());
    }
    showRows();
}

void ImportReviewTab::ButtonDeleteClick()
{
    if (ImportRunGuard::active()) {
        p_.show(ImportRunGuard::busyMessage());
        return;
    }
    try {
        review_.deleteShown();
    } catch (const DbError& e) {
        p_.error(e.message());
    }
    const QString shown = review_.shownBatch();
    {
        QSignalBlocker block(ComboBoxUpName);
        ComboBoxUpName->clear();
        ComboBoxUpName->addItems(review_.batches());
        ComboBoxUpName->setCurrentIndex(review_.batches().indexOf(shown));
    }
    showRows();
}

void ImportReviewTab::showRows()
{
    if (review_.isOpen()) model->setRows(review_.rows());
    else model->clear();
}

// ---- instructions ------------------------------------------------------------------------------------

QWidget* importInstructions(const QStringList& lines, const QString& helpPage, QLabel** link, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(new QLabel(QStringLiteral("操作说明"), box));
    for (int i = 0; i < lines.size(); ++i) {
        auto* l = new QLabel(box);
        l->setWordWrap(true);
        if (i == 0) {
            l->setObjectName(QStringLiteral("Label1"));
            l->setText(QStringLiteral("<a href=\"help\">%1</a>").arg(lines[i].toHtmlEscaped()));
            l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
            QObject::connect(l, &QLabel::linkActivated, l, [helpPage] { showImportHelp(helpPage); });
            if (link) *link = l;
        } else {
            l->setText(lines[i]);
        }
        v->addWidget(l);
    }
    return box;
}

}  // namespace oa
