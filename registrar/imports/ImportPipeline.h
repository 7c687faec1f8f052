#pragma once
#include "common/db/Session.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "registrar/imports/ImportGrid.h"

#include <QSqlRecord>
#include <QStringList>
#include <functional>

namespace oa {

struct Sheet;

// What a window (or the command line) follows while an import step runs: the progress bar, the result list
// and the save button. Every call is made on the caller's thread, between rows.
class ImportObserver {
public:
    virtual ~ImportObserver() = default;
    virtual void progressMaximum(int /*maximum*/) {}
    virtual void progressStep() {}
    virtual void progressReset() {}
    virtual void resultsReset(const QStringList& /*lines*/) {}
    virtual void resultAdded(const QString& /*line*/) {}
    virtual void saveEnabledChanged(bool /*enabled*/) {}
    virtual void gridChanged() {}
};

// How one step ended.
struct ImportOutcome {
    enum Focus { NoFocus, YearList, ExamList };
    bool ok = false;          // load: the sheet was read; check: no problem; save: every row saved
    bool cancelled = false;   // the user cancelled a dialog or answered No
    int rows = 0;             // data rows handled
    int problems = 0;         // check: problems counted
    QString message;          // the closing message or the error that was shown
    QString batch;            // save: the batch name the rows carry
    Focus focus = NoFocus;    // where the window puts the focus afterwards
};

// One import tab: the loaded grid, the chosen file, the number of data rows and whether the save is enabled,
// with the load step the roster and score imports share. Subclasses add the check and the save.
class ImportTab {
public:
    ImportTab(Session& s, Prompter& p, const Clock& clock, int gridRows);
    virtual ~ImportTab() = default;
    ImportTab(const ImportTab&) = delete;
    ImportTab& operator=(const ImportTab&) = delete;

    void setObserver(ImportObserver* o) { obs_ = o ? o : &none_; }
    Session& session() { return s_; }
    Prompter& prompter() { return p_; }

    const ImportGrid& grid() const { return grid_; }
    QString filePath() const { return path_; }
    int dataRows() const { return dataRows_; }
    bool saveEnabled() const { return saveEnabled_; }
    const QStringList& results() const { return results_; }

    // Load: empties the grid and disables the save, asks for a file and reads its first worksheet.
    ImportOutcome browse();
    // The same without the dialog.
    ImportOutcome loadFile(const QString& path);
    // The same from a sheet already read (tests, and the command line's error path).
    ImportOutcome loadSheet(const Sheet& sheet, const QString& path);

    // The file dialog's filter: every format the reader understands.
    static QString fileFilter();
    // Rows are committed in groups of this many; a failing row still leaves every earlier row saved.
    static constexpr int kSaveChunk = 250;

protected:
    virtual QString loadedMessage(int rows) const = 0;
    // Grid column 0 of the sheet row r (1-based; r = 1 is the header row).
    virtual QString ordinal(int sheetRow) const = 0;

    void beginLoad();   // step 1 of the load
    void setSaveEnabled(bool on);
    void resetResults(const QStringList& lines = {});
    void addResult(const QString& line);
    void showError(const QString& text) { p_.error(text); }
    void showMessage(const QString& text) { p_.show(text); }
    bool ask(const QString& text) { return p_.question(QStringLiteral("提示"), text); }
    // The end of a check: the closing message ("一共N条记录，数据检查完毕,发现  K个数据有问题" + tail), and the
    // save enabled when nothing was found.
    ImportOutcome finishCheck(int rows, int problems, const QString& tail = QString());

    // A save that stopped at one row. column is the grid column whose value failed (0: the whole row).
    struct RowFailure {
        int row;
        int column;
        QString message;
    };
    // Runs saveRow(r, limit) for r = 1..rows in transactions of kSaveChunk rows. saveRow writes the row's
    // values in grid columns below `limit` and throws RowFailure when one is refused; afterRow runs once
    // per saved row. When a row fails, the rows before it (and the values of the failing row before the
    // refused one) are written again and committed, as a row-by-row save would have left them, and the
    // failure is returned.
    std::optional<RowFailure> saveRows(int rows, const std::function<void(int row, int limit)>& saveRow,
                                       const std::function<void(int row)>& afterRow);

    Session& s_;
    Prompter& p_;
    const Clock& clock_;
    ImportGrid grid_;
    ImportObserver none_;
    ImportObserver* obs_ = &none_;
    QString path_;
    int dataRows_ = 0;
    bool saveEnabled_ = false;
    QStringList results_;
};

// The "查看导入结果" tab: the batches of one table, the rows of one batch, and deleting them.
class BatchReview {
public:
    enum class Kind { Roster, Scores };
    BatchReview(Session& s, Prompter& p, Kind kind) : s_(s), p_(p), kind_(kind) {}

    // Refilled at every tab change: the newest batches first, at most 20 (roster) or 50 (scores).
    QStringList refreshBatches();
    const QStringList& batches() const { return batches_; }
    // Choosing another batch name closes the shown rows.
    void choose(const QString& name);
    // "查找": shows the rows of a batch. False when refused (no name) or the database failed.
    bool find(const QString& name);
    bool isOpen() const { return open_; }
    QString shownBatch() const { return shown_; }
    const QList<QSqlRecord>& rows() const { return rows_; }
    // "删除本次导入成绩": asks, deletes the shown batch, shows it again and refills the list. True when deleted.
    bool deleteShown();

    // The columns the result grid shows: field name and caption.
    static QList<QPair<QString, QString>> gridColumns(Kind kind);
    static int batchLimit(Kind kind) { return kind == Kind::Roster ? 20 : 50; }

private:
    Session& s_;
    Prompter& p_;
    Kind kind_;
    QStringList batches_;
    bool open_ = false;
    QString shown_;
    QList<QSqlRecord> rows_;
};

}  // namespace oa
