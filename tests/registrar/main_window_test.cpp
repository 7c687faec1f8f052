#include "shell_support.h"

#include "common/db/ConnectionSettings.h"
#include "common/ui/TFormSetServerIP.h"
#include "registrar/shell/TFMain.h"
#include "registrar/shell/TFrmLogin.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

using namespace oa;
using namespace oa::shelltest;
using oa::test::SchoolDatabase;

namespace {

// Runs fn on the next modal window as soon as it is up (the code under test is then inside exec()).
void onNextModal(std::function<void(QWidget*)> fn)
{
    auto* t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, fn] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            t->stop();
            t->deleteLater();
            fn(w);
        }
    });
    t->start();
}

QStringList captions(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions)
        if (!a->isSeparator()) out << a->text();
    return out;
}

class RegistrarMainWindow : public ::testing::Test {
protected:
    void SetUp() override { registry = fullRegistry(); }
    TFMain& window()
    {
        if (!main) main = std::make_unique<TFMain>(prompter, machine, clock, desktop.settings, *registry);
        return *main;
    }

    ScriptedPrompter prompter;
    FakeMachine machine;
    Clock clock;
    TempDesktop desktop;
    std::unique_ptr<WindowRegistry> registry;
    std::unique_ptr<TFMain> main;
};

TEST_F(RegistrarMainWindow, MenuTreeButtonsAndPanelsAreExact)
{
    TFMain& w = window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("学校ＯＡ系统数据录入"));
    const QList<QAction*> top = w.menuBar()->actions();
    EXPECT_EQ(captions(top), (QStringList{"学生管理", "成绩管理", "教务设置", "题库管理", "教师导入", "工资导入", "值日值班",
                                          "文件管理", "系统设置"}));
    QHash<QString, QStringList> items;
    for (QAction* a : top)
        if (a->menu()) items.insert(a->text(), captions(a->menu()->actions()));
    EXPECT_EQ(items.value("学生管理"), (QStringList{"学生资料管理", "学资料料导入", "学籍号再导入", "学籍号核对"}));
    EXPECT_EQ(items.value("成绩管理"),
              (QStringList{"成绩资料管理", "按【学号】【姓名】导入成绩", "按【班别】【学号】【姓名】导入成绩",
                           "按【考号】【姓名】导入成绩", "按【班别】【姓名】导入成绩", "按【学籍号】导入成绩",
                           "按【学籍号】【姓名】导入成绩"}));
    EXPECT_EQ(items.value("教务设置"), (QStringList{"科任设置", "区线设置", "课程表设置", "自动生成考试座位号",
                                                    "导入EXCEL考试座位号", "试室人数情况"}));
    EXPECT_EQ(items.value("题库管理"), (QStringList{"考试题库导入", "考试系统设置"}));
    EXPECT_EQ(items.value("教师导入"), (QStringList{"OA用户导入", "校通信录导入", "人事员工导入"}));
    EXPECT_EQ(items.value("文件管理"),
              (QStringList{"部门文件导出", "教师文件导出", "印刷文件导出", "备课文件导出", "活动剪影批量上传"}));
    EXPECT_EQ(items.value("系统设置"),
              (QStringList{"初始化OA系统", "一键备份数据库", "删除无效数据", "考勤时间设置", "关于办公OA系统"}));
    EXPECT_FALSE(items.contains("工资导入"));
    EXPECT_FALSE(items.contains("值日值班"));
    // The timetable command exists but is never shown.
    EXPECT_FALSE(w.commandVisible("课程表设置"));
    EXPECT_TRUE(w.commandVisible("科任设置"));

    for (const char* b : {"按班别录入", "按试室录入", "学生学籍资料", "修改记录", "关闭"}) {
        ASSERT_NE(w.button(QString::fromUtf8(b)), nullptr) << b;
        EXPECT_TRUE(w.commandVisible(QString::fromUtf8(b))) << b;
    }

    EXPECT_EQ(w.StatusPanels[3]->text(), QStringLiteral("学校OA系统   数据录入工具"));
    EXPECT_EQ(w.StatusPanels[4]->text(), QStringLiteral("版本：Version 5.16"));
    const int widths[5] = {200, 120, 200, 200, 200};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(w.StatusPanels[i]->minimumWidth(), widths[i]);
        EXPECT_EQ(w.StatusPanels[i]->alignment(), Qt::AlignCenter);
    }
    EXPECT_EQ(w.LabelBackup->text(), QStringLiteral("已经超过30天没有备份数据库！请备份数据"));
    EXPECT_EQ(w.ButtonBackup->text(), QStringLiteral("一键备份数据库"));
    EXPECT_TRUE(w.LabelIgnore->text().contains(QStringLiteral("忽略")));
    EXPECT_FALSE(w.PanelBackup->isVisibleTo(&w));

    // 15710857 is blue-green-red: red 137, green 186, blue 239.
    const int v = 15710857;
    EXPECT_EQ(TFMain::windowColour(), QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF));
    EXPECT_EQ(w.MDIArea->background().color(), QColor(137, 186, 239));
}

