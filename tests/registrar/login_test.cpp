#include "shell_support.h"

#include "registrar/shell/LoginService.h"
#include "registrar/shell/TFrmLogin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTest>

using namespace oa;
using namespace oa::shelltest;
using oa::test::SchoolDatabase;

namespace {

const QString kServer = QStringLiteral("192.168.100.1");

class RegistrarLogin : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        addTeacher(s(), QStringLiteral("1001"), QStringLiteral("pw1001"), QStringLiteral("陈国华"), QStringLiteral("教导处"));
        grant(s(), QStringLiteral("教导处"), QStringLiteral("导入管理学籍成绩"));
        svc = std::make_unique<LoginService>(&s(), prompter, machine, desktop.settings, kServer);
    }
    Session& s() { return db->session(); }
    int logins() { return s().scalar(QStringLiteral("select count(*) from logindata")).toInt(); }

    std::unique_ptr<SchoolDatabase> db;
    ScriptedPrompter prompter;
    FakeMachine machine;
    TempDesktop desktop;
    std::unique_ptr<LoginService> svc;
};

TEST_P(RegistrarLogin, EmptyOrBlankNumberIsRefusedBeforeAnyQuery)
{
    for (const QString tno : {QString(), QStringLiteral("   ")}) {
        prompter.clear();
        EXPECT_EQ(svc->ok(tno, QStringLiteral("pw1001")).outcome, LoginService::Outcome::EmptyNumber) << tno.toStdString();
        ASSERT_EQ(prompter.shown().size(), 1);
        EXPECT_EQ(prompter.shown().first().caption, QStringLiteral("错误"));
        EXPECT_EQ(prompter.lastText(), QStringLiteral("必须输入用户帐号才能登录系统..."));
    }
    EXPECT_EQ(svc->failedAttempts(), 0);
    EXPECT_EQ(logins(), 0);
}

TEST_P(RegistrarLogin, NumberIsLookedUpWithItsLeadingBlank)
{
    addTeacher(s(), QStringLiteral(" 2001"), QStringLiteral("pw2001"), QStringLiteral("林晓婷"), QStringLiteral("教导处"));

    // " 1001" is not "1001": a wrong password, counted.
    EXPECT_EQ(svc->ok(QStringLiteral(" 1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::WrongPassword);
    EXPECT_EQ(svc->failedAttempts(), 1);

    const auto r = svc->ok(QStringLiteral(" 2001"), QStringLiteral("pw2001"));
    EXPECT_EQ(r.outcome, LoginService::Outcome::LoggedIn);
    EXPECT_EQ(r.member.tname, QStringLiteral("林晓婷"));
    EXPECT_EQ(s().scalar(QStringLiteral("select userno from logindata")).toString(), QStringLiteral(" 2001"));
    EXPECT_EQ(desktop.settings.staffNumber(), QStringLiteral(" 2001"));
}

TEST_P(RegistrarLogin, FourthWrongPasswordDisablesOk)
{
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("bad")).outcome, LoginService::Outcome::WrongPassword);
        EXPECT_TRUE(svc->okEnabled()) << "after " << i << " wrong passwords";
    }
    EXPECT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("bad")).outcome, LoginService::Outcome::WrongPassword);
    EXPECT_FALSE(svc->okEnabled());
    EXPECT_EQ(prompter.texts(), QStringList(4, QStringLiteral("输入密码错误，请重新输入...")));
    EXPECT_EQ(prompter.shown().last().caption, QStringLiteral("错误"));

    // Locked for the rest of the run, even with the right password.
    prompter.clear();
    EXPECT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::Locked);
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_EQ(logins(), 0);
}

TEST_P(RegistrarLogin, VersionGateIsExactAndCaseSensitive)
{
    struct Case {
        QString version;   // empty: no Version row
        bool passes;
    };
    const Case cases[] = {{QStringLiteral("5.0x"), true},
                          {QStringLiteral("5.0X"), false},
                          {QStringLiteral("5.0x "), false},
                          {QStringLiteral("5.16"), false},
                          {QString(), false}};
    for (const Case& c : cases) {
        clearVar(s(), QStringLiteral("Version"));
        if (!c.version.isEmpty()) setVar(s(), QStringLiteral("Version"), 1, c.version);
        prompter.clear();
        const int before = logins();
        const auto r = svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001"));
        EXPECT_EQ(r.outcome, c.passes ? LoginService::Outcome::LoggedIn : LoginService::Outcome::VersionExpired)
            << c.version.toStdString();
        // The login is recorded before the gate.
        EXPECT_EQ(logins(), before + 1) << c.version.toStdString();
        if (!c.passes) {
            ASSERT_EQ(prompter.shown().size(), 1);
            EXPECT_EQ(prompter.lastText(),
                      QStringLiteral("本系统已经过期，请到 【OA主页】--->【常用工具】--->【Registrar】，下载新系统 Registrar.exe！"));
            EXPECT_EQ(prompter.shown().first().icon, Prompter::Icon::Error);
        }
    }
}

