#include "lantern/login/LoginService.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QSettings>
#include <QStringEncoder>

namespace oa::lantern {

QString LoginService::md5Hex(const QString& password)
{
    // The old desktops hashed the ANSI bytes of a Chinese Windows (GBK), so a hash remembered by them
    // still matches; for ASCII passwords every code page gives the same bytes.
    QStringEncoder gbk("GBK");
    QByteArray bytes;
    if (gbk.isValid()) {
        bytes = gbk.encode(password);
        if (gbk.hasError()) bytes = password.toUtf8();
    } else {
        bytes = password.toUtf8();
    }
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

bool LoginService::writeDesktop(const std::function<void()>& write)
{
    write();
    if (desktop_.sync()) return true;
    p_.message(QStringLiteral("错误"), QString::fromUtf8(kRegistryError), Prompter::Icon::Error);
    return false;
}

LoginService::AutoLogin LoginService::tryAutoLogin()
{
    const QString tno = desktop_.staffNumber();
    const QString hash = desktop_.passwordHash();
    if (tno.isEmpty() || hash.isEmpty()) return AutoLogin::NotRemembered;
    QList<QSqlRecord> rows;
    try {
        rows = s_.rows(QStringLiteral("SELECT *\nFROM teachers\nwhere Tno=:Tno"), {{QStringLiteral("Tno"), tno}});
    } catch (const DbError&) {
        p_.error(QStringLiteral("自动登录失败，重新登录..."));
        return AutoLogin::Failed;
    }
    if (rows.isEmpty()) return AutoLogin::Mismatch;
    const QString stored = fieldText(rows.first().value(QStringLiteral("TPassWord")));
    // Only a matching hash puts the member into the login state: otherwise closing the login window
    // would leave him logged in without his password.
    if (md5Hex(stored) != hash) return AutoLogin::Mismatch;
    st_.tno = fieldText(rows.first().value(QStringLiteral("Tno")));
    st_.tname = fieldText(rows.first().value(QStringLiteral("tname")));
    st_.password = stored;
    st_.loggedIn = QStringLiteral("Ok");
    return AutoLogin::LoggedIn;
}

LoginService::Outcome LoginService::confirm(const QString& tno, const QString& password, bool remember)
{
    if (tno.trimmed().isEmpty()) {
        p_.error(QStringLiteral("必须输入用户帐号才能登录系统..."));
        return Outcome::EmptyNumber;
    }
    const QString sql = QStringLiteral("SELECT *\nFROM teachers\nwhere Tno=:Tno and TPassWord=:TPassWord");
    const Params params{{QStringLiteral("Tno"), tno}, {QStringLiteral("TPassWord"), password}};
    QList<QSqlRecord> rows;
    try {
        rows = s_.rows(sql, params);
    } catch (const DbError&) {
        // The connection may have been lost since it was opened: open it again and ask once more.
        bool answered = false;
        if (reconnect && reconnect()) {
            try {
                rows = s_.rows(sql, params);
                answered = true;
            } catch (const DbError&) {
            }
        }
        if (!answered) {
            p_.error(QStringLiteral("网络连接失败，不能链接到服务器..."));
            return Outcome::NetworkFailure;
        }
    }
    if (rows.isEmpty()) {
        if (st_.wrongAttempts >= 3) st_.loginLocked = true;
        ++st_.wrongAttempts;
        p_.error(QStringLiteral("输入密码错误，请重新输入..."));
        return Outcome::WrongPassword;
    }
    st_.tno = fieldText(rows.first().value(QStringLiteral("Tno")));
    st_.tname = fieldText(rows.first().value(QStringLiteral("tname")));
    st_.password = fieldText(rows.first().value(QStringLiteral("TPassWord")));
    writeDesktop([&] { desktop_.setStaffNumber(tno); });
    if (remember) writeDesktop([&] { desktop_.setPasswordHash(md5Hex(password)); });
    return Outcome::LoggedIn;
}

QString LoginService::windowShown()
{
    const QString tno = desktop_.staffNumber();
    if (tno.isEmpty() && !registerAutostart(desktop_))
        p_.message(QStringLiteral("错误"), QString::fromUtf8(kRegistryError), Prompter::Icon::Error);
    return tno;
}

bool registerAutostart(DesktopSettings& desktop)
{
    const QString exe = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
#ifdef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("OA_DESKTOP_SETTINGS")) {
        QSettings run(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN"),
                      QSettings::NativeFormat);
        run.setValue(QStringLiteral("QXoa"), exe);
        run.sync();
        return run.status() == QSettings::NoError;
    }
#endif
    desktop.setValue(QStringLiteral("Run/QXoa"), exe);
    return desktop.sync();
}

}  // namespace oa::lantern