TEST_F(RegistrarMainWindow, CommandsStartDisabledUntilTheLoginGrantsThem)
{
    TFMain& w = window();
    for (const QString& menu : registrarMenus()) EXPECT_FALSE(w.commandEnabled(menu)) << menu.toStdString();
    for (const char* b : {"按班别录入", "按试室录入", "学生学籍资料"}) EXPECT_FALSE(w.commandEnabled(QString::fromUtf8(b))) << b;
    EXPECT_FALSE(w.commandEnabled("学生资料管理"));   // inside a disabled menu
    EXPECT_TRUE(w.commandEnabled("修改记录"));
    EXPECT_TRUE(w.commandEnabled("关闭"));

    w.enableCommands({"学生管理", "按班别录入"});
    EXPECT_TRUE(w.commandEnabled("学生管理"));
    EXPECT_TRUE(w.commandEnabled("学生资料管理"));
    EXPECT_TRUE(w.commandEnabled("按班别录入"));
    EXPECT_FALSE(w.commandEnabled("成绩管理"));
    EXPECT_FALSE(w.commandEnabled("按试室录入"));
}

TEST_F(RegistrarMainWindow, CommandWithoutAWindowStaysVisibleAndDisabled)
{
    registry->remove(win::StudentList);
    registry->remove(win::Payroll);
    registry->remove(win::ScoreChangeLog);
    registry->remove(win::ScoreEntryByClass);
    TFMain& w = window();
    w.enableCommands(LoginService::permissionCommands().last().second + QStringList{"按班别录入"});
    for (const char* c : {"学生资料管理", "工资导入", "修改记录", "按班别录入"}) {
        EXPECT_TRUE(w.commandVisible(QString::fromUtf8(c))) << c;
        EXPECT_FALSE(w.commandEnabled(QString::fromUtf8(c))) << c;
    }
    EXPECT_TRUE(w.commandEnabled("学资料料导入"));
    EXPECT_TRUE(w.commandEnabled("值日值班"));

    // A tool that registers later (under its caption here) is picked up.
    registry->put(QStringLiteral("学生资料管理"), stubFactory());
    registry->put(win::Payroll, stubFactory());
    w.refreshCommands();
    EXPECT_TRUE(w.commandEnabled("学生资料管理"));
    EXPECT_TRUE(w.commandEnabled("工资导入"));
    EXPECT_FALSE(w.commandEnabled("修改记录"));
}