TEST_P(RegistrarLogin, AddressRestrictionIsAPlainCharacterPrefix)
{
    struct Case {
        QVariant prefix;   // invalid: no IP row
        QString address;
        bool passes;
    };
    const Case cases[] = {
        {QVariant(), QStringLiteral("10.0.0.5"), true},
        {QStringLiteral(""), QStringLiteral("10.0.0.5"), true},
        {QStringLiteral("192.168.1"), QStringLiteral("192.168.1.7"), true},
        {QStringLiteral("192.168.1"), QStringLiteral("192.168.10.7"), true},
        {QStringLiteral("192.168.1."), QStringLiteral("192.168.1.7"), true},
        {QStringLiteral("192.168.1."), QStringLiteral("192.168.10.7"), false},
        {QStringLiteral("10."), QStringLiteral("192.168.1.7"), false},
        {QStringLiteral("192.168.1.7.1"), QStringLiteral("192.168.1.7"), false},
    };
    for (const Case& c : cases) {
        clearVar(s(), QStringLiteral("IP"));
        if (c.prefix.isValid()) setVar(s(), QStringLiteral("IP"), 1, c.prefix.toString());
        machine.ip = c.address;
        prompter.clear();
        desktop.settings.setStaffNumber(QStringLiteral("before"));
        const int before = logins();
        const auto r = svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001"));
        const std::string label = (c.prefix.toString() + QStringLiteral(" / ") + c.address).toStdString();
        EXPECT_EQ(r.outcome, c.passes ? LoginService::Outcome::LoggedIn : LoginService::Outcome::AddressRefused) << label;
        EXPECT_EQ(logins(), before + 1) << label;
        EXPECT_EQ(r.member.tname, QStringLiteral("陈国华")) << label;
        if (c.passes) {
            EXPECT_TRUE(prompter.shown().isEmpty()) << label;
            EXPECT_EQ(desktop.settings.staffNumber(), QStringLiteral("1001")) << label;
        } else {
            EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("本电脑IP段已经被禁止运行程序，请联系系统管理员！")}) << label;
            EXPECT_EQ(prompter.shown().first().caption, QStringLiteral("错误"));
            // Only a login that passes every gate is remembered.
            EXPECT_EQ(desktop.settings.staffNumber(), QStringLiteral("before")) << label;
        }
    }
}

TEST_P(RegistrarLogin, PermissionsEnableTheirCommands)
{
    struct Case {
        QStringList permissions;
        QStringList commands;
    };
    const QStringList all = {QStringLiteral("学生管理"), QStringLiteral("成绩管理"), QStringLiteral("教务设置"),
                             QStringLiteral("教师导入"), QStringLiteral("工资导入"), QStringLiteral("系统设置"),
                             QStringLiteral("文件管理"), QStringLiteral("值日值班")};
    const QStringList registrar = {QStringLiteral("按班别录入"), QStringLiteral("按试室录入"),
                                   QStringLiteral("学生学籍资料"), QStringLiteral("题库管理")};
    const QList<Case> cases = {
        {{QStringLiteral("Registrar")}, registrar},
        {{QStringLiteral("导入管理学籍成绩")}, {QStringLiteral("学生管理"), QStringLiteral("成绩管理")}},
        {{QStringLiteral("考务设置")}, {QStringLiteral("教务设置")}},
        {{QStringLiteral("信息管理")}, {QStringLiteral("文件管理")}},
        {{QStringLiteral("工资管理")}, {QStringLiteral("工资导入")}},
        // Every menu, but neither the three score buttons nor the question bank.
        {{QStringLiteral("系统参数")}, all},
        {{QStringLiteral("系统参数"), QStringLiteral("Registrar")}, registrar + all},
        {{QStringLiteral("学籍管理"), QStringLiteral("发送短信")}, {}},
        {{}, {}},
    };
    for (int i = 0; i < cases.size(); ++i) {
        const QString group = QStringLiteral("组%1").arg(i);
        const QString tname = QStringLiteral("成员%1").arg(i);
        addTeacher(s(), QStringLiteral("9%1").arg(i), QStringLiteral("x"), tname, group);
        for (const QString& p : cases[i].permissions) grant(s(), group, p);
        const auto r = svc->ok(QStringLiteral("9%1").arg(i), QStringLiteral("x"));
        EXPECT_EQ(r.outcome, LoginService::Outcome::LoggedIn);
        EXPECT_EQ(r.member.powdergroup, group);
        EXPECT_EQ(r.enabledCommands, cases[i].commands) << cases[i].permissions.join(QLatin1Char(',')).toStdString();
    }
}

