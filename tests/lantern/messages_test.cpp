#include "LanternTestSupport.h"

#include "lantern/contacts/ChatRegistry.h"

#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTest>
#include <QTextBrowser>

using namespace oa;
using namespace oa::lantern;
using namespace oa::lantern::test;
using oa::test::SchoolDatabase;


class MessagesTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        fillSchool(s());
        chen = std::make_unique<Desk>(*db, kChen);
        li = std::make_unique<Desk>(*db, kLi);
    }
    Session& s() { return db->session(); }
    int queued(const QString& to) { return count(s(), QStringLiteral("select count(*) from tongxinMegNew where 接收人=:t"), {{QStringLiteral("t"), to}}); }
    int unread(const QString& to) { return count(s(), QStringLiteral("select count(*) from tongxinMeg where 接收人=:t and 接收人读=0"), {{QStringLiteral("t"), to}}); }

    std::unique_ptr<SchoolDatabase> db;
    std::unique_ptr<Desk> chen, li;
};

TEST_P(MessagesTest, TwoDesktopsExchangeMessagesBothWays)
{
    const auto first = chen->send(kLi.tname, QStringLiteral("李老师，下午开会。"));
    chen->send(kLi.tname, QStringLiteral("在三楼会议室"));
    EXPECT_GT(first.mid, 0);
    EXPECT_EQ(queued(kLi.tname), 2);

    EXPECT_EQ(li->messages.pollMessages(), 2);
    ASSERT_EQ(li->windows.shown.size(), 2);
    EXPECT_EQ(li->windows.texts(), (QStringList{QStringLiteral("李老师，下午开会。"), QStringLiteral("在三楼会议室")}));
    EXPECT_EQ(li->windows.shown[0].sender, kChen.tname);
    EXPECT_EQ(li->windows.shown[0].id, chen->st.presenceId);
    EXPECT_EQ(li->windows.shown[0].time.toString(QStringLiteral("hh:mm:ss")), first.time.toString(QStringLiteral("hh:mm:ss")));
    EXPECT_EQ(queued(kLi.tname), 0);
    EXPECT_EQ(unread(kLi.tname), 0);

    li->send(kChen.tname, QStringLiteral("好的，收到。"));
    EXPECT_EQ(chen->messages.pollMessages(), 1);
    EXPECT_EQ(chen->windows.texts(), QStringList{QStringLiteral("好的，收到。")});
    EXPECT_EQ(chen->windows.shown[0].id, li->st.presenceId);

    // Nothing is shown twice.
    EXPECT_EQ(li->messages.pollMessages(), 0);
    EXPECT_EQ(chen->messages.pollMessages(), 0);
    const auto row = s().rows(QStringLiteral("select * from tongxinMeg where Mid=:m"), {{QStringLiteral("m"), first.mid}});
    ASSERT_EQ(row.size(), 1);
    EXPECT_EQ(fieldText(row.first().value(QStringLiteral("发送人"))), kChen.tname);
    EXPECT_EQ(fieldText(row.first().value(QStringLiteral("接收人"))), kLi.tname);
    EXPECT_EQ(row.first().value(QStringLiteral("接收人读")).toInt(), 1);
    EXPECT_EQ(row.first().value(QStringLiteral("发送人删")).toInt(), 0);
    EXPECT_EQ(row.first().value(QStringLiteral("接收人删")).toInt(), 0);
    EXPECT_EQ(toDateTime(row.first().value(QStringLiteral("日期"))), toDateTime(row.first().value(QStringLiteral("时间"))));
}

TEST_P(MessagesTest, MessageIdsComeFromTheSharedCounter)
{
    const int before = s().scalar(QStringLiteral("select vid from varset where name='AllID'")).toInt();
    const auto a = chen->send(kLi.tname, QStringLiteral("一"));
    const auto b = li->send(kChen.tname, QStringLiteral("二"));
    EXPECT_EQ(a.mid, before + 1);
    EXPECT_EQ(b.mid, before + 2);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from tongxinMegNew where Mid=:m and Tid=:t"),
                    {{QStringLiteral("m"), a.mid}, {QStringLiteral("t"), chen->st.presenceId}}), 1);
}

TEST_P(MessagesTest, EmptySendBoxSendsNothing)
{
    const int before = count(s(), QStringLiteral("select count(*) from tongxinMeg"));
    const int counter = s().scalar(QStringLiteral("select vid from varset where name='AllID'")).toInt();
    QTextDocument d;
    EXPECT_FALSE(chen->messages.send(kLi.tname, d).has_value());
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from tongxinMeg")), before);
    EXPECT_EQ(queued(kLi.tname), 0);
    EXPECT_EQ(s().scalar(QStringLiteral("select vid from varset where name='AllID'")).toInt(), counter);
}

