#include "TestDb.h"
#include "TForm1.h"
#include "wizard_support.h"
#include "UpgradeEngine.h"
#include "WizardService.h"
#include "common/config/VarSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <gtest/gtest.h>

using namespace oa;
using namespace oa::test;

namespace {
// What the installer types on page 1 to reach a test database: the address without credentials, which come
// from the user and password fields.
struct Typed {
    QString address, user, password;
};

Typed typedFor(const TestDatabase& db)
{
    const ConnectionUrl u = db.url();
    if (u.engine == Engine::SQLite) return {QStringLiteral("sqlite:") + u.path, QStringLiteral("zembra"), QStringLiteral("50715071")};
    return {u.display(), u.user, u.password};
}

void typeAndConnect(TForm1& f, const Typed& t)
{
    f.EditServerIP->setText(t.address);
    f.EditUser->setText(t.user);
    f.EditPassword->setText(t.password);
    f.ButtonConnect->click();
}


// Tables, their columns and row counts, and every varset row: all an upgrade could change.
struct Snapshot {
    QMap<QString, QStringList> columns;
    QMap<QString, int> counts;
    QStringList varset;
    bool operator==(const Snapshot& o) const { return columns == o.columns && counts == o.counts && varset == o.varset; }
};

Snapshot snapshot(Session& s)
{
    Snapshot snap;
    for (const QString& t : s.userTables()) {
        QStringList c = s.columns(t);
        for (QString& x : c) x = x.toLower();
        snap.columns.insert(t.toLower(), c);
        snap.counts.insert(t.toLower(), s.scalar(QStringLiteral("select count(*) from ") + t).toInt());
    }
    for (const QSqlRecord& r : s.rows(QStringLiteral("select name,vid,vname,vname1,vname2,shuoming from varset"))) {
        QStringList f;
        for (int i = 0; i < r.count(); ++i) f << fieldText(r.value(i));
        snap.varset << f.join(QLatin1Char('|'));
    }
    snap.varset.sort();
    return snap;
}

QStringList itemTexts(const QListWidget* l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

const QString kV3Message = QStringLiteral("升级数据库V3顺利完成！");
const QString kV5Message = QStringLiteral("升级数据库V5顺利完成！");
}  // namespace

TEST(WizardWindow, PagesCaptionsLabelsAndDefaults)
{
    ScriptedPrompter p;
    TForm1 f(p);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("学校OA系统升级向导V5.16"));
    QStringList tabs;
    for (int i = 0; i < f.PageControl1->count(); ++i) tabs << f.PageControl1->tabText(i);
    EXPECT_EQ(tabs, (QStringList{QStringLiteral("1、连接数据库"), QStringLiteral("2、备份数据库"), QStringLiteral("3、数据库升级"),
                                 QStringLiteral("4、覆盖文件夹"), QStringLiteral("5、升级完成")}));
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);

    const QList<QStringList> labels{
        {QStringLiteral("数据服务器IP:"), QStringLiteral("Sql Server用户:"), QStringLiteral("密码:"),
         QStringLiteral("提示：必须使用最新下载安装包上的升级向导来升级。")},
        {QStringLiteral("请点击【下一步】备份数据库，备份时间跟数据库大小有关，请耐心等候！"), QStringLiteral("保存到："),
         QStringLiteral("提示：使用网站功能的学校请要自行备份学校网站文件夹!")},
        {QStringLiteral("请点击【下一步】升级份数据库"), QStringLiteral("5.16")},
        {QStringLiteral("1、请点击右边【停止】，停止IIS服务"), QStringLiteral("2、下载安装包，覆盖右边2个文件夹"),
         QStringLiteral("3、请点击右边【启动】，启动IIS服务")},
        {QStringLiteral("您已经顺利升级到了新版本。谢谢使用!")},
    };
    const QList<QStringList> buttons{{QStringLiteral("下一步")}, {QStringLiteral("下一步")}, {QStringLiteral("下一步")},
                                     {QStringLiteral("停止"), QStringLiteral("启动"), QStringLiteral("下一步")},
                                     {QStringLiteral("关  闭")}};
    for (int page = 0; page < 5; ++page) {
        QStringList onPage;
        for (const QLabel* l : f.PageControl1->widget(page)->findChildren<QLabel*>()) onPage << l->text();
        for (const QString& want : labels[page]) EXPECT_TRUE(onPage.contains(want)) << page << " " << want.toStdString();
        QStringList pressable;
        for (const QPushButton* b : f.PageControl1->widget(page)->findChildren<QPushButton*>())
            if (b->text() != QStringLiteral("浏览…")) pressable << b->text();
        EXPECT_EQ(pressable, buttons[page]) << page;
    }

    EXPECT_EQ(f.EditServerIP->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(f.EditUser->text(), QStringLiteral("zembra"));
    EXPECT_EQ(f.EditPassword->text(), QStringLiteral("50715071"));
    EXPECT_EQ(f.CheckBoxV3->text(), QStringLiteral("升级数据库V3"));
    EXPECT_EQ(f.CheckBoxV5->text(), QStringLiteral("升级数据库V"));
    EXPECT_EQ(f.EditModule->text(), QStringLiteral("正常升级"));
    EXPECT_EQ(f.ComboBoxDrive->currentText(), QStringLiteral("d:"));
    QStringList drives;
    for (int i = 0; i < f.ComboBoxDrive->count(); ++i) drives << f.ComboBoxDrive->itemText(i);
    EXPECT_EQ(drives, (QStringList{QStringLiteral("a:"), QStringLiteral("b:"), QStringLiteral("c:"), QStringLiteral("d:"),
                                   QStringLiteral("e:"), QStringLiteral("f:"), QStringLiteral("g:"), QStringLiteral("h:"),
                                   QStringLiteral("i:")}));
    // Nothing to back up or upgrade before a connection.
    EXPECT_FALSE(f.ButtonBackup->isEnabled());
    EXPECT_FALSE(f.ButtonUpgrade->isEnabled());
}

