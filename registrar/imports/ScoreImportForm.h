#pragma once
#include "registrar/imports/ImportWidgets.h"
#include "registrar/imports/ScoreImport.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace oa {

// One key tab of a score-import window: its own grid, lists, options, buttons and result list.
class ScoreImportPage : public QWidget {
    Q_OBJECT
public:
    ScoreImportPage(Session& s, Prompter& p, const Clock& clock, ScoreLayout layout, QProgressBar* bar,
                    std::function<void(const std::function<void()>&)> run, QWidget* parent = nullptr);
    ~ScoreImportPage() override;
    ScoreImport& service() { return *svc_; }

    ImportGridView* StringGridshow;
    QLabel* Label1;                 // "1、浏览查看EXCEL文件"
    QComboBox* cbxYears;
    QComboBox* cbxTestName;
    QComboBox* cbxGrade;            // the number-and-name layout only
    QComboBox* cbxSubject;          // hidden: the check's subject list
    QCheckBox* CheckBoxNoNumber;    // "不检查【学号】字段"
    QCheckBox* CheckBoxNoName;      // "不检查【姓名】字段"
    QPushButton* ButtonLoad;
    QPushButton* ButtonCheck;
    QPushButton* ButtonSave;
    ResultList* MemoResult;
    QWidget* Panel;

    void FormShow();
    void ButtonLoadClick();
    void ButtonCheckClick();
    void ButtonSaveClick();
    void cbxTestNameChange();

private:
    void focus(ImportOutcome::Focus f);
    std::unique_ptr<ScoreImport> svc_;
    std::unique_ptr<ImportBridge> bridge_;
    std::function<void(const std::function<void()>&)> run_;
};

// The score-import windows: two key tabs, of which the menu command shows one, and "查看导入结果".
class ScoreImportForm : public QWidget {
    Q_OBJECT
public:
    // `shown` is the layout of the menu command; the other key tab is hidden and the caption set to the command.
    ScoreImportForm(Session& s, Prompter& p, const Clock& clock, ScoreLayout first, ScoreLayout second,
                    ScoreLayout shown, QWidget* parent = nullptr);
    ScoreImportPage* page(ScoreLayout layout) const;
    ScoreImportPage* shownPage() const { return page(shown_); }
    bool busy() const { return busy_; }

    QTabWidget* PageControl1;
    ImportReviewTab* TabSheetReview;
    QProgressBar* ProgressBar1;

    void PageControl1Change();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void run(const std::function<void()>& step);
    Prompter& p_;
    ScoreLayout shown_;
    QList<QPair<ScoreLayout, ScoreImportPage*>> pages_;
    bool busy_ = false;
};

// By 级别 班别 学号 姓名 (A) or by 学号 姓名 within a chosen grade (B).
class TFInputScore : public ScoreImportForm {
    Q_OBJECT
public:
    TFInputScore(Session& s, Prompter& p, const Clock& clock, ScoreLayout shown, QWidget* parent = nullptr)
        : ScoreImportForm(s, p, clock, ScoreLayout::A, ScoreLayout::B, shown, parent) {}
};

// By 学籍号 and 姓名 (C) or by 学籍号 alone (D).
class TFInputTongBianHaoScore : public ScoreImportForm {
    Q_OBJECT
public:
    TFInputTongBianHaoScore(Session& s, Prompter& p, const Clock& clock, ScoreLayout shown, QWidget* parent = nullptr)
        : ScoreImportForm(s, p, clock, ScoreLayout::C, ScoreLayout::D, shown, parent) {}
};

// By 级别 考号 姓名 (E) or by 级别 班别 姓名 (F).
class TFormInputKaoHaoScore : public ScoreImportForm {
    Q_OBJECT
public:
    TFormInputKaoHaoScore(Session& s, Prompter& p, const Clock& clock, ScoreLayout shown, QWidget* parent = nullptr)
        : ScoreImportForm(s, p, clock, ScoreLayout::E, ScoreLayout::F, shown, parent) {}
};

}  // namespace oa