TEST_P(RegistrarLogin, LoginRecordKeepsTheStoredServerAddress)
{
    machine.ip = QStringLiteral("10.1.2.3");
    const QDateTime before = s().serverNow();
    ASSERT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::LoggedIn);
    const auto rows = s().rows(QStringLiteral("select * from logindata"));
    ASSERT_EQ(rows.size(), 1);
    const QSqlRecord& r = rows.first();
    EXPECT_EQ(fieldText(r.value(QStringLiteral("userno"))), QStringLiteral("1001"));
    EXPECT_EQ(fieldText(r.value(QStringLiteral("userName"))), QStringLiteral("陈国华"));
    EXPECT_EQ(fieldText(r.value(QStringLiteral("loginIP"))), kServer);
    EXPECT_EQ(fieldText(r.value(QStringLiteral("loginType"))), QStringLiteral("Registrar"));
    EXPECT_EQ(fieldText(r.value(QStringLiteral("loginResult"))), QStringLiteral("【登陆成功】"));
    const QDateTime at = toDateTime(r.value(QStringLiteral("loginDatetime")));
    EXPECT_LE(std::abs(before.secsTo(at)), 60);

    // A database URL longer than the column still logs in, recorded by its first 50 characters.
    const QString longAddress = QStringLiteral("postgresql://school-database-server.example.edu.cn:5432/VEZevOZ");
    LoginService viaUrl(&s(), prompter, machine, desktop.settings, longAddress);
    ASSERT_EQ(viaUrl.ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::LoggedIn);
    EXPECT_EQ(s().scalar(QStringLiteral("select loginIP from logindata where loginIP<>:ip"), {{QStringLiteral("ip"), kServer}})
                  .toString(),
              longAddress.left(50));
}

TEST_P(RegistrarLogin, LostConnectionShowsTheNetworkMessage)
{
    // No session at all.
    LoginService none(nullptr, prompter, machine, desktop.settings, kServer);
    EXPECT_EQ(none.ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::NetworkFailure);
    EXPECT_EQ(prompter.lastText(), QStringLiteral("网络连接失败，不能链接到服务器..."));

    // The connection goes after the account was found: the login record cannot be written.
    prompter.clear();
    s().execRaw(QStringLiteral("DROP TABLE logindata"));
    EXPECT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::NetworkFailure);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("网络连接失败，不能链接到服务器...")});

    // The connection is gone before the account query.
    prompter.clear();
    QSqlDatabase handle = s().database();
    handle.close();
    EXPECT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::NetworkFailure);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("网络连接失败，不能链接到服务器...")});
    EXPECT_EQ(desktop.settings.staffNumber(), QString());
    handle.open();   // so the test database can be dropped
}

TEST_P(RegistrarLogin, RemembersTheNumberForTheNextRun)
{
    EXPECT_EQ(svc->rememberedNumber(), QString());
    ASSERT_EQ(svc->ok(QStringLiteral("1001"), QStringLiteral("pw1001")).outcome, LoginService::Outcome::LoggedIn);
    DesktopSettings again(desktop.path());
    EXPECT_EQ(again.staffNumber(), QStringLiteral("1001"));
    LoginService next(&s(), prompter, machine, again, kServer);
    EXPECT_EQ(next.rememberedNumber(), QStringLiteral("1001"));
}

// ---- the window

TEST_P(RegistrarLogin, WindowStartsOnTheRememberedNumber)
{
    {
        TFrmLogin w;
        w.setService(svc.get());
        w.show();
        EXPECT_EQ(w.EditUserNO->text(), QString());
        EXPECT_EQ(w.focusWidget(), w.EditUserNO);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("OA系统登录"));
        EXPECT_EQ(w.EditPassWord->echoMode(), QLineEdit::Password);
    }
    desktop.settings.setStaffNumber(QStringLiteral("1001"));
    TFrmLogin w;
    w.setService(svc.get());
    w.show();
    EXPECT_EQ(w.EditUserNO->text(), QStringLiteral("1001"));
    EXPECT_EQ(w.focusWidget(), w.EditPassWord);
}