TEST(WizardWindow, WebServerPageLeadsToTheEndAndCloseEnds)
{
    ScriptedPrompter p;
    TForm1 f(p);
    f.show();
    f.PageControl1->setCurrentIndex(3);
    f.ButtonNext4->click();
    EXPECT_EQ(f.PageControl1->currentIndex(), 4);
    f.ButtonClose->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(p.shown().isEmpty());
}

TEST(WizardService, ScriptsFollowTheBoxesAndTheExactModuleName)
{
    struct Case {
        bool v3, v5;
        const char* module;
        QStringList scripts;
    };
    const QList<Case> cases{
        {true, true, "正常升级", {QStringLiteral("v3"), QStringLiteral("v5")}},
        {false, true, "正常升级", {QStringLiteral("v5")}},
        {false, false, "", {}},
        {false, true, "图书管理", {QStringLiteral("v5"), QStringLiteral("library")}},
        {true, true, "新生报名", {QStringLiteral("v3"), QStringLiteral("v5"), QStringLiteral("newstudent")}},
        {false, false, "新生报名", {QStringLiteral("newstudent")}},
        {false, true, "图书管理 ", {QStringLiteral("v5")}},
        {false, true, " 新生报名", {QStringLiteral("v5")}},
        {false, true, "图书", {QStringLiteral("v5")}},
    };
    for (const Case& c : cases) {
        UpgradeChoice choice;
        choice.v3 = c.v3;
        choice.v5 = c.v5;
        choice.module = QString::fromUtf8(c.module);
        EXPECT_EQ(WizardService::scriptsFor(choice), c.scripts) << c.module;
    }
}

