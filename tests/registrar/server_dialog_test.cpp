#include "shell_support.h"

#include "common/db/ConnectionSettings.h"
#include "common/ui/TFormSetServerIP.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace oa;
using oa::test::TestDatabase;

namespace {

QString stored(const QString& path, const QString& key)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("Server/") + key).toString();
}

class ServerDialog : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        // A folder that does not exist yet: the dialog makes it.
        path = dir.filePath(QStringLiteral("学校OA系统文件/zembraWebOA.ini"));
    }
    // The address an administrator would type: the database URL without its password (the default key
    // deciphers to the test server's password).
    QString address() const { return db->url().display(); }

    std::unique_ptr<TestDatabase> db;
    QTemporaryDir dir;
    QString path;
    ScriptedPrompter prompter;
};

TEST_P(ServerDialog, EmptyKeyUsesAndStoresTheDefaultKeyThenAsksForARestart)
{
    ServerAddressSetup setup(prompter, ServerDialogProgram::Registrar, path);
    TFormSetServerIP dlg(setup);
    dlg.show();
    EXPECT_EQ(dlg.EditKey->text(), QString());
    EXPECT_EQ(dlg.EditKey->echoMode(), QLineEdit::Normal);
    // The address is stored as typed, blanks included.
    dlg.EditIP->setText(address() + QStringLiteral(" "));
    dlg.ButtonConnect->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("服务器ＩＰ设置成功了,请重新运行程序")});
    EXPECT_EQ(stored(path, QStringLiteral("OADataServer")), address() + QStringLiteral(" "));
    EXPECT_EQ(stored(path, QStringLiteral("password")), QStringLiteral("5C02D7E41F9A60B3"));
    // Read back trimmed.
    EXPECT_EQ(ConnectionSettings(path).serverAddress(), address());
}

TEST_P(ServerDialog, TypedKeyIsStoredEncipheredAsTyped)
{
    ServerAddressSetup setup(prompter, ServerDialogProgram::Registrar, path);
    const QString key = Enc(GetParam() == Engine::PostgreSQL ? db->url().password : QStringLiteral("50715071"));
    ASSERT_NE(setup.connect(address(), key), nullptr);
    EXPECT_EQ(stored(path, QStringLiteral("password")), key);
}

TEST(ServerDialogFailures, WrongAddressOrBadKeyWritesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zembraWebOA.ini"));
    const QString missing = QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("no-such.db"));
    ScriptedPrompter prompter;
    ServerAddressSetup setup(prompter, ServerDialogProgram::Registrar, path);
    TFormSetServerIP dlg(setup);
    dlg.show();

    dlg.EditIP->setText(missing);
    dlg.ButtonConnect->click();
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.shown().first().caption, QStringLiteral("错误"));
    EXPECT_EQ(prompter.lastText(), QStringLiteral("数据服务器IP或密匙错误，请联系系统管理员！"));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("no-such.db"))));

    // A key with a pair that is not hexadecimal fails before anything is tried.
    prompter.clear();
    dlg.EditKey->setText(QStringLiteral("5C0ZD7"));
    dlg.ButtonConnect->click();
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.shown().first().caption, QStringLiteral("错误"));
    EXPECT_NE(prompter.lastText(), QStringLiteral("数据服务器IP或密匙错误，请联系系统管理员！"));
    EXPECT_FALSE(QFileInfo::exists(path));

    // Nonsense that is no address at all.
    prompter.clear();
    dlg.EditKey->clear();
    dlg.EditIP->setText(QStringLiteral("not an address"));
    dlg.ButtonConnect->click();
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("数据服务器IP或密匙错误，请联系系统管理员！")});
    EXPECT_TRUE(dlg.pressed());
}

