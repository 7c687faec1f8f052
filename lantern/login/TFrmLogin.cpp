#include "lantern/login/TFrmLogin.h"

#include "lantern/app/Dragger.h"
#include "lantern/app/Pictures.h"
#include "lantern/login/LoginService.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace oa::lantern {

TFrmLogin::TFrmLogin(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(QStringLiteral("FrmLogin"));
    setWindowTitle(QStringLiteral("学校Lantern"));
    setFixedSize(340, 236);
    setStyleSheet(QStringLiteral(
        "#FrmLogin{background:#fdf6ec;border:1px solid #b5651d;}"
        "#TitlePanel{background:qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #d9482b,stop:1 #a82f1c);}"
        "#TitlePanel QLabel{color:white;font-size:15px;font-weight:bold;}"
        "QToolButton#ImageClose{color:white;border:none;font-size:16px;}"
        "QToolButton#ImageClose:hover{background:#e06650;}"
        "QLineEdit{lineedit-password-character:42;padding:3px;border:1px solid #c9a57f;background:white;}"
        "QLabel#LabelServer{color:#1d4f91;text-decoration:underline;}"
        "QPushButton#ButtonOK{background:#d9482b;color:white;border:none;padding:6px 26px;border-radius:3px;}"
        "QPushButton#ButtonOK:disabled{background:#bbbbbb;}"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(1, 1, 1, 1);
    root->setSpacing(0);

    auto* title = new QWidget(this);
    title->setObjectName(QStringLiteral("TitlePanel"));
    title->setFixedHeight(34);
    auto* tl = new QHBoxLayout(title);
    tl->setContentsMargins(6, 0, 4, 0);
    iconLabel_ = new QLabel(title);
    iconLabel_->setPixmap(Pictures::onlineLogo().scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    tl->addWidget(iconLabel_);
    tl->addWidget(new QLabel(QStringLiteral("   学校Lantern"), title), 1);
    ImageClose = new QToolButton(title);
    ImageClose->setObjectName(QStringLiteral("ImageClose"));
    ImageClose->setText(QStringLiteral("✕"));
    ImageClose->setToolTip(QStringLiteral("关闭"));
    tl->addWidget(ImageClose);
    root->addWidget(title);
    new Dragger(title, this);

    auto* body = new QWidget(this);
    auto* g = new QGridLayout(body);
    g->setContentsMargins(28, 18, 28, 12);
    g->setVerticalSpacing(10);
    g->addWidget(new QLabel(QStringLiteral("用  户："), body), 0, 0);
    EditUserNO = new QLineEdit(body);
    EditUserNO->setObjectName(QStringLiteral("EditUserNO"));
    g->addWidget(EditUserNO, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("密  码："), body), 1, 0);
    EditPassWord = new QLineEdit(body);
    EditPassWord->setObjectName(QStringLiteral("EditPassWord"));
    EditPassWord->setEchoMode(QLineEdit::Password);
    g->addWidget(EditPassWord, 1, 1);
    auto* autoRow = new QHBoxLayout;
    CheckBoxAuto = new QCheckBox(QStringLiteral("开机自动登录"), body);
    CheckBoxAuto->setObjectName(QStringLiteral("CheckBoxAuto"));
    LabelAuto = new QLabel(QStringLiteral("记住密码自动登录"), body);
    LabelAuto->setObjectName(QStringLiteral("LabelAuto"));
    LabelAuto->setCursor(Qt::PointingHandCursor);
    LabelAuto->installEventFilter(this);
    autoRow->addWidget(CheckBoxAuto);
    autoRow->addWidget(LabelAuto);
    autoRow->addStretch();
    g->addLayout(autoRow, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("服务器IP地址："), body), 3, 0);
    LabelServer = new QLabel(body);
    LabelServer->setObjectName(QStringLiteral("LabelServer"));
    LabelServer->setToolTip(QStringLiteral("点击可以更改服务器IP地址"));
    LabelServer->setCursor(Qt::PointingHandCursor);
    LabelServer->installEventFilter(this);
    g->addWidget(LabelServer, 3, 1);
    ButtonOK = new QPushButton(QStringLiteral("确定"), body);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setAutoDefault(false);
    g->addWidget(ButtonOK, 4, 1, Qt::AlignRight);
    root->addWidget(body, 1);

    EditUserNO->clear();
    EditPassWord->clear();
    connect(ButtonOK, &QPushButton::clicked, this, &TFrmLogin::ButtonOKClick);
    connect(ImageClose, &QToolButton::clicked, this, &TFrmLogin::ImageCloseClick);
    connect(EditUserNO, &QLineEdit::returnPressed, this, [this] { EditPassWord->setFocus(); });
    connect(EditPassWord, &QLineEdit::returnPressed, this, [this] {
        if (ButtonOK->isEnabled()) ButtonOKClick();
    });
}

void TFrmLogin::setServerLabel(const QString& address) { LabelServer->setText(address); }

void TFrmLogin::clearPassword() { EditPassWord->clear(); }

void TFrmLogin::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TFrmLogin::FormShow()
{
    if (!svc_) return;
    EditUserNO->setText(svc_->windowShown());
    if (!EditUserNO->text().isEmpty()) EditPassWord->setFocus();
    else EditUserNO->setFocus();
    if (svc_->locked()) showLocked();
}

void TFrmLogin::showLocked()
{
    ButtonOK->setEnabled(false);
    setWindowIcon(Pictures::errorIcon());
    iconLabel_->setPixmap(Pictures::errorIcon().pixmap(24, 24));
}

void TFrmLogin::ButtonOKClick()
{
    if (!svc_ || !ButtonOK->isEnabled()) return;
    switch (svc_->confirm(EditUserNO->text(), EditPassWord->text(), CheckBoxAuto->isChecked())) {
    case LoginService::Outcome::LoggedIn: done(LoggedIn); return;
    case LoginService::Outcome::EmptyNumber: EditUserNO->setFocus(); return;
    case LoginService::Outcome::WrongPassword:
        if (svc_->locked()) showLocked();
        EditPassWord->selectAll();
        EditPassWord->setFocus();
        return;
    case LoginService::Outcome::NetworkFailure:
        // Lantern never ends for a lost database: the window stays for another try once the network is back,
        // and its close button still ends the program.
        EditPassWord->setFocus();
        return;
    }
}

void TFrmLogin::ImageCloseClick() { done(EndProgram); }

bool TFrmLogin::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        if (o == LabelAuto) CheckBoxAuto->toggle();
        else if (o == LabelServer && onServerLabel) onServerLabel();
    }
    return QDialog::eventFilter(o, e);
}

void TFrmLogin::keyPressEvent(QKeyEvent* e)
{
    // Enter belongs to the fields; Esc closes (and the caller ends Lantern when nobody is logged in).
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e);
}

}  // namespace oa::lantern
