#pragma once
#include "common/db/Session.h"
#include "common/ui/Prompter.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace oa {

// Registrar and Lantern share the server-address dialog; they differ in a few texts, in the keyboard and in
// what follows a successful save (Registrar asks for a restart, Lantern goes on with the new session).
enum class ServerDialogProgram { Registrar, Lantern };

struct ServerDialogTexts {
    QString caption;
    QString note;
    QString addressLabel;
    QString keyLabel;
    static ServerDialogTexts of(ServerDialogProgram program);
};

inline constexpr const char* kServerOrKeyWrong = "数据服务器IP或密匙错误，请联系系统管理员！";
inline constexpr const char* kServerSavedRestart = "服务器ＩＰ设置成功了,请重新运行程序";
inline constexpr const char* kServerCannotSave = " 数据不能保存，请联系系统管理员！";
inline constexpr const char* kDefaultServerAddress = "192.168.100.1";

// The dialog's work without the dialog: test an address and key, store them in the connection settings file.
class ServerAddressSetup {
public:
    ServerAddressSetup(Prompter& p, ServerDialogProgram program, QString settingsPath = QString());

    // Opens the database an address names (a plain SQL Server address, "sqlite:PATH" or "postgresql://…")
    // with a deciphered password. A SQLite file that does not exist counts as an unreachable server, so a
    // mistyped path never creates an empty database. Null with the reason in *error when it does not connect.
    static std::unique_ptr<Session> openServer(const QString& address, const QString& password,
                                               QString* error = nullptr);

    // The connect button: an empty key means the built-in default. On success both values are stored (the
    // address as typed, the key as typed or the default) and the open session is returned; Registrar then
    // shows the restart message. Null, with the message shown and nothing stored, when the address or key
    // does not connect or (Registrar) the file cannot be written; Lantern reports a failed write and goes on.
    std::unique_ptr<Session> connect(const QString& address, const QString& typedKey);

    QString settingsPath() const;
    ServerDialogProgram program() const { return program_; }

private:
    Prompter& p_;
    ServerDialogProgram program_;
    QString settingsPath_;
};

class TFormSetServerIP : public QDialog {
    Q_OBJECT
public:
    TFormSetServerIP(ServerAddressSetup& setup, QWidget* parent = nullptr);

    // Registrar's link "连接不上处理办法": opens the help page on connection problems.
    std::function<void()> onHelp;
    // Called with the tested session and the typed address after a successful save; the dialog then closes
    // with Accepted. Registrar ends the program on Accepted; Lantern takes the session over.
    std::function<void(std::unique_ptr<Session>, const QString&)> onConnected;

    // True once "连接到服务器" was pressed in this showing (Lantern ends when closed before that).
    bool pressed() const { return pressed_; }

    void ButtonConnectClick();
    void LabelHelpClick();

    QLabel* LabelNote = nullptr;
    QLineEdit* EditIP = nullptr;
    QLineEdit* EditKey = nullptr;
    QPushButton* ButtonConnect = nullptr;
    QLabel* LabelHelp = nullptr;   // Registrar only

protected:
    void showEvent(QShowEvent* e) override;

private:
    ServerAddressSetup& setup_;
    bool pressed_ = false;
};

}  // namespace oa
