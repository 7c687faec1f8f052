#pragma once
#include "common/accounts/Accounts.h"

#include <QPair>
#include <QStringList>

namespace oa {

class DesktopSettings;
class Machine;
class Prompter;

inline constexpr const char* kLoginEmptyNumber = "必须输入用户帐号才能登录系统...";
inline constexpr const char* kLoginNetworkFailure = "网络连接失败，不能链接到服务器...";
inline constexpr const char* kLoginWrongPassword = "输入密码错误，请重新输入...";
inline constexpr const char* kLoginExpired =
    "本系统已经过期，请到 【OA主页】--->【常用工具】--->【Registrar】，下载新系统 Registrar.exe！";
inline constexpr int kLoginIPWidth = 50;   // logindata.loginIP
inline constexpr const char* kLoginAddressRefused = "本电脑IP段已经被禁止运行程序，请联系系统管理员！";

// Registrar's login: the account check, the login record, the commands the member's permissions enable, the
// version gate and the workstation address restriction. Messages go through the Prompter.
class LoginService {
public:
    enum class Outcome {
        EmptyNumber,     // nothing asked of the database; focus the staff number
        WrongPassword,   // counted; okEnabled() may now be false
        Locked,          // OK is disabled: nothing is checked any more
        NetworkFailure,  // the database failed: the program ends
        VersionExpired,  // the program ends
        AddressRefused,  // logged in and recorded, but this workstation may not run the program; window stays
        LoggedIn,        // the window closes
    };
    struct Result {
        Outcome outcome;
        Member member;               // from the account row on (VersionExpired, AddressRefused, LoggedIn)
        QStringList enabledCommands; // main-window captions the permissions enable, in order
    };

    // session may be null (no connection): every login attempt then fails as a network failure.
    // serverAddress is the stored address, which the login record keeps as loginIP.
    LoginService(Session* session, Prompter& p, const Machine& machine, DesktopSettings& desktop,
                 QString serverAddress);

    // The staff number remembered from the last successful login on this desktop.
    QString rememberedNumber() const;

    // "确定" with the two fields as typed.
    Result ok(const QString& tno, const QString& password);

    int failedAttempts() const { return failed_; }
    bool okEnabled() const { return okEnabled_; }

    // Which permission enables which commands, in the order they are checked.
    static const QList<QPair<QString, QStringList>>& permissionCommands();
    // The commands a member's permissions enable (one HasPermission call per permission).
    static QStringList commandsFor(Session& s, const QString& tname);

private:
    Result networkFailure(Result r);
    Session* s_;
    Prompter& p_;
    const Machine& machine_;
    DesktopSettings& desktop_;
    QString serverAddress_;
    int failed_ = 0;
    bool okEnabled_ = true;
};

}  // namespace oa
