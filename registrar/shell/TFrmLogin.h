#pragma once
#include "registrar/shell/LoginService.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace oa {

// "OA系统登录": Registrar's login window. Accepted means a member is logged in and the workstation passed
// every gate; Rejected means the program ends (ending() says why).
class TFrmLogin : public QDialog {
    Q_OBJECT
public:
    enum class Ending { None, LoggedIn, Exit, NetworkFailure, Expired, ServerChanged };

    explicit TFrmLogin(QWidget* parent = nullptr);
    void setService(LoginService* svc) { svc_ = svc; }
    // The connection's data source, shown in the server label.
    void setServerText(const QString& text);

    // Called once the account is found, before the gates: the main window keeps the member and enables the
    // commands (also when the workstation is then refused).
    std::function<void(const LoginService::Result&)> onMember;
    // The server label was clicked: shows the server-address dialog; true when the program must end.
    std::function<bool()> onServerLabel;

    Ending ending() const { return ending_; }

    void FormShow();
    void ButtonOKClick();
    void ButtonExitClick();
    void LabelServerClick();

    QLineEdit* EditUserNO = nullptr;
    QLineEdit* EditPassWord = nullptr;
    QLabel* LabelServer = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonExit = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void end(Ending why);
    LoginService* svc_ = nullptr;
    Ending ending_ = Ending::None;
};

}  // namespace oa
