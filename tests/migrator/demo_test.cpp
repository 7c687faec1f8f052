#include "TestDb.h"
#include "common/accounts/Accounts.h"
#include "common/config/VarSet.h"
#include "tools/demo/DemoSchool.h"

#include <gtest/gtest.h>

using namespace oa;
using namespace oa::test;

class DemoSchoolTest : public EngineTest {};

TEST_P(DemoSchoolTest, EveryWindowHasSomethingToShow)
{
    SchoolDatabase db(GetParam(), true);
    Session& s = db.session();
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from students")).toInt(), 2016);
    EXPECT_EQ(VarSet::list(s, QStringLiteral("xueqi")).size(), 2);
    EXPECT_EQ(VarSet::value(s, QStringLiteral("nowxueqi")), QStringLiteral("2026-2027"));
    EXPECT_EQ(s.scalar(QStringLiteral("select count(distinct TestName) from stuscore")).toInt(), 2);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from varset where name='TestName' and vname1='关闭'")).toInt(), 1);
    EXPECT_TRUE(Accounts::versionCurrent(s));
    // The subject groups add up in the view.
    EXPECT_GT(s.scalar(QStringLiteral("select count(*) from mark where subject='数学'")).toInt(), 0);

    for (const auto& l : DemoSchool::logins()) {
        const auto m = Accounts::findMember(s, l.tno, l.password);
        ASSERT_TRUE(m) << l.tno.toStdString();
        EXPECT_EQ(m->tname, l.tname);
        EXPECT_EQ(m->powdergroup, l.group);
    }
    EXPECT_TRUE(Accounts::HasPermission(s, QStringLiteral("管理员"), QStringLiteral("系统参数")));
    EXPECT_TRUE(Accounts::HasPermission(s, QStringLiteral("管理员"), QStringLiteral("Registrar")));
    EXPECT_FALSE(Accounts::HasPermission(s, QStringLiteral("王建军"), QStringLiteral("Registrar")));

    // Lantern's counters for the head teacher: unread notices, messages, mails and work items.
    const QDateTime since = s.serverNow().addDays(-60);
    const Params p{{QStringLiteral("tname"), QStringLiteral("陈国华")}, {QStringLiteral("updatetime"), since},
                   {QStringLiteral("Havesee"), QStringLiteral("未查阅")}};
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) as shuliang  FROM gonggao g INNER JOIN  gonggaosee s ON g.id = s.fid    where ftype=:ftype  and   tname =:tname   and updatetime>:updatetime  and Havesee=:Havesee group by  s.tname"),
                       p + Params{{QStringLiteral("ftype"), QStringLiteral("通知")}}).toInt(), 3);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT count(*) as shuliang FROM message m INNER JOIN  seemessage s ON m.mid = s.mid  where sendto =:tname  and s.isdel='0' and updatetime>:updatetime  and havesee=:Havesee  group by  sendto"), p).toInt(), 2);
    EXPECT_EQ(s.scalar(QStringLiteral("SELECT  count(*) as shuliang  FROM email f INNER JOIN  emailsee s ON f.id = s.fid  where shouname =:tname and s.isdel=0   and updatetime>:updatetime and havesee=:Havesee  group by  shouname"), p).toInt(), 2);
    EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from KaoQinQingJia where 审批人=:n and 审批状态='等待审批'"), {{QStringLiteral("n"), QStringLiteral("陈国华")}}).toInt(), 1);
}

OA_INSTANTIATE_ENGINES(DemoSchoolTest);
