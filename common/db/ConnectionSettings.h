#pragma once
#include <QString>
#include <stdexcept>

namespace oa {

// The database key as shown to administrators is hex text; each pair enciphers one character.
inline constexpr const char* kDefaultEncipheredKey = "5C02D7E41F9A60B3";

struct DecError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Deciphers an enciphered key. An odd trailing digit is ignored; a pair that is not two hex digits throws
// DecError, before anything is connected or written.
QString Dec(const QString& enciphered);
// The inverse, for tools that hand keys out (and for tests).
QString Enc(const QString& password);

// The per-workstation connection settings file: section "Server", keys "OADataServer" and "password".
// Windows keeps it at the one fixed path the web site's instructions name; elsewhere it lives in the user's
// configuration folder. OA_SETTINGS (or --settings FILE) points at another file for tests and the demo.
class ConnectionSettings {
public:
    static QString defaultPath();
    static QString effectivePath(const QString& overridePath = QString());

    explicit ConnectionSettings(QString path);
    QString path() const { return path_; }

    // Read values are trimmed; a missing file, section or key reads as empty text.
    QString serverAddress() const;
    QString encipheredKey() const;

    // Writes both keys; creates the folder when it is missing. Returns false with a message when it cannot.
    bool write(const QString& serverAddress, const QString& encipheredKey, QString* error = nullptr) const;

private:
    QString read(const QString& key) const;
    QString path_;
};

}  // namespace oa
