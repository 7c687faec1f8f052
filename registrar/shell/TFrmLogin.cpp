#include "registrar/shell/TFrmLogin.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

namespace oa {

TFrmLogin::TFrmLogin(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("TFrmLogin"));
    setWindowTitle(QStringLiteral("OA系统登录"));
    auto* g = new QGridLayout(this);
    g->setContentsMargins(24, 20, 24, 16);
    g->setVerticalSpacing(10);
    g->addWidget(new QLabel(QStringLiteral("用  户："), this), 0, 0);
    EditUserNO = new QLineEdit(this);
    EditUserNO->setObjectName(QStringLiteral("EditUserNO"));
    g->addWidget(EditUserNO, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("密  码："), this), 1, 0);
    EditPassWord = new QLineEdit(this);
    EditPassWord->setObjectName(QStringLiteral("EditPassWord"));
    EditPassWord->setEchoMode(QLineEdit::Password);
    EditPassWord->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));   // '*'
    g->addWidget(EditPassWord, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("服务器IP地址："), this), 2, 0);
    LabelServer = new QLabel(this);
    LabelServer->setObjectName(QStringLiteral("LabelServer"));
    LabelServer->setToolTip(QStringLiteral("点击可以更改服务器IP地址"));
    LabelServer->setCursor(Qt::PointingHandCursor);
    LabelServer->setStyleSheet(QStringLiteral("color: #0645ad;"));
    LabelServer->installEventFilter(this);
    g->addWidget(LabelServer, 2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ButtonOK = new QPushButton(QStringLiteral("确定"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonExit = new QPushButton(QStringLiteral("退出"), this);
    ButtonExit->setObjectName(QStringLiteral("ButtonExit"));
    // Enter is handled per field below, never by a default button.
    for (QPushButton* b : {ButtonOK, ButtonExit}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        buttons->addWidget(b);
    }
    g->addLayout(buttons, 3, 0, 1, 2);
    g->setColumnStretch(1, 1);
    setMinimumWidth(360);

    connect(EditUserNO, &QLineEdit::returnPressed, this, [this] { EditPassWord->setFocus(); });
    connect(EditPassWord, &QLineEdit::returnPressed, this, [this] {
        if (ButtonOK->isEnabled()) ButtonOKClick();
    });
    connect(ButtonOK, &QPushButton::clicked, this, &TFrmLogin::ButtonOKClick);
    connect(ButtonExit, &QPushButton::clicked, this, &TFrmLogin::ButtonExitClick);
}

void TFrmLogin::setServerText(const QString& text) { LabelServer->setText(text); }

void TFrmLogin::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TFrmLogin::FormShow()
{
    if (svc_) EditUserNO->setText(svc_->rememberedNumber());
    if (EditUserNO->text().isEmpty())
        EditUserNO->setFocus();
    else
        EditPassWord->setFocus();
}

void TFrmLogin::ButtonOKClick()
{
    if (!svc_ || !ButtonOK->isEnabled()) return;
    const LoginService::Result r = svc_->ok(EditUserNO->text(), EditPassWord->text());
    switch (r.outcome) {
    case LoginService::Outcome::EmptyNumber:
        EditUserNO->setFocus();
        break;
    case LoginService::Outcome::WrongPassword:
    case LoginService::Outcome::Locked:
        if (!svc_->okEnabled()) {
            ButtonOK->setEnabled(false);
            setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxCritical));
        }
        break;
    case LoginService::Outcome::NetworkFailure:
        end(Ending::NetworkFailure);
        break;
    case LoginService::Outcome::VersionExpired:
        if (onMember) onMember(r);
        end(Ending::Expired);
        break;
    case LoginService::Outcome::AddressRefused:
        if (onMember) onMember(r);
        break;
    case LoginService::Outcome::LoggedIn:
        if (onMember) onMember(r);
        ending_ = Ending::LoggedIn;
        accept();
        break;
    }
}

void TFrmLogin::ButtonExitClick() { end(Ending::Exit); }

void TFrmLogin::LabelServerClick()
{
    if (onServerLabel && onServerLabel()) end(Ending::ServerChanged);
}

void TFrmLogin::end(Ending why)
{
    ending_ = why;
    QDialog::reject();
}

// Esc and any other way of closing the window count as "退出" unless the login went all the way through;
// a member held at the address restriction must not get past it by closing the window.
void TFrmLogin::reject()
{
    if (ending_ == Ending::None) ending_ = Ending::Exit;
    QDialog::reject();
}

bool TFrmLogin::eventFilter(QObject* o, QEvent* e)
{
    if (o == LabelServer && e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        LabelServerClick();
        return true;
    }
    return QDialog::eventFilter(o, e);
}

}  // namespace oa
