#pragma once
#include "common/ui/Prompter.h"

#include <QString>

namespace oa {

inline constexpr const char* kCommandFailed = "执行失败";

// Stops and starts the web server while its folders are replaced. Windows runs "iisreset /stop" and
// "iisreset /start" in a hidden window; elsewhere (or to override IIS) the commands come from the connection
// settings file, section "WebServer", keys "stop" and "start" (for example "systemctl stop apache2").
// The command is started and not waited for; only a failure to start it is reported.
class WebServerControl {
public:
    enum class Action { Stop, Start };

    // settingsPath: the settings file to read; empty for the usual one (--settings, OA_SETTINGS, default).
    explicit WebServerControl(Prompter& p, QString settingsPath = QString());

    // The command line an action runs; empty when none is configured.
    QString command(Action a) const;
    QString settingsPath() const { return settingsPath_; }

    bool stop() { return run(Action::Stop); }
    bool start() { return run(Action::Start); }
    bool run(Action a);

private:
    Prompter& p_;
    QString settingsPath_;
};

}  // namespace oa
