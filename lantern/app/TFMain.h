#pragma once
#include "common/ui/TFormSetServerIP.h"
#include "lantern/app/LanternCore.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace oa::lantern {

class TFrmLogin;

// Lantern's main window: the counter strip, the title with the logo and the member's name, colleagues by
// group with a search, the reminder area and the button row; a tray icon when the desktop has a tray.
// Borderless, dragged by its title, placed at the bottom right of the screen.
class TFMain : public QWidget {
    Q_OBJECT
public:
    TFMain(LanternCore& core, TFrmLogin& login, ServerAddressSetup& servers, QWidget* parent = nullptr);
    ~TFMain() override;

    LanternCore& core() { return core_; }
    bool hasTray() const { return tray_ != nullptr; }

    // The second start's request: restore and show, or bring to the front.
    void bringForward();
    void placeBottomRight();
    // Closes without asking (tray "退出DIde", the end of the program): the own row goes offline first.
    void closeLantern(bool fade = true);

    void EditSearchReturn();
    void GridDblClick();
    void GridContextRefresh() { core_.refreshFromMenu(); }
    void GridContextMenu(const QPoint& pos);
    void TreeGroupClick(QTreeWidgetItem* item);
    void ImageCloseClick();
    void ImageMinClick();
    void ButtonWebOAClick() { core_.openWebOa(); }
    void ButtonShareClick() { core_.openSharedHost(); }
    void SwitchUserClick() { core_.switchUser(); }

    // Tray picture cycling (the reminders switch it on).
    void setTrayCycling(bool on);

    QLabel* LabelNotice = nullptr;     // counter strip: 通知 / 邮件 / 短信 / 事务
    QLabel* LabelMail = nullptr;
    QLabel* LabelSms = nullptr;
    QLabel* LabelWork = nullptr;
    QLabel* ImageLogo = nullptr;
    QLabel* ImageOffline = nullptr;
    QLabel* LabelName = nullptr;
    QLineEdit* EditSearch = nullptr;
    QTreeWidget* TreeGroup = nullptr;
    QTableWidget* GridContacts = nullptr;
    QLabel* LabelAffairCaption = nullptr;
    QLabel* LabelAffair = nullptr;
    QLabel* LabelLessons = nullptr;
    QPushButton* ButtonSystem = nullptr;
    QPushButton* ButtonShare = nullptr;
    QPushButton* ButtonWebOA = nullptr;
    QToolButton* ImageClose = nullptr;
    QToolButton* ImageMin = nullptr;
    QMenu* MenuTray = nullptr;
    QMenu* MenuGrid = nullptr;
    QMenu* MenuTree = nullptr;

    // Hooks for the settings and file windows of the tray menu.
    std::function<void()> onSettings;
    std::function<void()> onFileManager;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void showContacts(const QList<Contact>& list, const QString& summary);
    void clearContacts();
    void showGroups(const QList<ContactGroup>& groups);
    void showOffline(bool wholeWindow);
    void showOnline();
    void fadeOut(const std::function<void()>& then);
    TFormChat* openCurrentChat();
    LanternCore::LoginWindow runLogin(bool switching);
    bool runServerDialog();

    LanternCore& core_;
    TFrmLogin& login_;
    ServerAddressSetup& servers_;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer trayCycle_;
    int trayFrame_ = 0;
    bool closing_ = false;
    bool started_ = false;
};

}  // namespace oa::lantern
