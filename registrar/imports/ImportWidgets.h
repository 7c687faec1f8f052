#pragma once
// Widgets the import windows share: the sheet grid, the result list, the bridge that lets a running step
// move the progress bar and keep the window responsive, and the "查看导入结果" tab.
#include "registrar/imports/ImportPipeline.h"

#include <QAbstractTableModel>
#include <QPlainTextEdit>
#include <QSqlRecord>
#include <QTableView>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace oa {

// The sheet grid: 70-pixel columns, a 30-pixel ordinal column, every cell centred on one line.
class ImportGridView : public QTableView {
    Q_OBJECT
public:
    explicit ImportGridView(const ImportGrid* grid, QWidget* parent = nullptr);
    ImportGridModel* gridModel() const { return model_; }

private:
    ImportGridModel* model_;
};

// A result list: read-only lines; a double click selects all its text for copying.
class ResultList : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);
    QStringList lines() const;
    void setLines(const QStringList& lines);
    void addLine(const QString& line);

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// Connects a running import step to its window. The bar wraps at its maximum; pending window messages are
// processed every few rows so the window repaints and stays responsive on long sheets.
class ImportBridge : public ImportObserver {
public:
    ImportBridge(QProgressBar* bar, ResultList* results, QPushButton* save, ImportGridView* grid)
        : bar_(bar), results_(results), save_(save), grid_(grid) {}
    static constexpr int kEventsEvery = 20;

    void progressMaximum(int maximum) override;
    void progressStep() override;
    void progressReset() override;
    void resultsReset(const QStringList& lines) override;
    void resultAdded(const QString& line) override;
    void saveEnabledChanged(bool enabled) override;
    void gridChanged() override;

private:
    void pump();
    QProgressBar* bar_;
    ResultList* results_;
    QPushButton* save_;
    ImportGridView* grid_;
    int sincePump_ = 0;
};

// Rows of a query shown under chosen captions, read-only.
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordTableModel(QList<QPair<QString, QString>> columns, QObject* parent = nullptr)
        : QAbstractTableModel(parent), columns_(std::move(columns)) {}
    void setRows(const QList<QSqlRecord>& rows);
    void clear() { setRows({}); }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(columns_.size()); }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<QPair<QString, QString>> columns_;
    QList<QSqlRecord> rows_;
};

// The "查看导入结果" tab of the roster and score windows.
class ImportReviewTab : public QWidget {
    Q_OBJECT
public:
    ImportReviewTab(Session& s, Prompter& p, BatchReview::Kind kind, QWidget* parent = nullptr);
    BatchReview& review() { return review_; }

    QComboBox* ComboBoxUpName;
    QPushButton* ButtonFind;
    QPushButton* ButtonDelete;
    QTableView* DBGridResult;
    RecordTableModel* model;

    // Refilled at every change of the window's tab.
    void refreshBatches();
    void ButtonFindClick();
    void ButtonDeleteClick();
    void ComboBoxUpNameChange();

private:
    void showRows();
    Prompter& p_;
    BatchReview review_;
};

// One import step at a time in the whole program. A step processes window messages between rows and writes
// in transactions; a second step started meanwhile from another import window would run inside the first
// one's transaction and could undo it.
class ImportRunGuard {
public:
    ImportRunGuard() { ++running(); }
    ~ImportRunGuard() { --running(); }
    ImportRunGuard(const ImportRunGuard&) = delete;
    ImportRunGuard& operator=(const ImportRunGuard&) = delete;
    static bool active() { return running() > 0; }
    static QString busyMessage() { return QStringLiteral("另一个导入正在进行，请等它完成后再操作。"); }

private:
    static int& running()
    {
        static int n = 0;
        return n;
    }
};

// The numbered instructions of an import panel; the first opens the sample-sheet window on `helpPage`.
QWidget* importInstructions(const QStringList& lines, const QString& helpPage, QLabel** link, QWidget* parent);

}  // namespace oa