TEST_F(RegistrarMainWindow, ChildWindowsOpenAndCloseOnePerRequest)
{
    SchoolDatabase db(Engine::SQLite);
    TFMain& w = window();
    w.setSession(db.open(), db.url().display());
    w.enableCommands({"学生管理", "成绩管理"});
    w.show();

    w.runCommand("学生资料管理");
    w.runCommand("学生资料管理");   // a second click opens a second window
    w.runCommand("按【考号】【姓名】导入成绩");
    ASSERT_EQ(w.childWindows().size(), 3);
    auto* newest = dynamic_cast<StubWindow*>(w.newestWindow());
    ASSERT_NE(newest, nullptr);
    EXPECT_EQ(newest->command, QStringLiteral("按【考号】【姓名】导入成绩"));
    EXPECT_EQ(newest->parentWidget()->parentWidget()->parentWidget(), w.MDIArea);

    // The active child goes first.
    QMdiSubWindow* first = w.MDIArea->subWindowList().first();
    w.MDIArea->setActiveSubWindow(first);
    QPointer<QWidget> firstChild = first->widget();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(firstChild.isNull());
    EXPECT_EQ(w.childWindows().size(), 2);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(w.childWindows().size(), 1);
    // "关闭" is the same request.
    w.button("关闭")->click();
    EXPECT_EQ(w.childWindows().size(), 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(RegistrarMainWindow, ChildThatRefusesToCloseKeepsTheProgram)
{
    SchoolDatabase db(Engine::SQLite);
    TFMain& w = window();
    w.setSession(db.open(), db.url().display());
    w.show();
    auto* child = dynamic_cast<StubWindow*>(w.openWindow(win::ScoreChangeLog, "修改记录"));
    ASSERT_NE(child, nullptr);
    child->refuseClose = true;
    EXPECT_FALSE(w.close());
    EXPECT_EQ(w.childWindows().size(), 1);
    child->refuseClose = false;
    EXPECT_FALSE(w.close());
    EXPECT_EQ(w.childWindows().size(), 0);
}

TEST_F(RegistrarMainWindow, ModalWindowIsMadeOnceAndFailuresAreShown)
{
    SchoolDatabase db(Engine::SQLite);
    int made = 0;
    registry->put(
        win::About,
        [&](const WindowContext& ctx, QWidget* parent) -> QWidget* {
            ++made;
            return new StubWindow(ctx.command, parent);
        },
        WindowMode::Modal);
    registry->put(win::Cleanup, [](const WindowContext&, QWidget*) -> QWidget* {
        throw DbError(QStringLiteral("对象名 'xx' 无效。"));
    });
    TFMain& w = window();
    w.setSession(db.open(), db.url().display());
    w.enableCommands({"系统设置"});
    w.runCommand("关于办公OA系统");
    w.runCommand("关于办公OA系统");
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(w.childWindows().isEmpty());

    w.runCommand("删除无效数据");
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("对象名 'xx' 无效。")});
    EXPECT_TRUE(w.childWindows().isEmpty());
}

TEST_F(RegistrarMainWindow, NoStoredAddressShowsTheServerDialogAndEnds)
{
    TFMain& w = window();
    QString seen;
    onNextModal([&](QWidget* m) {
        seen = m->windowTitle();
        if (auto* d = qobject_cast<TFormSetServerIP*>(m)) {
            EXPECT_EQ(d->EditIP->text(), QStringLiteral("192.168.100.1"));
            EXPECT_NE(d->LabelHelp, nullptr);
        }
        m->close();
    });
    EXPECT_FALSE(w.connectDatabase({QString(), desktop.dir.filePath(QStringLiteral("none.ini"))}));
    EXPECT_EQ(seen, QStringLiteral("设置服务器"));
    EXPECT_FALSE(w.hasSession());
}

TEST_F(RegistrarMainWindow, UnreachableDatabaseShowsTheServerDialogAndEnds)
{
    TFMain& w = window();
    QString seen;
    onNextModal([&](QWidget* m) {
        seen = m->windowTitle();
        m->close();
    });
    EXPECT_FALSE(w.connectDatabase({QStringLiteral("sqlite:") + desktop.dir.filePath(QStringLiteral("missing.db")),
                                    desktop.dir.filePath(QStringLiteral("none.ini"))}));
    EXPECT_EQ(seen, QStringLiteral("设置服务器"));
    EXPECT_FALSE(w.hasSession());
    EXPECT_FALSE(QFileInfo::exists(desktop.dir.filePath(QStringLiteral("missing.db"))));
}

// ---- with a school database on each engine

