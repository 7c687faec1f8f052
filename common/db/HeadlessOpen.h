#pragma once
#include "common/db/Session.h"

#include <QTextStream>
#include <memory>
#include <optional>

namespace oa {

// What a command-line run (no windows) connects to: --database, else the workstation's settings file.
struct HeadlessTarget {
    QString database;                   // a URL or server address; empty: the settings file's
    QString settingsPath;               // empty: the usual place (or OA_SETTINGS)
    std::optional<QString> password;    // typed on the command line; else the settings file's key or the default
    bool creating = false;              // a new SQLite file must not exist yet; otherwise it must
};

// Opens the session, or writes one line saying why not to err and returns null.
std::unique_ptr<Session> openHeadless(const HeadlessTarget& t, QTextStream& err);

}  // namespace oa
