#include "LanternTestSupport.h"

using namespace oa;
using namespace oa::lantern;
using namespace oa::lantern::test;
using oa::test::SchoolDatabase;


class PresenceTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        fillSchool(s());
    }
    Session& s() { return db->session(); }
    void presenceRow(int id, const QString& name, const QString& state = QStringLiteral("1"))
    {
        s().exec(QStringLiteral("insert into tongxinV5(id,Tname,状态,登陆时间) values(:id,:t,:s,:now)"),
                 {{QStringLiteral("id"), id}, {QStringLiteral("t"), name}, {QStringLiteral("s"), state}, {QStringLiteral("now"), s().serverNow()}});
    }
    std::unique_ptr<SchoolDatabase> db;
};

TEST_P(PresenceTest, NewIdFillsTheLowestGap)
{
    struct Case {
        QList<int> ids;
        int expected;
    };
    const QList<Case> cases = {{{}, 1}, {{1, 2, 4}, 3}, {{2, 3}, 1}, {{1, 2, 3}, 4}, {{1, 5, 6}, 2}};
    for (const Case& c : cases) {
        s().exec(QStringLiteral("delete from tongxinV5"));
        for (int id : c.ids) presenceRow(id, QStringLiteral("成员%1").arg(id));
        Desk d(*db, kChen, false);
        QStringList ids;
        for (int id : c.ids) ids << QString::number(id);
        EXPECT_EQ(d.presence.newPresenceId(), c.expected) << "rows " << ids.join(QLatin1Char(',')).toStdString();
    }
}

TEST_P(PresenceTest, FirstLoginTakesTheGapAndRecordsTheLogin)
{
    presenceRow(1, QStringLiteral("甲"));
    presenceRow(2, QStringLiteral("乙"));
    presenceRow(4, QStringLiteral("丁"));
    Desk d(*db, kChen);
    EXPECT_EQ(d.st.presenceId, 3);
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("1"));
    EXPECT_EQ(fieldText(s().scalar(QStringLiteral("select 登陆IP from tongxinV5 where tname=:t"), {{QStringLiteral("t"), kChen.tname}})),
              d.machine.lanternIp);
    EXPECT_EQ(d.st.schoolYear, QStringLiteral("2026-2027"));
    EXPECT_EQ(d.st.webOaAddress, QStringLiteral("http://oa.school.example"));
    EXPECT_TRUE(d.st.serverClock.isValid());
    const auto login = s().rows(QStringLiteral("select * from logindata where userName=:t"), {{QStringLiteral("t"), kChen.tname}});
    ASSERT_EQ(login.size(), 1);
    EXPECT_EQ(fieldText(login.first().value(QStringLiteral("userno"))), kChen.tno);
    EXPECT_EQ(fieldText(login.first().value(QStringLiteral("loginType"))), QStringLiteral("Lantern"));
    EXPECT_EQ(fieldText(login.first().value(QStringLiteral("loginResult"))), QStringLiteral("【登陆成功】"));
    EXPECT_EQ(fieldText(login.first().value(QStringLiteral("loginIP"))), d.machine.lanternIp);
}

TEST_P(PresenceTest, LaterLoginKeepsTheRowAndComesBackOnline)
{
    presenceRow(7, kChen.tname, QStringLiteral("3"));
    Desk d(*db, kChen);
    EXPECT_EQ(d.st.presenceId, 7);
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("1"));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from tongxinV5")), 1);
}

TEST_P(PresenceTest, EmptyDisplayNameStopsTheSetup)
{
    Desk d(*db, Member{QStringLiteral("x"), QString(), QString(), QString()}, false);
    EXPECT_EQ(d.presence.afterLoginSetup(), PresenceService::Setup::Stopped);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from tongxinV5")), 0);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from logindata")), 0);
}