class RegistrarStartup : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        addTeacher(s(), QStringLiteral("admin"), QStringLiteral("admin"), QStringLiteral("管理员"), QStringLiteral("系统管理"));
        grant(s(), QStringLiteral("系统管理"), QStringLiteral("系统参数"));
        addTeacher(s(), QStringLiteral("1001"), QStringLiteral("1001"), QStringLiteral("陈国华"), QStringLiteral("班主任"));
        grant(s(), QStringLiteral("班主任"), QStringLiteral("Registrar"));
        grant(s(), QStringLiteral("班主任"), QStringLiteral("导入管理学籍成绩"));
        clearVar(s(), QStringLiteral("schoolname"));
        clearVar(s(), QStringLiteral("subjectid"));
        // Last backup 100 days ago.
        const qint64 today = QDate(1899, 12, 30).daysTo(s().serverNow().date());
        setVar(s(), QStringLiteral("schoolname"), 1, QStringLiteral("第一中学"), QString::number(today - 100));
        registry = fullRegistry();
        settingsPath = desktop.dir.filePath(QStringLiteral("zembraWebOA.ini"));
        w = std::make_unique<TFMain>(prompter, machine, clock, desktop.settings, *registry);
    }
    Session& s() { return db->session(); }
    // Logs in through the service as the login window would.
    void logIn(const QString& tno)
    {
        LoginService svc(w->sessionPtr(), prompter, machine, desktop.settings, w->serverAddress());
        const auto r = svc.ok(tno, tno);
        ASSERT_EQ(r.outcome, LoginService::Outcome::LoggedIn);
        w->applyLogin(r);
        w->afterLogin();
    }

    std::unique_ptr<SchoolDatabase> db;
    ScriptedPrompter prompter;
    FakeMachine machine;
    Clock clock;
    TempDesktop desktop;
    QString settingsPath;
    std::unique_ptr<WindowRegistry> registry;
    std::unique_ptr<TFMain> w;
};

TEST_P(RegistrarStartup, ConnectsFromTheSettingsFile)
{
    // The default key deciphers to the test server's password; the address is the URL without it.
    ASSERT_TRUE(ConnectionSettings(settingsPath).write(QStringLiteral("  ") + db->url().display(), QString::fromLatin1(kDefaultEncipheredKey)));
    ASSERT_TRUE(w->connectDatabase({QString(), settingsPath}));
    EXPECT_EQ(w->serverAddress(), db->url().display());
    EXPECT_EQ(w->session().scalar(QStringLiteral("select count(*) from Teachers")).toInt(), 2);
}

TEST_P(RegistrarStartup, LoginWindowLeadsToTheMainWindow)
{
    ASSERT_TRUE(ConnectionSettings(settingsPath).write(db->url().display(), QString()));
    w->show();
    QString server;
    onNextModal([&](QWidget* m) {
        auto* login = qobject_cast<TFrmLogin*>(m);
        ASSERT_NE(login, nullptr);
        server = login->LabelServer->text();
        login->EditUserNO->setText(QStringLiteral("admin"));
        login->EditPassWord->setText(QStringLiteral("admin"));
        login->ButtonOK->click();
    });
    ASSERT_TRUE(w->FormShow({QString(), settingsPath}));
    EXPECT_EQ(server, db->url().display());
    EXPECT_EQ(w->tname(), QStringLiteral("管理员"));
    EXPECT_EQ(w->powdergroup(), QStringLiteral("系统管理"));
    EXPECT_EQ(w->StatusPanels[0]->text(), QStringLiteral("第一中学"));
    EXPECT_EQ(w->StatusPanels[1]->text(), QStringLiteral("系统管理：管理员"));
    EXPECT_EQ(w->StatusPanels[2]->text(), QStringLiteral("服务器IP：") + db->url().display());
    EXPECT_TRUE(w->PanelBackup->isVisible());
    // The stored address, cut to the column's 50 characters (a PostgreSQL test URL is longer).
    EXPECT_EQ(s().scalar(QStringLiteral("select loginIP from logindata")).toString(), db->url().display().left(50));
}

