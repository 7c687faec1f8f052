#pragma once
#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace oa::lantern {

class LoginService;

// Lantern's login window: staff number, password, "开机自动登录", the server label and "确定". Borderless;
// its title panel drags it. What "确定" checks is LoginService's.
class TFrmLogin : public QDialog {
    Q_OBJECT
public:
    enum Result { LoggedIn = 1, Closed = 0, EndProgram = 2 };

    explicit TFrmLogin(QWidget* parent = nullptr);

    // Binds the window to the session's login service for the next showing.
    void setService(LoginService* svc) { svc_ = svc; }
    void setServerLabel(const QString& address);
    void clearPassword();
    // The label's click: the server-address dialog.
    std::function<void()> onServerLabel;

    // Fills the number from this desktop's memory and places the focus (also run by showEvent).
    void FormShow();
    void ButtonOKClick();
    void ImageCloseClick();

    QLineEdit* EditUserNO = nullptr;
    QLineEdit* EditPassWord = nullptr;
    QCheckBox* CheckBoxAuto = nullptr;
    QLabel* LabelAuto = nullptr;
    QLabel* LabelServer = nullptr;
    QPushButton* ButtonOK = nullptr;
    QToolButton* ImageClose = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void showLocked();
    LoginService* svc_ = nullptr;
    QLabel* iconLabel_ = nullptr;
};

}  // namespace oa::lantern
