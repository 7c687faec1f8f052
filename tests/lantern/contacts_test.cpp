#include "LanternTestSupport.h"

#include "lantern/app/LanternCore.h"
#include "lantern/app/TFMain.h"
#include "common/ui/TFormSetServerIP.h"
#include "lantern/login/TFrmLogin.h"

#include <QLineEdit>
#include <QTest>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUrlQuery>

using namespace oa;
using namespace oa::lantern;
using namespace oa::lantern::test;
using oa::test::SchoolDatabase;


namespace {
QStringList names(const QList<Contact>& l)
{
    QStringList out;
    for (const Contact& c : l) out << QStringLiteral("%1:%2").arg(c.tname).arg(c.state);
    return out;
}
}  // namespace

// A Lantern core on one desktop of its own, with a scripted prompter and a machine the test controls.
struct CoreRig {
    explicit CoreRig(Session& s) : link(s), desktop(temp.settings()), core(link, prompter, machine, clock, *desktop) {}
    LanternLink link;
    TempDesktop temp;
    std::unique_ptr<DesktopSettings> desktop;
    ScriptedPrompter prompter;
    FakeMachine machine;
    Clock clock;
    LanternCore core;
};

class ContactsTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        fillSchool(s());
        chen = std::make_unique<Desk>(*db, kChen);
        li = std::make_unique<Desk>(*db, kLi);
        huang = std::make_unique<Desk>(*db, kHuang);
        li->presence.setOwnState(QStringLiteral("2"));
        huang->presence.setOwnState(QStringLiteral("3"));
    }
    Session& s() { return db->session(); }
    std::unique_ptr<SchoolDatabase> db;
    std::unique_ptr<Desk> chen, li, huang;
};

TEST_P(ContactsTest, OnlineFirstAndNeverLoggedInLast)
{
    const auto all = chen->contacts.list();
    EXPECT_EQ(names(all), (QStringList{QStringLiteral("陈国华:1"), QStringLiteral("李慧敏:2"), QStringLiteral("黄志强:3"),
                                       QStringLiteral("王建军:4")}));
    EXPECT_EQ(ContactService::summary(all), QStringLiteral("总数:4 在线:2    "));
}

TEST_P(ContactsTest, GroupShowsAdminAndOwnGroupsOnly)
{
    chen->st.currentGroup = QStringLiteral("行政");
    EXPECT_EQ(names(chen->contacts.list()), (QStringList{QStringLiteral("陈国华:1"), QStringLiteral("王建军:4")}));
    chen->st.currentGroup = QStringLiteral("我的好友");
    EXPECT_EQ(names(chen->contacts.list()), QStringList{QStringLiteral("黄志强:3")});
    // Li's own group is not Chen's.
    chen->st.currentGroup = QStringLiteral("李的好友");
    EXPECT_TRUE(chen->contacts.list().isEmpty());
    QStringList groups;
    for (const auto& g : chen->contacts.groups()) groups << g.owner + QLatin1Char('/') + g.name;
    EXPECT_EQ(groups, (QStringList{QStringLiteral("admin/行政"), QStringLiteral("admin/语文组"), QStringLiteral("陈国华/我的好友")}));
}

TEST_P(ContactsTest, SearchIgnoresTheGroupAndTakesTextAsText)
{
    chen->st.currentGroup = QStringLiteral("我的好友");
    EXPECT_EQ(names(chen->contacts.search(QStringLiteral("华"))), (QStringList{QStringLiteral("陈国华:1")}));
    EXPECT_EQ(chen->contacts.search(QString()).size(), 4);
    const auto none = chen->contacts.search(QStringLiteral("' or '1'='1"));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(ContactService::summary(none), QStringLiteral("总数:0 在线:0    "));
}