TEST_P(RegistrarStartup, ExitFromTheLoginWindowEndsTheProgram)
{
    w->setSession(db->open(), db->url().display());
    onNextModal([](QWidget* m) {
        auto* login = qobject_cast<TFrmLogin*>(m);
        ASSERT_NE(login, nullptr);
        login->ButtonExit->click();
    });
    EXPECT_FALSE(w->login());
    EXPECT_TRUE(w->tname().isEmpty());
}

TEST_P(RegistrarStartup, GatingFollowsThePermissions)
{
    w->setSession(db->open(), db->url().display());
    logIn(QStringLiteral("1001"));
    EXPECT_EQ(w->StatusPanels[1]->text(), QStringLiteral("班主任：陈国华"));
    for (const char* on : {"按班别录入", "按试室录入", "学生学籍资料", "题库管理", "学生管理", "成绩管理", "修改记录", "关闭"})
        EXPECT_TRUE(w->commandEnabled(QString::fromUtf8(on))) << on;
    for (const char* off : {"教务设置", "教师导入", "工资导入", "系统设置", "文件管理", "值日值班"})
        EXPECT_FALSE(w->commandEnabled(QString::fromUtf8(off))) << off;
    // No "系统参数": no reminder, however old the backup.
    EXPECT_FALSE(w->PanelBackup->isVisibleTo(w.get()));
}

TEST_P(RegistrarStartup, SystemParametersWithoutRegistrarGetsEveryMenuButNoScoreButtons)
{
    w->setSession(db->open(), db->url().display());
    logIn(QStringLiteral("admin"));
    for (const QString& menu : registrarMenus())
        EXPECT_EQ(w->commandEnabled(menu), menu != QStringLiteral("题库管理")) << menu.toStdString();
    for (const char* b : {"按班别录入", "按试室录入", "学生学籍资料"}) EXPECT_FALSE(w->commandEnabled(QString::fromUtf8(b))) << b;
}

TEST_P(RegistrarStartup, BackupReminderButtons)
{
    w->setSession(db->open(), db->url().display());
    logIn(QStringLiteral("admin"));
    EXPECT_TRUE(w->PanelBackup->isVisibleTo(w.get()));
    w->LabelIgnoreClick();
    EXPECT_FALSE(w->PanelBackup->isVisibleTo(w.get()));

    w->afterLogin();
    ASSERT_TRUE(w->PanelBackup->isVisibleTo(w.get()));
    w->ButtonBackup->click();
    EXPECT_FALSE(w->PanelBackup->isVisibleTo(w.get()));
    auto* backup = dynamic_cast<StubWindow*>(w->newestWindow());
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(backup->command, QStringLiteral("一键备份数据库"));
}

TEST_P(RegistrarStartup, NeverInitialisedDatabaseHidesTheReminder)
{
    setVar(s(), QStringLiteral("subjectid"), 1, QStringLiteral("subjectid"), QVariant(), QStringLiteral("备课文件的ID"));
    w->setSession(db->open(), db->url().display());
    logIn(QStringLiteral("admin"));
    EXPECT_FALSE(w->PanelBackup->isVisibleTo(w.get()));
    EXPECT_EQ(w->StatusPanels[0]->text(), QStringLiteral("第一中学"));
}

TEST_P(RegistrarStartup, ListHelpersRunOnTheWindowsSession)
{
    setVar(s(), QStringLiteral("nowxueqi"), 1, QStringLiteral("2025-2026"));
    setVar(s(), QStringLiteral("xueqi"), 1, QStringLiteral("2024-2025"));
    setVar(s(), QStringLiteral("xueqi"), 2, QStringLiteral("2025-2026"));
    w->setSession(db->open(), db->url().display());
    QComboBox box;
    box.setEditable(true);
    w->FillVarList(QStringLiteral("xueqi"), &box);
    w->SelectVarCurrent(QStringLiteral("nowxueqi"), &box);
    EXPECT_EQ(box.currentText(), QStringLiteral("2025-2026"));
    EXPECT_TRUE(TFMain::ListHasText(QStringLiteral("2024-2025"), &box));
}

}  // namespace

OA_INSTANTIATE_ENGINES(RegistrarStartup);