TEST_P(MessagesTest, MessageArrivingDuringDisplayIsNotLost)
{
    chen->send(kLi.tname, QStringLiteral("第一条"));
    // While Li's Lantern shows the first message, Chen sends another one.
    li->windows.during = [this] { chen->send(kLi.tname, QStringLiteral("第二条")); };
    EXPECT_EQ(li->messages.pollMessages(), 1);
    EXPECT_EQ(li->windows.texts(), QStringList{QStringLiteral("第一条")});
    EXPECT_EQ(unread(kLi.tname), 1);
    EXPECT_EQ(queued(kLi.tname), 1);
    EXPECT_EQ(li->messages.pollMessages(), 1);
    EXPECT_EQ(li->windows.texts(), (QStringList{QStringLiteral("第一条"), QStringLiteral("第二条")}));
    EXPECT_EQ(unread(kLi.tname), 0);
    EXPECT_EQ(queued(kLi.tname), 0);
}

TEST_P(MessagesTest, QueueRowOfAMessageReadElsewhereIsDropped)
{
    const auto m = chen->send(kLi.tname, QStringLiteral("已读"));
    s().exec(QStringLiteral("update tongxinMeg set 接收人读=1 where Mid=:m"), {{QStringLiteral("m"), m.mid}});
    EXPECT_EQ(li->messages.pollMessages(), 0);
    EXPECT_EQ(queued(kLi.tname), 0);
}

TEST_P(MessagesTest, StoreAndQueueAreOneTransaction)
{
    // The queue table refuses the row: the message must not be stored either.
    const int messages = count(s(), QStringLiteral("select count(*) from tongxinMeg"));
    s().execRaw(QStringLiteral("ALTER TABLE tongxinMegNew RENAME TO tongxinMegNewGone"));
    EXPECT_THROW(chen->send(kLi.tname, QStringLiteral("丢失？")), DbError);
    s().execRaw(QStringLiteral("ALTER TABLE tongxinMegNewGone RENAME TO tongxinMegNew"));
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from tongxinMeg")), messages);
    // And the desktop goes on sending afterwards.
    chen->send(kLi.tname, QStringLiteral("再发一次"));
    EXPECT_EQ(li->messages.pollMessages(), 1);
}

TEST_P(MessagesTest, AwkwardTextTravelsUnchanged)
{
    const QStringList texts = {
        QStringLiteral("It's \"quoted\"; drop table tongxinMeg; --"),
        QStringLiteral("{\\rtf1 \\b not bold\\b0 } \\par \\'cb {{{"),
        QStringLiteral("行一\n行二\n\n行四"),
        QStringLiteral("Tab\there, euro €, emoji 😀"),
        QString(5000, QLatin1Char('x')) + QStringLiteral("结束"),
    };
    for (const QString& t : texts) chen->send(kLi.tname, t);
    EXPECT_EQ(li->messages.pollMessages(), texts.size());
    EXPECT_EQ(li->windows.texts(), texts);
}

TEST_P(MessagesTest, IdlePollsBackOffAndActivityRestoresTheFastRate)
{
    QTimer timer;
    timer.setInterval(kFastPollMs);
    MessageService svc(*li->session, li->prompter, li->st, li->windows, &timer);
    for (int i = 1; i <= 99; ++i) svc.pollMessages();
    EXPECT_EQ(svc.interval(), kFastPollMs);
    svc.pollMessages();
    EXPECT_EQ(svc.interval(), kSlowPollMs) << "after 100 idle polls";
    EXPECT_EQ(timer.interval(), kSlowPollMs);

    // A send from this desktop restores the fast rate.
    li->send(kChen.tname, QStringLiteral("在吗？"));
    EXPECT_EQ(li->st.pollInterval, kFastPollMs);
    EXPECT_EQ(li->st.pollTick, 1);

    // So does a received message after another idle stretch.
    for (int i = 0; i < 100; ++i) svc.pollMessages();
    EXPECT_EQ(timer.interval(), kSlowPollMs);
    chen->send(kLi.tname, QStringLiteral("在"));
    EXPECT_EQ(svc.pollMessages(), 1);
    EXPECT_EQ(timer.interval(), kFastPollMs);
    EXPECT_EQ(svc.backOff(), 1);
}

TEST_P(MessagesTest, MessageFromAColleagueWithoutAWindowOpensOne)
{
    ChatRegistry registry;
    registry.context().state = &li->st;
    MessageService svc(*li->session, li->prompter, li->st, registry);
    registry.context().messages = &svc;
    ASSERT_EQ(registry.window(chen->st.presenceId), nullptr);

    chen->send(kLi.tname, QStringLiteral("新的对话"));
    EXPECT_EQ(svc.pollMessages(), 1);
    TFormChat* w = registry.window(chen->st.presenceId);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), kChen.tname);
    EXPECT_EQ(w->colleague(), kChen.tname);
    EXPECT_EQ(w->presenceId(), chen->st.presenceId);
    EXPECT_TRUE(w->isMinimized());
    EXPECT_TRUE(w->RichEditRec->toPlainText().contains(QStringLiteral("新的对话")));
    EXPECT_TRUE(w->RichEditRec->toPlainText().startsWith(kChen.tname + QLatin1Char(' ')));

    // Closed (hidden), the window comes back with the next message under the old conversation.
    w->showNormal();
    w->ImageCloseClick();
    ASSERT_FALSE(w->isVisible());
    chen->send(kLi.tname, QStringLiteral("还在吗"));
    EXPECT_EQ(svc.pollMessages(), 1);
    EXPECT_EQ(registry.window(chen->st.presenceId), w);
    EXPECT_TRUE(w->isVisible());
    const QString all = w->RichEditRec->toPlainText();
    EXPECT_LT(all.indexOf(QStringLiteral("新的对话")), all.indexOf(QStringLiteral("还在吗")));
    registry.clear();
}

