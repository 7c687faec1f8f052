#pragma once
#include "common/db/Session.h"

#include <optional>

namespace oa {

// The version the Migrator stamps and every program checks at login.
inline constexpr const char* kRequiredVersion = "5.0x";

struct Member {
    QString tname;          // display name: every other table refers to a member by it
    QString powdergroup;    // permission group
};

namespace Accounts {
// "SELECT * FROM teachers where Tno=:Tno and TPassWord=:TPassWord": the number as typed (untrimmed).
std::optional<Member> findMember(Session& s, const QString& tno, const QString& password);
// True when the member's group is granted the permission.
bool HasPermission(Session& s, const QString& tname, const QString& permission);
// The first Version row's vname must be exactly "5.0x" (case-sensitive); a missing row fails.
bool versionCurrent(Session& s);
// The workstation address restriction: a plain character prefix; an empty prefix admits everyone.
QString allowedAddressPrefix(Session& s);
bool addressAllowed(const QString& prefix, const QString& address);
// One logindata row, stamped with the server clock.
void recordLogin(Session& s, const QString& userno, const QString& userName, const QString& loginIP,
                 const QString& loginType);
}  // namespace Accounts

}  // namespace oa