TEST(WizardService, AddressFormsTakeTheTypedUser)
{
    struct Case {
        const char* address;
        Engine engine;
        const char* user;   // what the session will log in as
    };
    const QList<Case> cases{
        {"192.168.1.5", Engine::SqlServer, "installer"},
        {"db.school.local,1433", Engine::SqlServer, "installer"},
        {"postgresql://db.school.local:5433", Engine::PostgreSQL, "installer"},
        {"postgresql://owner@db.school.local/VEZevOZ", Engine::PostgreSQL, "owner"},
        {"sqlite:/srv/oa/school.db", Engine::SQLite, ""},
    };
    for (const Case& c : cases) {
        const auto u = WizardService::connectionUrl(QString::fromUtf8(c.address), QStringLiteral("installer"));
        ASSERT_TRUE(u.has_value()) << c.address;
        EXPECT_EQ(u->engine, c.engine) << c.address;
        EXPECT_EQ(u->user, QString::fromUtf8(c.user)) << c.address;
        EXPECT_FALSE(u->hasPassword) << c.address;   // the typed password is handed over when opening
    }
    EXPECT_FALSE(WizardService::connectionUrl(QStringLiteral("postgresql://db:abc"), QStringLiteral("u")).has_value());
}

TEST(WizardWindow, UnreachableOrMistypedServersStayOnPageOne)
{
    QTemporaryDir dir;
    QFile notADatabase(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(notADatabase.open(QIODevice::WriteOnly));
    notADatabase.write("这不是数据库\n");
    notADatabase.close();
    const QString missing = dir.filePath(QStringLiteral("missing.db"));
    const QStringList addresses{
        QStringLiteral("postgresql://127.0.0.1:1/VEZevOZ"),   // nothing listens there
        QStringLiteral("postgresql://127.0.0.1:abc"),         // not an address
        QStringLiteral("sqlite:") + missing,
        QStringLiteral("sqlite:") + notADatabase.fileName(),
        QString(),
    };
    for (const QString& a : addresses) {
        ScriptedPrompter p;
        TForm1 f(p);
        typeAndConnect(f, {a, QStringLiteral("zembra"), QStringLiteral("50715071")});
        EXPECT_EQ(f.PageControl1->currentIndex(), 0) << a.toStdString();
        ASSERT_EQ(p.shown().size(), 1) << a.toStdString();
        EXPECT_EQ(p.shown().first().text, QStringLiteral("连接失败，请PingIP地址确保可以连接！"));
        EXPECT_EQ(p.shown().first().caption, QStringLiteral("错误"));
        EXPECT_FALSE(f.ButtonBackup->isEnabled());
        EXPECT_FALSE(f.ButtonUpgrade->isEnabled());
    }
    // A mistyped SQLite path never leaves an empty database behind.
    EXPECT_FALSE(QFile::exists(missing));
    QFile check(notADatabase.fileName());
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("这不是数据库\n"));
}

class WizardTest : public EngineTest {};

TEST_P(WizardTest, V3DatabaseOffersOnlyV5AndWarnsOfTheInstalledRelease)
{
    SchoolDatabase db(GetParam());
    ScriptedPrompter p;
    TForm1 f(p);
    typeAndConnect(f, typedFor(db));
    EXPECT_EQ(f.PageControl1->currentIndex(), 1);
    EXPECT_FALSE(f.CheckBoxV3->isChecked());
    EXPECT_FALSE(f.CheckBoxV3->isEnabled());
    EXPECT_TRUE(f.CheckBoxV5->isChecked());
    EXPECT_TRUE(f.CheckBoxV5->isEnabled());
    EXPECT_TRUE(f.ButtonBackup->isEnabled());
    EXPECT_TRUE(f.ButtonUpgrade->isEnabled());
    ASSERT_EQ(p.shown().size(), 1);
    EXPECT_EQ(p.shown().first().text, QStringLiteral("数据库已经升级到V 5.16;你确定要重新升级？"));
    EXPECT_EQ(p.shown().first().caption, QStringLiteral("错误"));
}

