#pragma once
#include "registrar/shell/Commands.h"
#include "registrar/shell/LoginService.h"
#include "registrar/shell/WindowRegistry.h"

#include <QColor>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <memory>

class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;

namespace oa {

class Clock;
class DesktopSettings;
class Machine;
class Prompter;
class TFHelp;

// Where the database comes from: a URL given on the command line, else the connection settings file.
struct ConnectOptions {
    QString database;       // --database URL
    QString settingsPath;   // --settings FILE (else OA_SETTINGS, else the standard place)
};

// "学校ＯＡ系统数据录入": Registrar's main window. It holds the database session and the login result, opens
// every tool as a child window in its MDI area and enables the commands the member's permissions allow.
class TFMain : public QMainWindow {
    Q_OBJECT
public:
    TFMain(Prompter& p, const Machine& machine, const Clock& clock, DesktopSettings& desktop,
           const WindowRegistry& windows = WindowRegistry::global(), QWidget* parent = nullptr);
    ~TFMain() override;

    // --- start-up, run once the window is shown. false: the program ends (nothing more to do).
    bool FormShow(const ConnectOptions& options);
    // Opens the session; with no stored address or no connection shows the server-address dialog, false.
    bool connectDatabase(const ConnectOptions& options);
    // Shows the login window modally; true when a member is logged in.
    bool login();
    // After login: the server panel, the school name and the backup reminder.
    void afterLogin();
    // The server-address dialog of Registrar; true when new settings were saved (the program then ends).
    bool showServerDialog();

    void setSession(std::unique_ptr<Session> s, const QString& serverAddress);
    // Keeps the member, fills the member panel and enables the commands of the login result.
    void applyLogin(const LoginService::Result& r);
    // Enables top-level menus and gated commands by caption (nothing is ever disabled here).
    void enableCommands(const QStringList& captions);
    // Re-reads which commands have a window (after tools registered late).
    void refreshCommands();

    // --- session state for the child windows
    bool hasSession() const { return session_ != nullptr; }
    Session& session() const { return *session_; }
    Session* sessionPtr() const { return session_.get(); }
    QString serverAddress() const { return serverAddress_; }
    QString tname() const { return tname_; }
    QString powdergroup() const { return powdergroup_; }
    static QColor windowColour() { return QColor(137, 186, 239); }   // 15710857, blue-green-red
    QString LocalComputerName() const;
    Prompter& prompter() const { return p_; }
    const Clock& clock() const { return clock_; }
    const Machine& machine() const { return machine_; }
    DesktopSettings& desktop() const { return desktop_; }

    // --- the choice-list helpers over this window's session
    void FillVarList(const QString& key, QComboBox* list);
    void FillOpenVarList(const QString& key, QComboBox* list);
    void SelectVarCurrent(const QString& key, QComboBox* list);
    static bool ListHasText(const QString& text, const QComboBox* list);

    // --- commands and windows
    // A top-level menu or top-level command, a menu item, or a button, by caption.
    QAction* menuAction(const QString& caption) const { return topActions_.value(caption); }
    QAction* itemAction(const QString& caption) const { return itemActions_.value(caption); }
    QPushButton* button(const QString& caption) const { return buttons_.value(caption); }
    // Whether a command (any of the three kinds) can be used now.
    bool commandEnabled(const QString& caption) const;
    bool commandVisible(const QString& caption) const;
    // Runs a command as the user would: opens its window, or closes for "关闭".
    void runCommand(const QString& caption);
    // Opens a window by id; the command caption is handed to the window. Null when there is none.
    QWidget* openWindow(const QString& id, const QString& commandCaption = QString());
    QWidget* newestWindow() const { return newest_; }
    QList<QWidget*> childWindows() const;
    TFHelp* help();

    QMdiArea* MDIArea = nullptr;
    QLabel* StatusPanels[5] = {};
    QWidget* PanelBackup = nullptr;
    QLabel* LabelBackup = nullptr;
    QPushButton* ButtonBackup = nullptr;
    QLabel* LabelIgnore = nullptr;

    void ButtonBackupClick();
    void LabelIgnoreClick();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildCommands();
    bool windowAvailable(const Command& c) const;
    const Command* command(const QString& caption) const;

    Prompter& p_;
    const Machine& machine_;
    const Clock& clock_;
    DesktopSettings& desktop_;
    const WindowRegistry& windows_;
    ConnectOptions options_;

    std::unique_ptr<Session> session_;
    QString serverAddress_;
    QString tname_;
    QString powdergroup_;

    QHash<QString, QAction*> topActions_;
    QHash<QString, QAction*> itemActions_;
    QHash<QString, QPushButton*> buttons_;
    QSet<QString> granted_;
    QHash<QString, QPointer<QWidget>> modals_;
    QPointer<QWidget> newest_;
    QPointer<TFHelp> help_;
};

}  // namespace oa
