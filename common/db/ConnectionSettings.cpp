#include "common/db/ConnectionSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace oa {

namespace {
// Chosen so that the built-in default key deciphers to the database password the installer also types into
// the upgrade wizard by default; keys handed out by the web site are made with the same table.
constexpr unsigned char kDecipherKey[8] = {0x69, 0x32, 0xE0, 0xD5, 0x2A, 0xAA, 0x57, 0x82};

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}
}  // namespace

QString Dec(const QString& enciphered)
{
    const int n = enciphered.size() / 2;
    QString out;
    out.reserve(n);
    for (int k = 0; k < n; ++k) {
        const int hi = hexDigit(enciphered.at(2 * k));
        const int lo = hexDigit(enciphered.at(2 * k + 1));
        if (hi < 0 || lo < 0)
            throw DecError(QStringLiteral("'%1' is not a valid integer value")
                               .arg(enciphered.mid(2 * k, 2))
                               .toStdString());
        out.append(QChar(ushort((hi * 16 + lo) ^ kDecipherKey[k % 8])));
    }
    return out;
}

QString Enc(const QString& password)
{
    QString out;
    for (int k = 0; k < password.size(); ++k) {
        const int v = (password.at(k).unicode() & 0xFF) ^ kDecipherKey[k % 8];
        out += QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString ConnectionSettings::defaultPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("c:/学校OA系统文件/zembraWebOA.ini");
#else
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("学校OA系统文件/zembraWebOA.ini"));
#endif
}

QString ConnectionSettings::effectivePath(const QString& overridePath)
{
    if (!overridePath.isEmpty()) return overridePath;
    const QString env = qEnvironmentVariable("OA_SETTINGS");
    return env.isEmpty() ? defaultPath() : env;
}

ConnectionSettings::ConnectionSettings(QString path) : path_(std::move(path)) {}

QString ConnectionSettings::read(const QString& key) const
{
    if (!QFileInfo::exists(path_)) return {};
    QSettings ini(path_, QSettings::IniFormat);
    return ini.value(QStringLiteral("Server/") + key).toString().trimmed();
}

QString ConnectionSettings::serverAddress() const { return read(QStringLiteral("OADataServer")); }
QString ConnectionSettings::encipheredKey() const { return read(QStringLiteral("password")); }

bool ConnectionSettings::write(const QString& serverAddress, const QString& key, QString* error) const
{
    const QFileInfo fi(path_);
    if (!QDir().mkpath(fi.absolutePath())) {
        if (error) *error = QStringLiteral("不能创建文件夹 %1").arg(fi.absolutePath());
        return false;
    }
    QSettings ini(path_, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Server/OADataServer"), serverAddress);
    ini.setValue(QStringLiteral("Server/password"), key);
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        if (error) *error = QStringLiteral("不能写入 %1").arg(path_);
        return false;
    }
    return true;
}

}  // namespace oa
