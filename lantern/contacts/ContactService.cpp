#include "lantern/contacts/ContactService.h"

namespace oa::lantern {

QList<Contact> ContactService::read(const QString& sql, const Params& params)
{
    QList<Contact> out;
    Statement st = s_.exec(sql, params);
    while (st.next()) {
        Contact c;
        c.tname = fieldText(st.value(0));
        bool ok = false;
        c.state = fieldText(st.value(1)).trimmed().toInt(&ok);
        if (!ok) c.state = kNoPresence;
        out << c;
    }
    return out;
}

// The "never logged in" code is written as text: 状态 is text, and the list sorts by it as text so that
// colleagues without a presence row come last on every engine.
QList<Contact> ContactService::allStaff()
{
    return read(QStringLiteral("select tname,isnull((select 状态 from tongxinV5 where tname=g.tname),'4') as 状态   "
                               "from  Teachers g where show=1  order by 状态,tname"),
                {});
}

QList<Contact> ContactService::group(const QString& groupName)
{
    return read(QStringLiteral("select tname,isnull((select 状态 from tongxinV5 where tname=g.tname),'4') as 状态  "
                               "from teachergroup g  where (g.owner='admin'  or g.owner=:me) and  (g.groupname=:grp)     "
                               "order by 状态 ,tname"),
                {{QStringLiteral("me"), st_.tname}, {QStringLiteral("grp"), groupName}});
}

QList<Contact> ContactService::list()
{
    return st_.currentGroup.isEmpty() ? allStaff() : group(st_.currentGroup);
}

QList<Contact> ContactService::search(const QString& text)
{
    if (text.isEmpty()) return allStaff();
    return read(QStringLiteral("select tname,isnull((select 状态 from tongxinV5 where tname=g.tname),'4') as 状态  "
                               "from Teachers g  where   g.tname like :pattern  and show=1    order by 状态 ,tname"),
                {{QStringLiteral("pattern"), QStringLiteral("%") + text + QStringLiteral("%")}});
}

QList<ContactGroup> ContactService::groups()
{
    QList<ContactGroup> out;
    Statement st = s_.exec(QStringLiteral("select owner, groupid ,groupname  from teachergroup where owner='admin' or "
                                          "owner=:Tname  group by owner, groupid ,groupname order by owner,  groupid"),
                           {{QStringLiteral("Tname"), st_.tname}});
    while (st.next())
        out << ContactGroup{fieldText(st.value(0)), st.value(1).toInt(), fieldText(st.value(2))};
    return out;
}

std::optional<ContactService::Presence> ContactService::presenceOf(const QString& tname)
{
    const auto r = s_.rows(QStringLiteral("select * from  tongxinV5    where Tname=:Tname1"),
                           {{QStringLiteral("Tname1"), tname}});
    if (r.isEmpty()) return std::nullopt;
    Presence p;
    p.id = r.first().value(QStringLiteral("id")).toInt();
    p.state = fieldText(r.first().value(QStringLiteral("状态"))).trimmed().toInt();
    p.address = fieldText(r.first().value(QStringLiteral("登陆IP")));
    return p;
}

QString ContactService::summary(const QList<Contact>& contacts)
{
    int online = 0;
    for (const Contact& c : contacts)
        if (c.state == 1 || c.state == 2) ++online;
    return QStringLiteral("总数:%1 在线:%2    ").arg(contacts.size()).arg(online);
}

}  // namespace oa::lantern