TEST_P(PresenceTest, SweepMarksASilentDesktopOffline)
{
    Desk chen(*db, kChen);
    Desk li(*db, kLi);
    const QDateTime t0 = s().serverNow();
    setVarset(s(), QStringLiteral("Lantern客户更新时间"), stamp(t0));

    // Li's desktop stops; Chen's heartbeat keeps going. Before 300 s nothing is swept.
    const QDateTime early = t0.addSecs(200);
    ASSERT_TRUE(chen.presence.heartbeat(early));
    EXPECT_FALSE(chen.presence.tickSweep(early));
    EXPECT_EQ(stateOf(s(), kLi.tname), QStringLiteral("1"));

    const QDateTime late = t0.addSecs(310);
    ASSERT_TRUE(chen.presence.heartbeat(late));
    EXPECT_TRUE(chen.presence.tickSweep(late));
    EXPECT_EQ(stateOf(s(), kLi.tname), QStringLiteral("3"));
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("1"));
    EXPECT_EQ(fieldText(s().scalar(QStringLiteral("select vname from varset where name='Lantern客户更新时间'"))), stamp(late));

    // The stamp serialises the desktops: right after Chen's sweep, Huang's desktop does not sweep again.
    Desk huang(*db, kHuang);
    EXPECT_FALSE(huang.presence.tickSweep(late.addSecs(5)));
}

TEST_P(PresenceTest, HeartbeatKeepsADesktopFromBeingSwept)
{
    Desk chen(*db, kChen);
    Desk li(*db, kLi);
    const QDateTime t0 = s().serverNow();
    setVarset(s(), QStringLiteral("Lantern客户更新时间"), stamp(t0.addSecs(-400)));
    ASSERT_TRUE(li.presence.heartbeat(t0.addSecs(250)));
    EXPECT_TRUE(chen.presence.tickSweep(t0.addSecs(310)));
    EXPECT_EQ(stateOf(s(), kLi.tname), QStringLiteral("1"));
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("3"));   // Chen's own heartbeat did not run
}

TEST_P(PresenceTest, TickHeartbeatRefreshesAtTheServerTime)
{
    Desk chen(*db, kChen);
    s().exec(QStringLiteral("update tongxinV5 set 登陆时间=:t"), {{QStringLiteral("t"), s().serverNow().addSecs(-1000)}});
    EXPECT_TRUE(chen.presence.tickHeartbeat());
    const QDateTime beat = toDateTime(s().scalar(QStringLiteral("select 登陆时间 from tongxinV5 where tname=:t"), {{QStringLiteral("t"), kChen.tname}}));
    EXPECT_LE(std::abs(beat.secsTo(s().serverNow())), 5);
    // The stamp was an hour old, so this desktop swept and stamped.
    EXPECT_NE(fieldText(s().scalar(QStringLiteral("select vname from varset where name='Lantern客户更新时间'"))),
              stamp(s().serverNow().addSecs(-3600)));
}

TEST_P(PresenceTest, IdleDetectionGoesAwayAndComesBack)
{
    Desk d(*db, kChen);
    struct Step {
        int idleSecs;
        const char* state;
        int flag;
    };
    // 600 s exactly is not yet away; the return to input brings the member back.
    const QList<Step> steps = {{0, "1", 0}, {600, "1", 0}, {601, "2", 1}, {1200, "2", 1}, {3, "1", 0}, {5, "1", 0}};
    for (const Step& st : steps) {
        d.machine.idle = st.idleSecs;
        d.presence.tickIdle();
        EXPECT_EQ(stateOf(s(), kChen.tname), QString::fromLatin1(st.state)) << "idle " << st.idleSecs;
        EXPECT_EQ(d.st.awayFlag, st.flag) << "idle " << st.idleSecs;
    }
}

TEST_P(PresenceTest, IdleDetectorDoesNotUndoASweep)
{
    Desk d(*db, kChen);
    d.presence.setOwnState(QStringLiteral("3"));
    d.machine.idle = 10;
    d.presence.tickIdle();
    // Only a change from away restores online; the next login or reconnection does the rest.
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("3"));
}

OA_INSTANTIATE_ENGINES(PresenceTest);
