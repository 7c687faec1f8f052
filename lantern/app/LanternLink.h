#pragma once
#include "common/db/Session.h"

#include <functional>
#include <memory>
#include <optional>

namespace oa::lantern {

// Lantern's one database session and how it is (re)opened: from --database when given, else from the
// connection settings file. A reconnection to the same address reopens the same Session object, so every
// service keeps its reference; only a new address (the server-address dialog) makes a new Session.
class LanternLink {
public:
    enum class Result { Ok, NoAddress, Failed };

    // fixedUrl: --database; settingsPath: the settings file to read otherwise.
    LanternLink(std::optional<ConnectionUrl> fixedUrl, QString settingsPath);
    // An already open session (tests, benchmarks): reconnection reopens it in place.
    explicit LanternLink(Session& borrowed);
    ~LanternLink();

    Result open();                       // connect; on an open session does nothing
    void close();
    bool isOpen() const;
    // Replaces the session by one already opened elsewhere (the dialog's test connection); later
    // reconnections go to its address, whatever --database said.
    void adopt(std::unique_ptr<Session> s);

    Session* session() const { return current_; }
    // Called before a new Session replaces the current one, while the old one still exists.
    std::function<void()> aboutToReplace;
    // Counts sessions made: services built on an older one must be rebuilt.
    int generation() const { return generation_; }
    QString serverAddress() const;       // what the settings file or --database says
    QString dataSource() const;          // the login window's server label
    QString lastError() const { return lastError_; }
    QString settingsPath() const { return settingsPath_; }

    // Closes and opens the current session's connection again, keeping the Session object (services hold
    // references to it); false when it cannot be opened.
    bool reopenInPlace();

private:
    std::optional<ConnectionUrl> resolve(QString* password);

    std::optional<ConnectionUrl> fixedUrl_;
    QString settingsPath_;
    std::unique_ptr<Session> owned_;
    Session* current_ = nullptr;
    int generation_ = 0;
    QString lastError_;
};

// The host part of a server address, for the web OA fallback address ("Http://" + host).
QString webHostOf(const QString& serverAddress);

}  // namespace oa::lantern
