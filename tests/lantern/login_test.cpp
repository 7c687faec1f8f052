#include "LanternTestSupport.h"

#include "lantern/app/LanternCore.h"
#include "lantern/app/LanternLink.h"
#include "lantern/login/LoginService.h"
#include "lantern/login/TFrmLogin.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace oa;
using namespace oa::lantern;
using namespace oa::lantern::test;
using oa::test::SchoolDatabase;


class LoginTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        fillSchool(s());
        desktop = temp.settings();
        svc = std::make_unique<LoginService>(s(), prompter, *desktop, st);
    }
    Session& s() { return db->session(); }

    std::unique_ptr<SchoolDatabase> db;
    TempDesktop temp;
    std::unique_ptr<DesktopSettings> desktop;
    ScriptedPrompter prompter;
    LanternState st;
    std::unique_ptr<LoginService> svc;
};

TEST_P(LoginTest, Md5IsLowerCaseHex)
{
    EXPECT_EQ(LoginService::md5Hex(QStringLiteral("admin")), QStringLiteral("21232f297a57a5a743894a0e4a801fc3"));
    EXPECT_EQ(LoginService::md5Hex(QString()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
}

TEST_P(LoginTest, FourthWrongPasswordDisablesTheButton)
{
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(svc->confirm(kChen.tno, QStringLiteral("wrong"), false), LoginService::Outcome::WrongPassword);
        EXPECT_FALSE(svc->locked()) << "after " << i << " wrong passwords";
    }
    EXPECT_EQ(svc->confirm(kChen.tno, QStringLiteral("wrong"), false), LoginService::Outcome::WrongPassword);
    EXPECT_TRUE(svc->locked());
    EXPECT_EQ(prompter.texts(), QStringList(4, QStringLiteral("输入密码错误，请重新输入...")));
    EXPECT_EQ(prompter.shown().last().caption, QStringLiteral("错误"));
    EXPECT_TRUE(st.tname.isEmpty());
}

TEST_P(LoginTest, WindowLocksAfterTheFourthWrongPassword)
{
    TFrmLogin w;
    w.setService(svc.get());
    w.show();
    w.EditUserNO->setText(kChen.tno);
    for (int i = 0; i < 3; ++i) {
        w.EditPassWord->setText(QStringLiteral("wrong"));
        w.ButtonOKClick();
        EXPECT_TRUE(w.ButtonOK->isEnabled());
    }
    w.EditPassWord->setText(QStringLiteral("wrong"));
    w.ButtonOKClick();
    EXPECT_FALSE(w.ButtonOK->isEnabled());
    // Even the right password cannot get through now.
    w.EditPassWord->setText(kChen.password);
    w.ButtonOKClick();
    EXPECT_TRUE(st.tname.isEmpty());
    EXPECT_TRUE(w.isVisible());
}

TEST_P(LoginTest, EmptyNumberIsRefusedBeforeAnyQuery)
{
    EXPECT_EQ(svc->confirm(QStringLiteral("   "), kChen.password, false), LoginService::Outcome::EmptyNumber);
    EXPECT_EQ(prompter.lastText(), QStringLiteral("必须输入用户帐号才能登录系统..."));
    EXPECT_EQ(st.wrongAttempts, 0);
}

TEST_P(LoginTest, NumberIsLookedUpAsTyped)
{
    EXPECT_EQ(svc->confirm(QStringLiteral(" ") + kChen.tno, kChen.password, false), LoginService::Outcome::WrongPassword);
    EXPECT_EQ(svc->confirm(kChen.tno, kChen.password, false), LoginService::Outcome::LoggedIn);
}

TEST_P(LoginTest, LoginRemembersNumberAndOnRequestThePassword)
{
    EXPECT_EQ(svc->confirm(kChen.tno, kChen.password, false), LoginService::Outcome::LoggedIn);
    EXPECT_EQ(st.tname, kChen.tname);
    EXPECT_EQ(st.password, kChen.password);
    EXPECT_EQ(desktop->staffNumber(), kChen.tno);
    EXPECT_TRUE(desktop->passwordHash().isEmpty());

    EXPECT_EQ(svc->confirm(kLi.tno, kLi.password, true), LoginService::Outcome::LoggedIn);
    EXPECT_EQ(st.tname, kLi.tname);
    EXPECT_EQ(desktop->staffNumber(), kLi.tno);
    EXPECT_EQ(desktop->passwordHash(), LoginService::md5Hex(kLi.password));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_P(LoginTest, AFailedAccountQueryKeepsTheLoginWindowOpen)
{
    s().execRaw(QStringLiteral("ALTER TABLE Teachers RENAME TO TeachersAway"));
    EXPECT_EQ(svc->confirm(kChen.tno, kChen.password, false), LoginService::Outcome::NetworkFailure);
    EXPECT_EQ(prompter.lastText(), QStringLiteral("网络连接失败，不能链接到服务器..."));

    // Lantern never ends for a lost database: the window stays for another try.
    TFrmLogin w;
    w.setService(svc.get());
    w.show();
    w.EditUserNO->setText(kChen.tno);
    w.EditPassWord->setText(kChen.password);
    w.ButtonOKClick();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.ButtonOK->isEnabled());
    s().execRaw(QStringLiteral("ALTER TABLE TeachersAway RENAME TO Teachers"));
    w.ButtonOKClick();
    EXPECT_EQ(w.result(), int(TFrmLogin::LoggedIn));
    EXPECT_EQ(st.tname, kChen.tname);
}

TEST_P(LoginTest, ALostConnectionIsOpenedAgainForTheLogin)
{
    LanternLink link(s());
    svc->reconnect = [&] { return link.reopenInPlace(); };
    s().database().close();
    EXPECT_EQ(svc->confirm(kChen.tno, kChen.password, false), LoginService::Outcome::LoggedIn);
    EXPECT_TRUE(prompter.shown().isEmpty()) << prompter.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(st.tname, kChen.tname);
}

TEST_P(LoginTest, AutomaticLoginWithTheRememberedPassword)
{
    EXPECT_EQ(svc->tryAutoLogin(), LoginService::AutoLogin::NotRemembered);
    desktop->setStaffNumber(kChen.tno);
    EXPECT_EQ(svc->tryAutoLogin(), LoginService::AutoLogin::NotRemembered);
    desktop->setPasswordHash(LoginService::md5Hex(kChen.password));
    EXPECT_EQ(svc->tryAutoLogin(), LoginService::AutoLogin::LoggedIn);
    EXPECT_EQ(st.tname, kChen.tname);
    EXPECT_EQ(st.tno, kChen.tno);
    EXPECT_EQ(st.loggedIn, QStringLiteral("Ok"));
}

TEST_P(LoginTest, ChangedPasswordShowsTheLoginWindow)
{
    desktop->setStaffNumber(kChen.tno);
    desktop->setPasswordHash(LoginService::md5Hex(kChen.password));
    s().exec(QStringLiteral("update Teachers set TPassWord='changed' where Tno=:t"), {{QStringLiteral("t"), kChen.tno}});
    desktop->sync();

    LanternLink link(s());
    FakeMachine machine;
    Clock clock;
    LanternCore core(link, prompter, machine, clock, *desktop);
    core.state().connResult = QStringLiteral("ok");
    TFrmLogin window;
    int shown = 0;
    QString number;
    QWidget* focus = nullptr;
    core.loginWindow = [&](bool) {
        ++shown;
        window.setService(core.login());
        window.show();
        number = window.EditUserNO->text();
        focus = window.focusWidget();
        window.hide();
        return LanternCore::LoginWindow::EndProgram;
    };
    bool ended = false;
    core.endProgram = [&] { ended = true; };
    core.firstShow();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(number, kChen.tno);
    EXPECT_EQ(focus, window.EditPassWord);
    // The stale memory logs nobody in: closing the window ends Lantern.
    EXPECT_TRUE(core.state().tname.isEmpty());
    EXPECT_TRUE(ended);
    EXPECT_EQ(count(s(), QStringLiteral("select count(*) from tongxinV5")), 0);
}

TEST_P(LoginTest, FirstUseRegistersTheAutostart)
{
    TFrmLogin w;
    w.setService(svc.get());
    w.show();
    EXPECT_TRUE(w.EditUserNO->text().isEmpty());
    EXPECT_EQ(w.focusWidget(), w.EditUserNO);
    EXPECT_FALSE(desktop->value(QStringLiteral("Run/QXoa")).isEmpty());
}

TEST_P(LoginTest, EndOfAnOutdatedVersion)
{
    setVarset(s(), QStringLiteral("Version"), QStringLiteral("5.0X"));
    desktop->setStaffNumber(kChen.tno);
    desktop->setPasswordHash(LoginService::md5Hex(kChen.password));
    LanternLink link(s());
    FakeMachine machine;
    Clock clock;
    LanternCore core(link, prompter, machine, clock, *desktop);
    core.state().connResult = QStringLiteral("ok");
    bool ended = false;
    core.endProgram = [&] { ended = true; };
    core.firstShow();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(prompter.wasShown(QString::fromUtf8(kExpired)));
    // Lantern leaves its row offline when it ends.
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("3"));
}

