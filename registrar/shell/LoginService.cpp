#include "registrar/shell/LoginService.h"

#include "common/config/DesktopSettings.h"
#include "common/platform/Machine.h"
#include "common/ui/Prompter.h"

namespace oa {

LoginService::LoginService(Session* session, Prompter& p, const Machine& machine, DesktopSettings& desktop,
                           QString serverAddress)
    : s_(session), p_(p), machine_(machine), desktop_(desktop), serverAddress_(std::move(serverAddress))
{
}

QString LoginService::rememberedNumber() const { return desktop_.staffNumber(); }

const QList<QPair<QString, QStringList>>& LoginService::permissionCommands()
{
    static const QList<QPair<QString, QStringList>> table = {
        {QStringLiteral("Registrar"),
         {QStringLiteral("按班别录入"), QStringLiteral("按试室录入"), QStringLiteral("学生学籍资料"), QStringLiteral("题库管理")}},
        {QStringLiteral("导入管理学籍成绩"), {QStringLiteral("学生管理"), QStringLiteral("成绩管理")}},
        {QStringLiteral("考务设置"), {QStringLiteral("教务设置")}},
        {QStringLiteral("信息管理"), {QStringLiteral("文件管理")}},
        {QStringLiteral("工资管理"), {QStringLiteral("工资导入")}},
        {QStringLiteral("系统参数"),
         {QStringLiteral("学生管理"), QStringLiteral("成绩管理"), QStringLiteral("教务设置"), QStringLiteral("教师导入"),
          QStringLiteral("工资导入"), QStringLiteral("系统设置"), QStringLiteral("文件管理"), QStringLiteral("值日值班")}},
    };
    return table;
}

QStringList LoginService::commandsFor(Session& s, const QString& tname)
{
    QStringList out;
    for (const auto& [permission, commands] : permissionCommands()) {
        if (!Accounts::HasPermission(s, tname, permission)) continue;
        for (const QString& c : commands)
            if (!out.contains(c)) out << c;
    }
    return out;
}

LoginService::Result LoginService::networkFailure(Result r)
{
    r.outcome = Outcome::NetworkFailure;
    p_.error(QString::fromUtf8(kLoginNetworkFailure));
    return r;
}

LoginService::Result LoginService::ok(const QString& tno, const QString& password)
{
    Result r{Outcome::Locked, {}, {}};
    if (!okEnabled_) return r;
    if (tno.trimmed().isEmpty()) {
        p_.error(QString::fromUtf8(kLoginEmptyNumber));
        r.outcome = Outcome::EmptyNumber;
        return r;
    }
    if (!s_) return networkFailure(r);

    std::optional<Member> member;
    try {
        // Looked up as typed: a leading blank is part of the number.
        member = Accounts::findMember(*s_, tno, password);
    } catch (const DbError&) {
        return networkFailure(r);
    }
    if (!member) {
        if (failed_ >= 3) okEnabled_ = false;
        ++failed_;
        p_.error(QString::fromUtf8(kLoginWrongPassword));
        r.outcome = Outcome::WrongPassword;
        return r;
    }
    r.member = *member;

    try {
        // loginIP holds 50 characters; a long database URL must not make every login fail.
        Accounts::recordLogin(*s_, tno, member->tname, serverAddress_.left(kLoginIPWidth), QStringLiteral("Registrar"));
        r.enabledCommands = commandsFor(*s_, member->tname);
        if (!Accounts::versionCurrent(*s_)) {
            p_.message(QStringLiteral("错误"), QString::fromUtf8(kLoginExpired), Prompter::Icon::Error);
            r.outcome = Outcome::VersionExpired;
            return r;
        }
        if (!Accounts::addressAllowed(Accounts::allowedAddressPrefix(*s_), machine_.localIPAddress())) {
            p_.error(QString::fromUtf8(kLoginAddressRefused));
            r.outcome = Outcome::AddressRefused;
            return r;
        }
    } catch (const DbError&) {
        // A connection lost half-way through the login ends the program as a failed account query does.
        return networkFailure(r);
    }

    r.outcome = Outcome::LoggedIn;
    desktop_.setStaffNumber(tno);
    if (!desktop_.sync())
        p_.error(QStringLiteral("不能保存用户帐号到 %1").arg(desktop_.location()));
    return r;
}

}  // namespace oa
