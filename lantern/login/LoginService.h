#pragma once
#include "common/config/DesktopSettings.h"
#include "common/db/Session.h"
#include "common/ui/Prompter.h"
#include "lantern/app/LanternState.h"

#include <functional>

namespace oa::lantern {

// Lantern's login: the remembered password and automatic login, the login window's check, what a login
// remembers on this desktop. Knows no widget; the window shows what it decides.
class LoginService {
public:
    LoginService(Session& s, Prompter& p, DesktopSettings& desktop, LanternState& st)
        : s_(s), p_(p), desktop_(desktop), st_(st) {}

    enum class AutoLogin {
        LoggedIn,        // the remembered hash matches: no login window
        NotRemembered,   // no remembered number or password
        Mismatch,        // remembered, but the password changed since (or the member is gone)
        Failed           // the database could not be read; "自动登录失败，重新登录..." was shown
    };
    AutoLogin tryAutoLogin();

    enum class Outcome { LoggedIn, EmptyNumber, WrongPassword, NetworkFailure };
    // "确定": the number as typed (checked trimmed, looked up untrimmed) and the password.
    Outcome confirm(const QString& tno, const QString& password, bool remember);
    bool locked() const { return st_.loginLocked; }
    // Opens the connection again after the database went away; the login's query is then tried once more.
    std::function<bool()> reconnect;

    // What the login window shows: the remembered number. On a desktop that never logged in, Lantern also
    // registers itself to start with the system.
    QString windowShown();

    // MD5 over the password's bytes in the school's code page, as 32 lower-case hex digits.
    static QString md5Hex(const QString& password);

private:
    bool writeDesktop(const std::function<void()>& write);

    Session& s_;
    Prompter& p_;
    DesktopSettings& desktop_;
    LanternState& st_;
};

// Starts Lantern with the system: the Run value "QXoa" (Windows registry, elsewhere the desktop settings).
bool registerAutostart(DesktopSettings& desktop);

inline constexpr const char* kRegistryError = "写注册表出现错误！请检查有杀毒软件禁止写注册表！";

}  // namespace oa::lantern