TEST_P(LoginTest, AutomaticLoginRunsTheSetup)
{
    desktop->setStaffNumber(kChen.tno);
    desktop->setPasswordHash(LoginService::md5Hex(kChen.password));
    LanternLink link(s());
    FakeMachine machine;
    Clock clock;
    LanternCore core(link, prompter, machine, clock, *desktop);
    core.state().connResult = QStringLiteral("ok");
    core.loginWindow = [](bool) {
        ADD_FAILURE() << "no login window expected";
        return LanternCore::LoginWindow::EndProgram;
    };
    QStringList groups;
    QObject::connect(&core, &LanternCore::groupsShown, [&](const QList<ContactGroup>& g) {
        for (const auto& x : g) groups << x.name;
    });
    core.firstShow();
    EXPECT_EQ(core.state().firstShow, 100);
    EXPECT_EQ(core.state().loggedIn, QStringLiteral("OK"));
    EXPECT_EQ(stateOf(s(), kChen.tname), QStringLiteral("1"));
    EXPECT_TRUE(core.TimerMSG.isActive());
    EXPECT_TRUE(core.TimerZhuangTai.isActive());
    EXPECT_TRUE(core.Timerlogout.isActive());
    EXPECT_EQ(groups, (QStringList{QStringLiteral("行政"), QStringLiteral("语文组"), QStringLiteral("我的好友")}));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

OA_INSTANTIATE_ENGINES(LoginTest);
