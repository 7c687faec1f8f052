#include "common/config/DesktopSettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace oa {

DesktopSettings::DesktopSettings(const QString& overridePath)
{
    QString path = overridePath.isEmpty() ? qEnvironmentVariable("OA_DESKTOP_SETTINGS") : overridePath;
#ifdef Q_OS_WIN
    if (path.isEmpty()) {
        s_ = std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\QX0125\\4587\\36987\\1458"),
                                         QSettings::NativeFormat);
        return;
    }
#endif
    if (path.isEmpty())
        path = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                   .filePath(QStringLiteral("学校OA系统文件/desktop.ini"));
    s_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

DesktopSettings::~DesktopSettings() = default;

QString DesktopSettings::value(const QString& key) const { return s_->value(key).toString(); }
void DesktopSettings::setValue(const QString& key, const QString& v) { s_->setValue(key, v); }
void DesktopSettings::remove(const QString& key) { s_->remove(key); }
bool DesktopSettings::sync()
{
    s_->sync();
    return s_->status() == QSettings::NoError;
}
QString DesktopSettings::location() const { return s_->fileName(); }

QString DesktopSettings::staffNumber() const { return value(QStringLiteral("QXoaTno")); }
void DesktopSettings::setStaffNumber(const QString& tno) { setValue(QStringLiteral("QXoaTno"), tno); }
QString DesktopSettings::passwordHash() const { return value(QStringLiteral("pw/QXoaPW")); }
void DesktopSettings::setPasswordHash(const QString& h) { setValue(QStringLiteral("pw/QXoaPW"), h); }
QString DesktopSettings::sound() const { return value(QStringLiteral("sound/QXSound")); }
void DesktopSettings::setSound(const QString& v) { setValue(QStringLiteral("sound/QXSound"), v); }

}  // namespace oa
