#pragma once
#include "registrar/imports/ImportPipeline.h"

#include <optional>

namespace oa {

// The six ways a score sheet names its students.
enum class ScoreLayout { A, B, C, D, E, F };

struct ScoreLayoutInfo {
    ScoreLayout layout;
    QChar letter;
    QString command;          // menu command and window caption
    QString form;             // the window that carries the layout
    QString tabCaption;
    QString helpPage;         // page of the sample-sheet window
    QStringList headers;      // the fixed key columns, from column 1
    int firstSubjectColumn;
    bool numberOption;        // "不检查【学号】字段"
    bool nameOption;          // "不检查【姓名】字段"
    int nameColumn;           // the sheet's 姓名 column; 0 when the layout has none
    bool usesGrade;           // the tab has a grade list (the number-and-name layout)
};

const ScoreLayoutInfo& scoreLayoutInfo(ScoreLayout layout);
std::optional<ScoreLayout> scoreLayoutFromLetter(const QString& letter);
QList<ScoreLayout> allScoreLayouts();

// One score-import tab: load a score sheet, match every row to its student in the roster of the chosen
// school year, refuse scores the exam already has, and insert one stuscore row per student and subject.
class ScoreImport : public ImportTab {
public:
    ScoreImport(Session& s, Prompter& p, const Clock& clock, ScoreLayout layout);

    const ScoreLayoutInfo& info() const { return info_; }

    // Form start-up: the lists of the tab and their current values.
    void reloadLists();
    const QStringList& years() const { return years_; }
    const QStringList& exams() const { return exams_; }
    const QStringList& grades() const { return grades_; }
    const QStringList& subjects() const { return subjects_; }
    QString currentYear() const { return currentYear_; }
    QString currentExam() const { return currentExam_; }

    // The tab's choices. A change of any of them (the exam name above all) disables the save until the
    // next clean check: the check's findings hold only for the choices it ran with.
    void setYear(const QString& year);
    void setExam(const QString& exam);
    void setGrade(const QString& grade);
    void setSkipNumber(bool on);
    void setSkipName(bool on);
    QString year() const { return year_; }
    QString exam() const { return exam_; }
    QString grade() const { return grade_; }
    bool skipNumber() const { return skipNumber_; }
    bool skipName() const { return skipName_; }

    ImportOutcome check();
    ImportOutcome save();

protected:
    QString loadedMessage(int rows) const override;
    QString ordinal(int sheetRow) const override { return QString::number(sheetRow); }

private:
    struct Key {
        bool valid = false;    // false: the row cannot name a stored score (no student, or no number)
        QVariant grade, cls, number, uname;
    };
    QString lookupSql() const;
    QList<QSqlRecord> findStudents(Statement& st, int row);
    Key duplicateKey(int row, const QList<QSqlRecord>& found) const;
    QString cells1to4(int row) const;
    bool bothSkipped() const { return info_.numberOption && info_.nameOption && skipNumber_ && skipName_; }

    const ScoreLayoutInfo& info_;
    QStringList years_, exams_, grades_, subjects_;
    QString currentYear_, currentExam_;
    QString year_, exam_, grade_;
    bool skipNumber_ = false;
    bool skipName_ = false;
};

}  // namespace oa