TEST_P(WizardTest, OldDatabaseUpgradesThroughTheWindow)
{
    TestDatabase db(GetParam());
    Session& s = db.session();
    UpgradeEngine::createBaseTables(s);   // before any upgrade: varset has no vname1 yet
    ScriptedPrompter p;
    TForm1 f(p);
    typeAndConnect(f, typedFor(db));
    ASSERT_EQ(f.PageControl1->currentIndex(), 1) << p.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(p.shown().isEmpty());
    EXPECT_TRUE(f.CheckBoxV3->isChecked());
    EXPECT_TRUE(f.CheckBoxV3->isEnabled());
    EXPECT_TRUE(f.CheckBoxV5->isChecked());

    f.PageControl1->setCurrentIndex(2);
    f.ButtonUpgrade->click();
    EXPECT_TRUE(f.busy());
    EXPECT_FALSE(f.ButtonUpgrade->isEnabled());   // no second run while one is going
    ASSERT_TRUE(waitIdle(f));
    EXPECT_EQ(f.PageControl1->currentIndex(), 3);
    EXPECT_EQ(p.texts(), (QStringList{kV3Message, kV5Message}));
    // A connection that read the old layout of varset must not read it again: QSQLITE sizes a row by the
    // columns it saw when preparing.
    auto after = db.open();
    EXPECT_EQ(VarSet::value(*after, QStringLiteral("OA系统的数据库版本")), QStringLiteral("5.16"));
    EXPECT_EQ(VarSet::value(*after, QStringLiteral("Version"), QStringLiteral("vname1")), QStringLiteral("数据库V3"));
    const QStringList lines = itemTexts(f.ListProgress);
    EXPECT_GT(lines.size(), 100);
    EXPECT_TRUE(lines.last().contains(kV5Message)) << lines.last().toStdString();
    EXPECT_EQ(f.ProgressUpgrade->value(), f.ProgressUpgrade->maximum());
    EXPECT_TRUE(f.ButtonUpgrade->isEnabled());
}

TEST_P(WizardTest, RerunWarnsAndRestoresOnlyMissingRowsAndTheStamp)
{
    struct Case {
        const char* name;
        bool clearV3Stamp;        // the V3 box is then offered again
        QStringList removedKeys;  // varset rows the rerun must bring back
        QStringList messages;
    };
    const QList<Case> cases{
        {"stamped", false, {QStringLiteral("课程表隐藏周末")}, {releaseInstalledWarning(), kV5Message}},
        {"v3 stamp lost", true, {QStringLiteral("课程表隐藏周末"), QStringLiteral("锁定个人课程表")},
         {releaseInstalledWarning(), kV3Message, kV5Message}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchoolDatabase db(GetParam());
        Session& s = db.session();
        const Snapshot before = snapshot(s);
        if (c.clearV3Stamp) s.exec(QStringLiteral("update varset set vname1='' where name='Version'"));
        for (const QString& key : c.removedKeys) s.exec(QStringLiteral("delete from varset where name=:name"), {{QStringLiteral("name"), key}});

        ScriptedPrompter p;
        TForm1 f(p);
        typeAndConnect(f, typedFor(db));
        ASSERT_EQ(f.PageControl1->currentIndex(), 1);
        EXPECT_EQ(f.CheckBoxV3->isChecked(), c.clearV3Stamp);
        EXPECT_EQ(f.CheckBoxV3->isEnabled(), c.clearV3Stamp);
        f.ButtonUpgrade->click();
        ASSERT_TRUE(waitIdle(f));
        EXPECT_EQ(f.PageControl1->currentIndex(), 3);
        EXPECT_EQ(p.texts(), c.messages);
        EXPECT_TRUE(snapshot(s) == before);
    }
}

TEST_P(WizardTest, UntrappedFailureKeepsPageThreeAndWritesNoRelease)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    s.exec(QStringLiteral("update varset set vname1='' where name='Version'"));
    s.exec(QStringLiteral("update varset set vname='5.15' where name='OA系统的数据库版本'"));
    s.execRaw(QStringLiteral("DROP TABLE zuoyebuzhiFile"));

    ScriptedPrompter p;
    TForm1 f(p);
    typeAndConnect(f, typedFor(db));
    ASSERT_EQ(f.PageControl1->currentIndex(), 1);
    EXPECT_TRUE(p.shown().isEmpty());   // 5.15 is not this release
    ASSERT_TRUE(f.CheckBoxV3->isChecked());
    f.PageControl1->setCurrentIndex(2);
    f.ButtonUpgrade->click();
    ASSERT_TRUE(waitIdle(f));

    EXPECT_EQ(f.PageControl1->currentIndex(), 2);
    ASSERT_FALSE(p.shown().isEmpty());
    const Shown last = p.shown().last();
    EXPECT_EQ(last.caption, QStringLiteral("错误"));
    EXPECT_EQ(last.icon, Prompter::Icon::Error);
    EXPECT_TRUE(last.text.contains(QStringLiteral("zuoyebuzhifile"), Qt::CaseInsensitive)) << last.text.toStdString();
    EXPECT_FALSE(p.wasShown(kV3Message));
    EXPECT_FALSE(p.wasShown(kV5Message));
    EXPECT_EQ(VarSet::value(s, QStringLiteral("OA系统的数据库版本")), QStringLiteral("5.15"));
    EXPECT_EQ(VarSet::value(s, QStringLiteral("Version"), QStringLiteral("vname1")), QString());
    const QStringList lines = itemTexts(f.ListProgress);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().contains(QStringLiteral("失败"))) << lines.last().toStdString();
    EXPECT_TRUE(f.ButtonUpgrade->isEnabled());   // the installer may fix the cause and go again
}

