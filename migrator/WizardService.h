#pragma once
#include "UpgradeEngine.h"
#include "common/db/Engine.h"
#include "common/db/Session.h"
#include "common/ui/Prompter.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace oa {

inline constexpr const char* kConnectFailed = "连接失败，请PingIP地址确保可以连接！";
inline constexpr const char* kWizardCaption = "学校OA系统升级向导V";
inline constexpr const char* kNormalUpgrade = "正常升级";
inline constexpr const char* kLibraryModule = "图书管理";
inline constexpr const char* kNewStudentModule = "新生报名";
inline constexpr const char* kV3Done = "数据库V3";

// "数据库已经升级到V 5.16;你确定要重新升级？"
QString releaseInstalledWarning(const QString& release = QString::fromLatin1(kReleaseNumber));

// What page 3 asks for: the two script boxes and the module field.
struct UpgradeChoice {
    bool v3 = true;
    bool v5 = true;
    QString module = QString::fromUtf8(kNormalUpgrade);
};

// The wizard's work without its window: connect with the typed values, read the version rows, and run the
// chosen scripts. Messages go through the Prompter.
class WizardService {
public:
    explicit WizardService(Prompter& p) : p_(p) {}

    // The address field takes the three forms of the settings file. For SQL Server and PostgreSQL the typed
    // user fills in a URL without one (the typed password is handed to Session::open likewise); SQLite needs
    // neither. Null with the reason when the text is not an address.
    static std::optional<ConnectionUrl> connectionUrl(const QString& address, const QString& user,
                                                      QString* error = nullptr);

    // Connect, first half: closes any earlier connection and opens the new one. The password is used as
    // typed. On failure shows the connect-failure box and returns false. A SQLite file that does not exist
    // counts as unreachable, so a mistyped path never leaves an empty database behind.
    bool open(const QString& address, const QString& user, const QString& password);
    // Connect, second half: reads the Version and release rows; warns (without blocking) when this release
    // is already installed. On failure closes the connection, shows the connect-failure box, returns false.
    bool readVersions();
    // Both halves.
    bool connect(const QString& address, const QString& user, const QString& password);
    void disconnect();

    bool connected() const { return session_ != nullptr; }
    Session& session() { return *session_; }
    const ConnectionUrl& url() const { return url_; }
    const QString& password() const { return password_; }
    // Another connection to the same database, for work done away from the window's thread.
    std::unique_ptr<Session> openAnother() const { return Session::open(url_, password_); }

    bool v3Done() const { return v3Done_; }                  // Version.vname1 is "数据库V3"
    bool releaseInstalled() const { return releaseInstalled_; }

    // The scripts a choice runs, in order: v3, v5, then the module the field names exactly.
    static QStringList scriptsFor(const UpgradeChoice& c);

    // Runs the chosen scripts, shows each closing message, then writes the release number. An untrapped
    // failure shows the database's error and stops: no release number then. True when the release was written.
    static bool upgrade(Session& s, Prompter& p, const UpgradeChoice& c, const UpgradeEngine::Progress& progress = {});

private:
    bool fail();

    Prompter& p_;
    std::unique_ptr<Session> session_;
    ConnectionUrl url_;
    QString password_;
    bool v3Done_ = false;
    bool releaseInstalled_ = false;
};

}  // namespace oa
