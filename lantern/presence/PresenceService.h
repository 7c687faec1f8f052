#pragma once
#include "common/db/Session.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"
#include "lantern/app/LanternState.h"

namespace oa::lantern {

// The own presence row in tongxinV5 and what every desktop does for the others: heartbeat, the sweep of
// desktops that went silent, idle detection. No widget; the timers of the main window call the tick methods.
class PresenceService {
public:
    PresenceService(Session& s, Prompter& p, Machine& m, Clock& c, LanternState& st)
        : s_(s), p_(p), m_(m), c_(c), st_(st) {}

    // The lowest positive id not in use: the gap query, or 1 when there is no row 1.
    int newPresenceId();

    // The after-login setup's own steps (shared host, school year, web OA, presence row, login record).
    // Any failure skips the steps after it; an empty display name stops the whole setup.
    enum class Setup { Completed, Failed, Stopped };
    Setup afterLoginSetup(QString* failure = nullptr);

    // Heartbeat then sweep, at the server's time. False when a statement failed (the offline picture).
    bool tickHeartbeat();
    bool heartbeat(const QDateTime& now);
    // Sweeps stale rows when the varset stamp is at least 300 s older than now; true when it swept.
    // Serialised between desktops by the stamp: the first desktop whose timer fires after it aged sweeps.
    bool tickSweep(const QDateTime& now, bool* failed = nullptr);

    // Away after ten idle minutes, back to online at the next input.
    void tickIdle();

    // Sets the own row's state; errors are ignored (false).
    bool setOwnState(const QString& state);
    bool setStateOf(const QString& tname, const QString& state);

    bool connected() const { return s_.isOpen(); }

private:
    Session& s_;
    Prompter& p_;
    Machine& m_;
    Clock& c_;
    LanternState& st_;
};

}  // namespace oa::lantern