TEST_P(MessagesTest, SenderWithoutAWindowSlotStaysQueued)
{
    s().exec(QStringLiteral("update tongxinV5 set id=10001 where tname=:t"), {{QStringLiteral("t"), kChen.tname}});
    chen->st.presenceId = 10001;
    chen->send(kLi.tname, QStringLiteral("无处显示"));
    EXPECT_EQ(li->messages.pollMessages(), 0);
    EXPECT_EQ(unread(kLi.tname), 1);
    EXPECT_EQ(queued(kLi.tname), 1);
}

TEST_P(MessagesTest, ChatFontIsKeptPerMember)
{
    EXPECT_FALSE(chen->messages.chatInfo(kLi.tname).font.has_value());
    ChatFont f;
    f.name = QStringLiteral("宋体");
    f.charSet = 134;
    f.color = 255 + 128 * 256;     // orange
    f.size = 14;
    f.style = 1 | 4;
    EXPECT_TRUE(chen->messages.saveFont(f));
    const ChatInfo info = chen->messages.chatInfo(kLi.tname);
    ASSERT_TRUE(info.font.has_value());
    EXPECT_EQ(info.font->name, f.name);
    EXPECT_EQ(info.font->charSet, 134);
    EXPECT_EQ(info.font->color, f.color);
    EXPECT_EQ(info.font->size, 14);
    EXPECT_EQ(info.font->style, 5);
    // Li's font is his own.
    EXPECT_FALSE(li->messages.chatInfo(kChen.tname).font.has_value());
}

TEST_P(MessagesTest, ChatInfoShowsTheColleagueAndTheSmsButton)
{
    ChatInfo info = chen->messages.chatInfo(kLi.tname);
    EXPECT_EQ(info.address, li->machine.lanternIp);
    EXPECT_EQ(info.mobile, QStringLiteral("13800001002"));
    EXPECT_EQ(info.shortNumber, QStringLiteral("6002"));
    EXPECT_TRUE(info.smsVisible);          // no module row: in use
    EXPECT_TRUE(info.smsEnabled);          // 班主任 may send SMS
    EXPECT_FALSE(li->messages.chatInfo(kChen.tname).smsEnabled);
    s().exec(QStringLiteral("delete from varset where name='选用系统模块' and vname='手机短信'"));
    s().exec(QStringLiteral("insert into varset(name,vid,vname,vname1) values('选用系统模块',1,'手机短信','不使用')"));
    EXPECT_FALSE(chen->messages.chatInfo(kLi.tname).smsVisible);
}

TEST_P(MessagesTest, AFailedPollKeepsTheQueueForTheNextTick)
{
    chen->send(kLi.tname, QStringLiteral("等你回来"));
    li->session->database().close();
    EXPECT_EQ(li->messages.pollMessages(), 0);
    li->session->database().open();
    if (GetParam() == Engine::PostgreSQL && !db->url().schema.isEmpty())
        li->session->execRaw(QStringLiteral("SET search_path TO \"%1\"").arg(db->url().schema));
    // A statement that fails half-way through the tick.
    s().execRaw(QStringLiteral("ALTER TABLE tongxinMeg RENAME TO tongxinMegAway"));
    EXPECT_EQ(li->messages.pollMessages(), 0);
    s().execRaw(QStringLiteral("ALTER TABLE tongxinMegAway RENAME TO tongxinMeg"));
    EXPECT_EQ(queued(kLi.tname), 1);
    EXPECT_EQ(li->messages.pollMessages(), 1);
    EXPECT_EQ(li->windows.texts(), QStringList{QStringLiteral("等你回来")});
}

TEST_P(MessagesTest, NotificationShowsAMessageWithoutWaitingForThePoll)
{
    if (GetParam() != Engine::PostgreSQL) GTEST_SKIP() << "LISTEN/NOTIFY is PostgreSQL's";
    ASSERT_TRUE(li->messages.listen());
    EXPECT_NE(li->messages.channelFor(kLi.tname), li->messages.channelFor(kChen.tname));
    for (QChar c : li->messages.channelFor(kLi.tname)) EXPECT_LT(c.unicode(), 128);
    chen->send(kLi.tname, QStringLiteral("立刻到达"));
    // No poll is called: the notification wakes it.
    QTRY_COMPARE_WITH_TIMEOUT(li->windows.shown.size(), qsizetype(1), 5000);
    EXPECT_EQ(li->windows.texts(), QStringList{QStringLiteral("立刻到达")});
    // A message to someone else does not wake this desktop.
    li->windows.shown.clear();
    chen->send(kHuang.tname, QStringLiteral("不是给你的"));
    QTest::qWait(300);
    EXPECT_TRUE(li->windows.shown.isEmpty());
}

OA_INSTANTIATE_ENGINES(MessagesTest);