TEST(ServerDialogFailures, UnwritableSettingsStopRegistrarButNotLantern)
{
    TestDatabase db(Engine::SQLite);
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath(QStringLiteral("file/zembraWebOA.ini"));   // its folder is a file

    ScriptedPrompter prompter;
    ServerAddressSetup registrar(prompter, ServerDialogProgram::Registrar, path);
    EXPECT_EQ(registrar.connect(db.url().display(), QString()), nullptr);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_EQ(prompter.shown().first().caption, QStringLiteral("错误"));
    EXPECT_FALSE(prompter.wasShown(QStringLiteral("服务器ＩＰ设置成功了,请重新运行程序")));

    prompter.clear();
    ServerAddressSetup lantern(prompter, ServerDialogProgram::Lantern, path);
    EXPECT_NE(lantern.connect(db.url().display(), QString()), nullptr);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral(" 数据不能保存，请联系系统管理员！")});
}

TEST(ServerDialogLayout, RegistrarAndLanternDiffer)
{
    ScriptedPrompter prompter;
    ServerAddressSetup r(prompter, ServerDialogProgram::Registrar);
    TFormSetServerIP reg(r);
    EXPECT_EQ(reg.windowTitle(), QStringLiteral("设置服务器"));
    EXPECT_EQ(reg.LabelNote->text(), QStringLiteral("说明：OA主页右上方【常用工具】-【Registrar】里面有显示IP和密匙"));
    EXPECT_EQ(reg.EditIP->text(), QStringLiteral("192.168.100.1"));
    EXPECT_EQ(reg.ButtonConnect->text(), QStringLiteral("连接到服务器"));
    ASSERT_NE(reg.LabelHelp, nullptr);
    EXPECT_TRUE(reg.LabelHelp->text().contains(QStringLiteral("连接不上处理办法")));
    int help = 0;
    reg.onHelp = [&] { ++help; };
    emit reg.LabelHelp->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(help, 1);
    QStringList labels;
    for (QLabel* l : reg.findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("数据服务器IP地址：")));
    EXPECT_TRUE(labels.contains(QStringLiteral("OA数据数据库的密匙：")));

    ServerAddressSetup l(prompter, ServerDialogProgram::Lantern);
    TFormSetServerIP lan(l);
    EXPECT_EQ(lan.windowTitle(), QStringLiteral("设置服务器IP"));
    EXPECT_EQ(lan.LabelNote->text(), QStringLiteral("说明：OA主页右上方【常用工具】-【Lantern】里面有显示IP和密匙"));
    EXPECT_EQ(lan.LabelHelp, nullptr);
    labels.clear();
    for (QLabel* x : lan.findChildren<QLabel*>()) labels << x->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("数据服务器IP：")));
    EXPECT_TRUE(labels.contains(QStringLiteral("数据库的密匙：")));
    // Lantern: Enter moves from the address to the key, and Enter in the key connects.
    lan.show();
    QTest::keyClick(lan.EditIP, Qt::Key_Return);
    EXPECT_EQ(lan.focusWidget(), lan.EditKey);
    EXPECT_FALSE(lan.pressed());
    QTest::keyClick(lan.EditKey, Qt::Key_Return);
    EXPECT_TRUE(lan.pressed());
}

TEST(ServerDialogLayout, LanternTakesTheSessionOver)
{
    TestDatabase db(Engine::SQLite);
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ServerAddressSetup setup(prompter, ServerDialogProgram::Lantern, dir.filePath(QStringLiteral("s.ini")));
    TFormSetServerIP dlg(setup);
    std::unique_ptr<Session> got;
    QString typed;
    dlg.onConnected = [&](std::unique_ptr<Session> s, const QString& a) {
        got = std::move(s);
        typed = a;
    };
    dlg.show();
    dlg.EditIP->setText(db.url().display());
    dlg.ButtonConnect->click();
    ASSERT_NE(got, nullptr);
    EXPECT_TRUE(got->isOpen());
    EXPECT_EQ(typed, db.url().display());
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

}  // namespace

OA_INSTANTIATE_ENGINES(ServerDialog);