TEST_P(RegistrarLogin, WindowEnterKeysLogIn)
{
    TFrmLogin w;
    w.setService(svc.get());
    LoginService::Result got{LoginService::Outcome::Locked, {}, {}};
    w.onMember = [&](const LoginService::Result& r) { got = r; };
    w.show();
    QTest::keyClicks(w.EditUserNO, QStringLiteral("1001"));
    QTest::keyClick(w.EditUserNO, Qt::Key_Return);
    EXPECT_EQ(w.focusWidget(), w.EditPassWord);
    EXPECT_TRUE(prompter.shown().isEmpty());
    QTest::keyClicks(w.EditPassWord, QStringLiteral("pw1001"));
    QTest::keyClick(w.EditPassWord, Qt::Key_Return);
    EXPECT_EQ(w.ending(), TFrmLogin::Ending::LoggedIn);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(got.member.tname, QStringLiteral("陈国华"));
    EXPECT_EQ(got.enabledCommands, (QStringList{QStringLiteral("学生管理"), QStringLiteral("成绩管理")}));
}

TEST_P(RegistrarLogin, WindowLocksAfterTheFourthWrongPassword)
{
    TFrmLogin w;
    w.setService(svc.get());
    w.show();
    w.EditUserNO->setText(QStringLiteral("1001"));
    const QIcon original = w.windowIcon();
    for (int i = 0; i < 3; ++i) {
        w.EditPassWord->setText(QStringLiteral("bad"));
        w.ButtonOKClick();
        EXPECT_TRUE(w.ButtonOK->isEnabled());
    }
    w.EditPassWord->setText(QStringLiteral("bad"));
    w.ButtonOKClick();
    EXPECT_FALSE(w.ButtonOK->isEnabled());
    EXPECT_NE(w.windowIcon().cacheKey(), original.cacheKey());
    EXPECT_EQ(prompter.shown().size(), 4);
    // Enter in the password field no longer presses OK; only "退出" leads on.
    w.EditPassWord->setText(QStringLiteral("pw1001"));
    QTest::keyClick(w.EditPassWord, Qt::Key_Return);
    EXPECT_EQ(prompter.shown().size(), 4);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(logins(), 0);
    w.ButtonExit->click();
    EXPECT_EQ(w.ending(), TFrmLogin::Ending::Exit);
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_P(RegistrarLogin, WindowHeldAtTheAddressRestriction)
{
    setVar(s(), QStringLiteral("IP"), 1, QStringLiteral("10."));
    TFrmLogin w;
    w.setService(svc.get());
    QString member;
    w.onMember = [&](const LoginService::Result& r) { member = r.member.tname; };
    w.show();
    w.EditUserNO->setText(QStringLiteral("1001"));
    w.EditPassWord->setText(QStringLiteral("pw1001"));
    w.ButtonOKClick();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.ending(), TFrmLogin::Ending::None);
    EXPECT_EQ(member, QStringLiteral("陈国华"));
    // Closing the window does not get past the restriction: it ends the program.
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(w.ending(), TFrmLogin::Ending::Exit);
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_P(RegistrarLogin, WindowEndsOnNetworkFailureAndFocusesAnEmptyNumber)
{
    TFrmLogin w;
    w.setService(svc.get());
    w.show();
    w.EditPassWord->setFocus();
    w.EditUserNO->setText(QStringLiteral("  "));
    w.ButtonOKClick();
    EXPECT_EQ(w.focusWidget(), w.EditUserNO);
    EXPECT_TRUE(w.isVisible());

    QSqlDatabase handle = s().database();
    handle.close();
    w.EditUserNO->setText(QStringLiteral("1001"));
    w.ButtonOKClick();
    EXPECT_EQ(w.ending(), TFrmLogin::Ending::NetworkFailure);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(prompter.lastText(), QStringLiteral("网络连接失败，不能链接到服务器..."));
    handle.open();
}

TEST_P(RegistrarLogin, WindowServerLabelMayEndTheProgram)
{
    TFrmLogin w;
    w.setService(svc.get());
    w.setServerText(kServer);
    int shown = 0;
    bool saved = false;
    w.onServerLabel = [&] {
        ++shown;
        return saved;
    };
    w.show();
    EXPECT_EQ(w.LabelServer->text(), kServer);
    EXPECT_EQ(w.LabelServer->toolTip(), QStringLiteral("点击可以更改服务器IP地址"));
    QTest::mouseClick(w.LabelServer, Qt::LeftButton);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(w.isVisible());
    saved = true;
    QTest::mouseClick(w.LabelServer, Qt::LeftButton);
    EXPECT_EQ(w.ending(), TFrmLogin::Ending::ServerChanged);
    EXPECT_FALSE(w.isVisible());
}

}  // namespace

OA_INSTANTIATE_ENGINES(RegistrarLogin);