TEST_P(ContactsTest, MainWindowListsGroupsAndOpensChats)
{
    CoreRig rig(*chen->session);
    LanternCore& core = rig.core;
    core.state() = chen->st;
    TFrmLogin login;
    ServerAddressSetup servers(rig.prompter, ServerDialogProgram::Lantern, rig.temp.dir.filePath(QStringLiteral("server.ini")));
    TFMain w(core, login, servers);
    core.state().firstShow = 100;   // the login already happened
    core.loadGroups();
    ASSERT_EQ(w.TreeGroup->topLevelItemCount(), 4);
    EXPECT_EQ(w.TreeGroup->topLevelItem(0)->text(0), QStringLiteral("全部"));
    ASSERT_EQ(w.GridContacts->rowCount(), 5);
    EXPECT_EQ(w.GridContacts->item(4, 0)->text(), QStringLiteral("总数:4 在线:2    "));
    EXPECT_TRUE(w.GridContacts->item(4, 1)->text().isEmpty());

    // A group without members leaves the list as it was.
    w.TreeGroupClick(w.TreeGroup->topLevelItem(2));   // 语文组: only Li
    EXPECT_EQ(w.GridContacts->rowCount(), 2);
    s().exec(QStringLiteral("delete from teachergroup where groupname='我的好友'"));
    w.TreeGroupClick(w.TreeGroup->topLevelItem(3));
    EXPECT_EQ(w.GridContacts->rowCount(), 2);
    w.TreeGroupClick(w.TreeGroup->topLevelItem(0));
    EXPECT_EQ(w.GridContacts->rowCount(), 5);

    // The summary row opens nothing; a colleague who never logged in gets the message.
    w.GridContacts->setCurrentCell(4, 0);
    w.GridDblClick();
    EXPECT_TRUE(core.chats().windows().isEmpty());
    w.GridContacts->setCurrentCell(3, 0);
    w.GridDblClick();
    EXPECT_EQ(rig.prompter.lastText(), QString::fromUtf8(kNotActivated));
    EXPECT_TRUE(core.chats().windows().isEmpty());

    // Li's window opens once; a second double-click restores the minimised one.
    w.GridContacts->setCurrentCell(1, 0);
    w.GridDblClick();
    TFormChat* chat = core.chats().window(li->st.presenceId);
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->windowTitle(), kLi.tname);
    EXPECT_TRUE(chat->isVisible());
    EXPECT_EQ(chat->EditMobile->text(), QStringLiteral("13800001002"));
    chat->showMinimized();
    w.GridDblClick();
    EXPECT_EQ(core.chats().windows().size(), 1);
    EXPECT_FALSE(chat->isMinimized());

    // Search: a name nobody has leaves only the summary.
    w.EditSearch->setText(QStringLiteral("不存在"));
    w.EditSearchReturn();
    ASSERT_EQ(w.GridContacts->rowCount(), 1);
    EXPECT_EQ(w.GridContacts->item(0, 0)->text(), QStringLiteral("总数:0 在线:0    "));
    core.chats().clear();
}

TEST_P(ContactsTest, LostDatabaseShowsOfflineAndReconnects)
{
    CoreRig rig(*chen->session);
    LanternCore& core = rig.core;
    core.state() = chen->st;
    int offline = 0, reconnected = 0, cleared = 0;
    QObject::connect(&core, &LanternCore::offline, [&](bool whole) { offline += whole ? 1 : 0; });
    QObject::connect(&core, &LanternCore::reconnected, [&] { ++reconnected; });
    QObject::connect(&core, &LanternCore::contactsCleared, [&] { ++cleared; });
    core.TimerCheck.start();
    core.TimerZhuangTai.start();

    // The contact list fails: offline picture, list emptied, timers stopped; the chat windows stay.
    core.chats().open(li->st.presenceId, kLi.tname, 2);
    s().execRaw(QStringLiteral("ALTER TABLE Teachers RENAME TO TeachersAway"));
    core.tickZhuangTai();
    EXPECT_EQ(offline, 1);
    EXPECT_GE(cleared, 1);
    EXPECT_FALSE(core.TimerZhuangTai.isActive());
    EXPECT_FALSE(core.TimerCheck.isActive());
    EXPECT_NE(core.chats().window(li->st.presenceId), nullptr);
    s().execRaw(QStringLiteral("ALTER TABLE TeachersAway RENAME TO Teachers"));

    // The connection itself goes; heartbeat, poll and idle ticks do not end anything.
    if (GetParam() == Engine::PostgreSQL)
        s().scalar(QStringLiteral("select pg_terminate_backend(:pid)"),
                   {{QStringLiteral("pid"), chen->session->scalar(QStringLiteral("select pg_backend_pid()"))}});
    else
        chen->session->database().close();
    s().exec(QStringLiteral("update tongxinV5 set 状态='3' where tname=:t"), {{QStringLiteral("t"), kChen.tname}});
    core.tickHeartbeat();
    core.pollMessages();
    core.tickIdle();

    // The next counter refresh finds the server gone, reconnects, and the member is online again.
    core.refreshCounters();
    EXPECT_EQ(reconnected, 1);
    EXPECT_TRUE(core.connected());
    EXPECT_TRUE(core.TimerCheck.isActive());
    EXPECT_TRUE(core.TimerZhuangTai.isActive());
    EXPECT_TRUE(core.Timerlogout.isActive());
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("1"));
    EXPECT_NE(core.chats().window(li->st.presenceId), nullptr);

    // And messages flow again.
    li->send(kChen.tname, QStringLiteral("重新连上了吗？"));
    EXPECT_EQ(core.pollMessages(), 1);
    core.chats().clear();
}

