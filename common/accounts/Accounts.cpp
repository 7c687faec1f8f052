#include "common/accounts/Accounts.h"

#include "common/config/VarSet.h"

namespace oa::Accounts {

std::optional<Member> findMember(Session& s, const QString& tno, const QString& password)
{
    const auto r = s.rows(QStringLiteral("SELECT * FROM teachers where Tno=:Tno and TPassWord=:TPassWord"),
                          {{QStringLiteral("Tno"), tno}, {QStringLiteral("TPassWord"), password}});
    if (r.isEmpty()) return std::nullopt;
    return Member{fieldText(r.first().value(QStringLiteral("tname"))),
                  fieldText(r.first().value(QStringLiteral("powdergroup")))};
}

bool HasPermission(Session& s, const QString& tname, const QString& permission)
{
    return !s.rows(QStringLiteral("select p.powderdetail from teachers t,teacherpowder p where "
                                  "t.powdergroup=p.powdergroup and tname=:tname and powderdetail=:powderdetail"),
                   {{QStringLiteral("tname"), tname}, {QStringLiteral("powderdetail"), permission}})
                .isEmpty();
}

bool versionCurrent(Session& s)
{
    const auto r = s.rows(QStringLiteral("select * from varset where name='Version' order by vid"));
    return !r.isEmpty() && fieldText(r.first().value(QStringLiteral("vname"))) == QLatin1String(kRequiredVersion);
}

QString allowedAddressPrefix(Session& s)
{
    const auto r = s.rows(QStringLiteral("select * from varset where name='IP' order by vid"));
    return r.isEmpty() ? QString() : fieldText(r.first().value(QStringLiteral("vname")));
}

bool addressAllowed(const QString& prefix, const QString& address)
{
    return address.startsWith(prefix, Qt::CaseSensitive);
}

void recordLogin(Session& s, const QString& userno, const QString& userName, const QString& loginIP,
                 const QString& loginType)
{
    const QDateTime now = s.serverNow();
    s.exec(QStringLiteral("insert into logindata(userno,userName,loginIP,loginDatetime,loginType,loginResult)  "
                          "values(:userno,:userName,:loginIP,:loginTime,:loginType,:loginResult)"),
           {{QStringLiteral("userno"), userno},
            {QStringLiteral("userName"), userName},
            {QStringLiteral("loginIP"), loginIP},
            {QStringLiteral("loginTime"), now},
            {QStringLiteral("loginType"), loginType},
            {QStringLiteral("loginResult"), QStringLiteral("【登陆成功】")}});
}

}  // namespace oa::Accounts
