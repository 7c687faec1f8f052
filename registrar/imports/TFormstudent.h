#pragma once
#include "registrar/imports/ImportWidgets.h"
#include "registrar/imports/RosterImport.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace oa {

// "学生导入": loads a roster sheet, checks it and inserts the students for the chosen school year; the
// second tab reviews and deletes earlier batches.
class TFormstudent : public QWidget {
    Q_OBJECT
public:
    TFormstudent(Session& s, Prompter& p, const Clock& clock, QWidget* parent = nullptr);
    ~TFormstudent() override;
    RosterImport& service() { return *svc_; }
    bool busy() const { return busy_; }

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    ImportReviewTab* TabSheet2;
    ImportGridView* StringGridshow;
    QLabel* Label1;              // "1、浏览查看EXCEL文件"
    QComboBox* ComboBoxYears;
    QComboBox* ComboBoxGrade;    // hidden: the check's grade list
    QComboBox* ComboBoxClass;    // hidden: the check's class list
    QPushButton* ButtonLoad;
    QPushButton* ButtonCheck;
    QPushButton* ButtonSave;
    ResultList* MemoResult;
    QProgressBar* ProgressBar1;

    void FormShow();
    void ButtonLoadClick();
    void ButtonCheckClick();
    void ButtonSaveClick();
    void PageControl1Change();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void run(const std::function<void()>& step);
    Prompter& p_;
    std::unique_ptr<RosterImport> svc_;
    std::unique_ptr<ImportBridge> bridge_;
    QWidget* panel_ = nullptr;
    bool busy_ = false;
};

}  // namespace oa