// The server drops the connection on its own (a restart, a network cut): the next timer tick notices it,
// shows the offline picture, and the next counter refresh brings the member back.
TEST_P(ContactsTest, ConnectionDroppedByTheServerIsNoticedByTheNextTick)
{
    CoreRig rig(*chen->session);
    LanternCore& core = rig.core;
    core.state() = chen->st;
    core.state().connResult = QStringLiteral("ok");
    int offline = 0, tray = 0;
    QObject::connect(&core, &LanternCore::offline, [&](bool whole) { offline += whole ? 1 : 0; ++tray; });
    core.TimerCheck.start();
    core.TimerZhuangTai.start();
    if (GetParam() == Engine::PostgreSQL) {
        ASSERT_TRUE(core.messages()->listen());
        s().scalar(QStringLiteral("select pg_terminate_backend(:pid)"),
                   {{QStringLiteral("pid"), chen->session->scalar(QStringLiteral("select pg_backend_pid()"))}});
        QTest::qWait(200);   // the notification socket sees the end of the connection
    } else {
        chen->session->database().close();
    }
    // The heartbeat finds it first: the tray shows it; then the contact list empties and its timers stop.
    core.tickHeartbeat();
    EXPECT_EQ(tray, 1);
    EXPECT_EQ(offline, 0);
    core.tickZhuangTai();
    EXPECT_EQ(offline, 1);
    EXPECT_FALSE(core.TimerZhuangTai.isActive());
    EXPECT_FALSE(core.TimerCheck.isActive());

    core.trayClicked(false);
    EXPECT_TRUE(core.connected());
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("1"));
    if (GetParam() == Engine::PostgreSQL) {
        // Woken again by the notification, without a poll.
        EXPECT_TRUE(core.messages()->listening());
        li->send(kChen.tname, QStringLiteral("又连上了"));
        QTRY_VERIFY_WITH_TIMEOUT(core.chats().window(li->st.presenceId) != nullptr, 5000);
    }
    core.chats().clear();
}

TEST_P(ContactsTest, SwitchUserAndClosingMarkOffline)
{
    CoreRig rig(*chen->session);
    LanternCore& core = rig.core;
    core.state() = chen->st;
    core.chats().open(li->st.presenceId, kLi.tname, 2);
    bool switching = false;
    core.loginWindow = [&](bool sw) {
        switching = sw;
        EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("3"));
        EXPECT_EQ(core.login()->confirm(kWang.tno, kWang.password, false), LoginService::Outcome::LoggedIn);
        return LanternCore::LoginWindow::LoggedIn;
    };
    core.switchUser();
    EXPECT_TRUE(switching);
    EXPECT_EQ(core.state().tname, kWang.tname);
    EXPECT_EQ(stateOf(s(), kWang.tname), QStringLiteral("1"));
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("3"));
    EXPECT_TRUE(core.chats().windows().isEmpty()) << "Chen's conversations are not Wang's";
    core.closing();
    EXPECT_EQ(stateOf(s(), kWang.tname), QStringLiteral("3"));
}

TEST_P(ContactsTest, WebOaAddress)
{
    CoreRig rig(s());
    LanternCore& core = rig.core;
    core.state().tno = QStringLiteral("1001");
    core.state().password = QStringLiteral("abc");
    core.state().webOaAddress = QStringLiteral("http://oa.school.example");
    const QString enc = LanternCore::encodeWebPassword(QStringLiteral("abc"));
    EXPECT_EQ(enc.size(), 6);
    EXPECT_EQ(enc, enc.toUpper());
    EXPECT_EQ(core.webOaUrl().toString(),
              QStringLiteral("http://oa.school.example/login.asp?username=1001&password=%1&Intype=OATool").arg(enc));
    core.state().webOaAddress.clear();
    core.state().serverAddress = QStringLiteral("192.168.100.1");
    EXPECT_EQ(core.webOaUrl().toString(),
              QStringLiteral("http://192.168.100.1/login.asp?username=1001&password=%1&Intype=OATool").arg(enc));
    core.state().serverAddress = QStringLiteral("postgresql://oa-server:5432/VEZevOZ");
    EXPECT_EQ(core.webOaUrl().host(), QStringLiteral("oa-server"));
    // A staff number cannot add query keys.
    core.state().tno = QStringLiteral("1&Intype=x");
    EXPECT_EQ(QUrlQuery(core.webOaUrl()).queryItemValue(QStringLiteral("Intype")), QStringLiteral("OATool"));
    QUrl opened;
    core.openUrl = [&](const QUrl& u) { opened = u; return true; };
    core.openWebOa();
    EXPECT_EQ(opened, core.webOaUrl());
    EXPECT_TRUE(core.TimerCheck.isActive());
}

OA_INSTANTIATE_ENGINES(ContactsTest);
