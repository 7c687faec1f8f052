#pragma once
#include <QString>
#include <QVariant>
#include <memory>

class QSettings;

namespace oa {

// What each desktop remembers between runs: the last staff number, Lantern's remembered password and sound
// choice, start with the system. Windows keeps these in the registry key the school's other tools share;
// elsewhere they live in a settings file (OA_DESKTOP_SETTINGS points at another one for tests and the demo).
class DesktopSettings {
public:
    explicit DesktopSettings(const QString& overridePath = QString());
    ~DesktopSettings();

    QString staffNumber() const;                 // QXoaTno
    void setStaffNumber(const QString& tno);
    QString passwordHash() const;                // pw\QXoaPW
    void setPasswordHash(const QString& hash);
    QString sound() const;                       // sound\QXSound
    void setSound(const QString& v);
    QString value(const QString& key) const;
    void setValue(const QString& key, const QString& v);
    void remove(const QString& key);
    bool sync();
    QString location() const;

private:
    std::unique_ptr<QSettings> s_;
};

}  // namespace oa