TEST_P(WizardTest, ModuleFieldRunsOnlyAnExactModuleName)
{
    struct Case {
        const char* module;
        const char* table;     // the module's table, created only when it ran
        bool runs;
        const char* message;
    };
    const QList<Case> cases{
        {"图书管理 ", "TuShuMing", false, "图书馆数据库部署完成！"},
        {"图书管理", "TuShuMing", true, "图书馆数据库部署完成！"},
        {"新生报名", "stuBaoMing", true, "升级数据库【新生报名】顺利完成！"},
        {"正常升级", "stuBaoMing", false, "升级数据库【新生报名】顺利完成！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        SchoolDatabase db(GetParam());
        ScriptedPrompter p;
        TForm1 f(p);
        typeAndConnect(f, typedFor(db));
        f.EditModule->setText(QString::fromUtf8(c.module));
        f.ButtonUpgrade->click();
        ASSERT_TRUE(waitIdle(f));
        EXPECT_EQ(f.PageControl1->currentIndex(), 3);
        EXPECT_EQ(db.session().tableExists(QString::fromUtf8(c.table)), c.runs);
        EXPECT_EQ(p.wasShown(QString::fromUtf8(c.message)), c.runs);
        EXPECT_TRUE(p.wasShown(kV5Message));
    }
}

TEST_P(WizardTest, FailedReconnectLeavesTheDatabaseAndDisablesTheSteps)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    const Snapshot before = snapshot(s);
    const Typed good = typedFor(db);
    ScriptedPrompter p;
    TForm1 f(p);
    typeAndConnect(f, good);
    ASSERT_TRUE(f.ButtonUpgrade->isEnabled());
    p.clear();

    // PostgreSQL: the typed password is used as typed, so a wrong one fails. SQLite: a mistyped file name.
    Typed bad = good;
    if (GetParam() == Engine::SQLite) bad.address += QStringLiteral(".old");
    else bad.password += QStringLiteral("x");
    typeAndConnect(f, bad);
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);
    EXPECT_EQ(p.texts(), QStringList{QStringLiteral("连接失败，请PingIP地址确保可以连接！")});
    EXPECT_FALSE(f.ButtonBackup->isEnabled());
    EXPECT_FALSE(f.ButtonUpgrade->isEnabled());
    EXPECT_FALSE(f.service().connected());
    EXPECT_TRUE(snapshot(s) == before);
}

OA_INSTANTIATE_ENGINES(WizardTest);
