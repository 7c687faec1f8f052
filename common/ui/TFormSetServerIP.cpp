#include "common/ui/TFormSetServerIP.h"

#include "common/db/ConnectionSettings.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace oa {

ServerDialogTexts ServerDialogTexts::of(ServerDialogProgram program)
{
    if (program == ServerDialogProgram::Lantern)
        return {QStringLiteral("设置服务器IP"), QStringLiteral("说明：OA主页右上方【常用工具】-【Lantern】里面有显示IP和密匙"),
                QStringLiteral("数据服务器IP："), QStringLiteral("数据库的密匙：")};
    return {QStringLiteral("设置服务器"), QStringLiteral("说明：OA主页右上方【常用工具】-【Registrar】里面有显示IP和密匙"),
            QStringLiteral("数据服务器IP地址："), QStringLiteral("OA数据数据库的密匙：")};
}

ServerAddressSetup::ServerAddressSetup(Prompter& p, ServerDialogProgram program, QString settingsPath)
    : p_(p), program_(program), settingsPath_(std::move(settingsPath))
{
}

QString ServerAddressSetup::settingsPath() const { return ConnectionSettings::effectivePath(settingsPath_); }

std::unique_ptr<Session> ServerAddressSetup::openServer(const QString& address, const QString& password,
                                                        QString* error)
{
    QString why;
    const auto url = ConnectionUrl::parse(address, &why);
    if (!url) {
        if (error) *error = why;
        return nullptr;
    }
    if (url->engine == Engine::SQLite && !QFileInfo(url->path).isFile()) {
        if (error) *error = QStringLiteral("数据库文件不存在：%1").arg(url->path);
        return nullptr;
    }
    try {
        return Session::open(*url, password);
    } catch (const DbError& e) {
        if (error) *error = e.message();
        return nullptr;
    }
}

std::unique_ptr<Session> ServerAddressSetup::connect(const QString& address, const QString& typedKey)
{
    const QString key = typedKey.isEmpty() ? QString::fromLatin1(kDefaultEncipheredKey) : typedKey;
    QString password;
    try {
        password = Dec(key);
    } catch (const DecError& e) {
        p_.error(QString::fromStdString(e.what()));
        return nullptr;
    }
    // The running program's own session is left alone: a failed attempt must not cost it its connection.
    auto s = openServer(address, password);
    if (!s) {
        p_.error(QString::fromUtf8(kServerOrKeyWrong));
        return nullptr;
    }
    QString why;
    const bool written = ConnectionSettings(settingsPath()).write(address, key, &why);
    if (program_ == ServerDialogProgram::Lantern) {
        if (!written) p_.error(QString::fromUtf8(kServerCannotSave));
        return s;
    }
    if (!written) {
        p_.error(why);
        return nullptr;
    }
    p_.show(QString::fromUtf8(kServerSavedRestart));
    return s;
}

TFormSetServerIP::TFormSetServerIP(ServerAddressSetup& setup, QWidget* parent) : QDialog(parent), setup_(setup)
{
    const ServerDialogTexts t = ServerDialogTexts::of(setup.program());
    setWindowTitle(t.caption);
    setObjectName(QStringLiteral("TFormSetServerIP"));
    auto* g = new QGridLayout(this);
    LabelNote = new QLabel(t.note, this);
    LabelNote->setWordWrap(true);
    g->addWidget(LabelNote, 0, 0, 1, 2);
    g->addWidget(new QLabel(t.addressLabel, this), 1, 0);
    EditIP = new QLineEdit(QString::fromLatin1(kDefaultServerAddress), this);
    EditIP->setObjectName(QStringLiteral("EditIP"));
    g->addWidget(EditIP, 1, 1);
    g->addWidget(new QLabel(t.keyLabel, this), 2, 0);
    EditKey = new QLineEdit(this);
    EditKey->setObjectName(QStringLiteral("EditKey"));
    g->addWidget(EditKey, 2, 1);
    ButtonConnect = new QPushButton(QStringLiteral("连接到服务器"), this);
    ButtonConnect->setObjectName(QStringLiteral("ButtonConnect"));
    ButtonConnect->setAutoDefault(false);
    g->addWidget(ButtonConnect, 3, 1, Qt::AlignRight);
    if (setup.program() == ServerDialogProgram::Registrar) {
        LabelHelp = new QLabel(QStringLiteral("<a href=\"#\">连接不上处理办法</a>"), this);
        LabelHelp->setObjectName(QStringLiteral("LabelHelp"));
        LabelHelp->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        g->addWidget(LabelHelp, 3, 0, Qt::AlignLeft);
        connect(LabelHelp, &QLabel::linkActivated, this, &TFormSetServerIP::LabelHelpClick);
    } else {
        connect(EditIP, &QLineEdit::returnPressed, this, [this] { EditKey->setFocus(); });
        connect(EditKey, &QLineEdit::returnPressed, this, &TFormSetServerIP::ButtonConnectClick);
    }
    g->setColumnStretch(1, 1);
    resize(420, 170);
    connect(ButtonConnect, &QPushButton::clicked, this, &TFormSetServerIP::ButtonConnectClick);
}

void TFormSetServerIP::showEvent(QShowEvent* e)
{
    pressed_ = false;
    QDialog::showEvent(e);
}

void TFormSetServerIP::LabelHelpClick()
{
    if (onHelp) onHelp();
}

void TFormSetServerIP::ButtonConnectClick()
{
    pressed_ = true;
    const QString address = EditIP->text();
    auto s = setup_.connect(address, EditKey->text());
    if (!s) return;
    if (onConnected) onConnected(std::move(s), address);
    accept();
}

}  // namespace oa
