#pragma once
#include "WizardService.h"
#include "common/ui/Prompter.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QThread;

namespace oa {

// The upgrade wizard: connect, back up, upgrade, replace the web site's folders, finish. The pages' tabs stay
// clickable, so the installer may skip the backup or the web-server page.
//
// Backup and upgrade run on a worker thread with a connection of their own, opened from the same address and
// password: a BACKUP or an ALTER TABLE on a large table may take minutes, and only a separate thread keeps
// the window painting and the progress list moving during one long statement. Questions and messages of that
// work come back to this window's thread through the Prompter.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // settingsPath: the settings file holding the web-server commands (empty: the usual one).
    explicit TForm1(Prompter& prompter, QString settingsPath = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    WizardService& service() { return service_; }
    bool busy() const { return worker_ != nullptr; }
    bool usesDriveList() const;

    // Page 1
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* EditServerIP = nullptr;
    QLineEdit* EditUser = nullptr;
    QLineEdit* EditPassword = nullptr;
    QPushButton* ButtonConnect = nullptr;
    // Page 2
    QComboBox* ComboBoxDrive = nullptr;
    QLineEdit* EditFolder = nullptr;
    QPushButton* ButtonFolder = nullptr;
    QPushButton* ButtonBackup = nullptr;
    QProgressBar* ProgressBackup = nullptr;
    // Page 3
    QLabel* LabelVersion = nullptr;
    QCheckBox* CheckBoxV3 = nullptr;
    QCheckBox* CheckBoxV5 = nullptr;
    QLineEdit* EditModule = nullptr;
    QPushButton* ButtonUpgrade = nullptr;
    QListWidget* ListProgress = nullptr;
    QProgressBar* ProgressUpgrade = nullptr;
    // Page 4
    QPushButton* ButtonStop = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonNext4 = nullptr;
    // Page 5
    QPushButton* ButtonClose = nullptr;

    void ButtonConnectClick();
    void ButtonFolderClick();
    void ButtonBackupClick();
    void ButtonUpgradeClick();
    void ButtonStopClick();
    void ButtonStartClick();
    void ButtonNext4Click();
    void ButtonCloseClick();

signals:
    // A backup or upgrade has ended (ok: it succeeded).
    void workFinished(bool ok);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    using Job = std::function<bool(Session&, Prompter&)>;
    void runInBackground(const Job& job, const std::function<void(bool)>& done);
    void addProgress(const QString& line, int index, int total);
    void updateControls();
    void updateBackupTarget();
    QString backupDestination() const;

    Prompter& prompter_;
    QString settingsPath_;
    WizardService service_;
    bool connected_ = false;
    QThread* worker_ = nullptr;
};

}  // namespace oa
