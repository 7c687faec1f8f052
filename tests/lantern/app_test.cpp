#include "LanternTestSupport.h"

#include "common/db/ConnectionSettings.h"
#include "lantern/app/LanternCore.h"
#include "lantern/app/LanternLink.h"
#include "lantern/app/SingleInstance.h"
#include "common/ui/TFormSetServerIP.h"
#include "lantern/chat/TFormChat.h"
#include "lantern/contacts/ChatRegistry.h"

#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolButton>
#include <QUuid>

using namespace oa;
using namespace oa::lantern;
using namespace oa::lantern::test;
using oa::test::SchoolDatabase;


TEST(SingleInstanceTest, SecondStartBringsTheFirstForward)
{
    const QString key = QStringLiteral("lantern-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance first(key);
    SingleInstance second(key);
    EXPECT_FALSE(first.signalRunning(200)) << "nobody runs yet";
    ASSERT_TRUE(first.listen());
    QSignalSpy spy(&first, &SingleInstance::activateRequested);
    EXPECT_TRUE(second.signalRunning());
    EXPECT_TRUE(spy.wait(3000) || spy.count() == 1);
    EXPECT_EQ(spy.count(), 1);
}

TEST(SingleInstanceTest, KeyDependsOnTheDesktopSettings)
{
    EXPECT_EQ(SingleInstance::keyFor(QStringLiteral("/a/desktop.ini")), SingleInstance::keyFor(QStringLiteral("/a/desktop.ini")));
    EXPECT_NE(SingleInstance::keyFor(QStringLiteral("/a/desktop.ini")), SingleInstance::keyFor(QStringLiteral("/b/desktop.ini")));
}

class ChatWindowTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        fillSchool(db->session());
        chen = std::make_unique<Desk>(*db, kChen);
        li = std::make_unique<Desk>(*db, kLi);
        registry.context().state = &chen->st;
        registry.context().prompter = &chen->prompter;
        registry.context().messages = &chen->messages;
        w = registry.open(li->st.presenceId, kLi.tname, 1);
        ASSERT_NE(w, nullptr);
    }
    void TearDown() override { registry.clear(); }
    int sent() { return count(db->session(), QStringLiteral("select count(*) from tongxinMeg where 发送人=:me"), {{QStringLiteral("me"), kChen.tname}}); }

    std::unique_ptr<SchoolDatabase> db;
    std::unique_ptr<Desk> chen, li;
    ChatRegistry registry;
    TFormChat* w = nullptr;
};

TEST_P(ChatWindowTest, EnterSendsAndShiftEnterBreaksTheLine)
{
    QTest::keyClick(w->RichEditSend, Qt::Key_Return);
    EXPECT_EQ(sent(), 0) << "an empty send box sends nothing";

    QTest::keyClicks(w->RichEditSend, QStringLiteral("first"));
    QTest::keyClick(w->RichEditSend, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(w->RichEditSend, QStringLiteral("second"));
    QTest::keyClick(w->RichEditSend, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(w->RichEditSend, QStringLiteral("third"));
    EXPECT_EQ(sent(), 0);
    QTest::keyClick(w->RichEditSend, Qt::Key_Return);
    EXPECT_EQ(sent(), 1);
    EXPECT_TRUE(w->RichEditSend->toPlainText().isEmpty());

    // The own echo: name, two blanks, the time; then the message.
    const QStringList lines = w->RichEditRec->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(kChen.tname + QStringLiteral("  "))) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1, 3), (QStringList{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}));

    EXPECT_EQ(li->messages.pollMessages(), 1);
    EXPECT_EQ(li->windows.texts(), QStringList{QStringLiteral("first\nsecond\nthird")});
}

// Whatever is typed reaches the colleague's window as typed, in a font of its own: quotes, RTF's own
// control characters, code-page escapes, tabs, characters outside the code page, and a very long text.
TEST_P(ChatWindowTest, TypedTextShowsUnchangedInBothWindows)
{
    QString longText;
    for (int i = 0; i < 400; ++i) longText += QStringLiteral("第%1行：It's a \\par {long} line.\n").arg(i);
    longText += QStringLiteral("完");
    const QStringList texts = {
        QStringLiteral("It's \"quoted\" and 'single'; --"),
        QStringLiteral("{\\rtf1\\ansi {\\b not bold} \\'cb\\'ce}\\par \\pict\\dibitmap0 00FF }}}{"),
        QStringLiteral("\\u20013? \\uc0 \\~ \\- \\_ \\* \\\\"),
        QStringLiteral("Tab\there, € ½ ü, 😀 and 𠀀"),
        longText,
    };
    ChatRegistry theirs;
    theirs.context().state = &li->st;
    theirs.context().prompter = &li->prompter;
    MessageService inbox(*li->session, li->prompter, li->st, theirs);
    theirs.context().messages = &inbox;
    ChatFont f = w->sendFont();
    f.style = 1 | 2;
    f.color = 255;
    w->applySendFont(f);
    for (const QString& t : texts) {
        w->RichEditSend->insertPlainText(t);
        w->ButtonSendClick();
        ASSERT_TRUE(w->RichEditSend->toPlainText().isEmpty()) << t.left(40).toStdString();
        EXPECT_TRUE(w->RichEditRec->toPlainText().endsWith(QLatin1Char('\n') + t)) << t.left(40).toStdString();
        ASSERT_EQ(inbox.pollMessages(), 1);
        TFormChat* got = theirs.window(chen->st.presenceId);
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(got->RichEditRec->toPlainText().endsWith(QLatin1Char('\n') + t)) << t.left(40).toStdString();
    }
    EXPECT_TRUE(chen->prompter.shown().isEmpty());
    theirs.clear();
}

TEST_P(ChatWindowTest, FailedSendKeepsTheText)
{
    db->session().execRaw(QStringLiteral("ALTER TABLE tongxinMeg RENAME TO tongxinMegAway"));
    w->RichEditSend->setPlainText(QStringLiteral("别丢了"));
    w->ButtonSendClick();
    db->session().execRaw(QStringLiteral("ALTER TABLE tongxinMegAway RENAME TO tongxinMeg"));
    EXPECT_EQ(w->RichEditSend->toPlainText(), QStringLiteral("别丢了"));
    ASSERT_EQ(chen->prompter.shown().size(), 1);
    EXPECT_EQ(chen->prompter.shown().first().caption, QStringLiteral("错误"));
    w->ButtonSendClick();
    EXPECT_EQ(sent(), 1);
}

TEST_P(ChatWindowTest, FontChoiceIsStoredAndComesBack)
{
    registry.context().pickFont = [](const QFont& f, QWidget*) {
        QFont g = f;
        g.setFamily(QStringLiteral("WenQuanYi Micro Hei"));
        g.setPointSize(15);
        g.setItalic(true);
        return std::optional<QFont>(g);
    };
    registry.context().pickColor = [](const QColor&, QWidget*) { return std::optional<QColor>(QColor(0, 0, 200)); };
    w->ButtonFontClick();
    w->ButtonColorClick();
    const ChatInfo info = chen->messages.chatInfo(kLi.tname);
    ASSERT_TRUE(info.font.has_value());
    EXPECT_EQ(info.font->name, QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(info.font->size, 15);
    EXPECT_EQ(info.font->style, 2);
    EXPECT_EQ(info.font->color, 200 * 65536);

    // Another window of the same member starts with that font.
    TFormChat* other = registry.open(chen->st.presenceId, kChen.tname, 1);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->sendFont().name, QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(other->RichEditSend->currentCharFormat().font().pointSize(), 15);
    EXPECT_TRUE(other->RichEditSend->currentCharFormat().font().italic());
    EXPECT_EQ(other->RichEditSend->currentCharFormat().foreground().color(), QColor(0, 0, 200));
}

TEST_P(ChatWindowTest, ShowingAgainResetsTheWidth)
{
    w->resize(900, w->height());
    w->hide();
    w->show();
    EXPECT_EQ(w->width(), 600);
    EXPECT_EQ(w->PanelRight->width(), 200);
    EXPECT_EQ(w->ButtonShare->toolTip(), QStringLiteral("\\\\") + li->machine.lanternIp);
}

OA_INSTANTIATE_ENGINES(ChatWindowTest);

TEST(LanternLinkTest, ReconnectionReopensTheSameSession)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("s.ini"));
    LanternLink none(std::nullopt, ini);
    EXPECT_EQ(none.open(), LanternLink::Result::NoAddress);
    ASSERT_TRUE(ConnectionSettings(ini).write(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("a.db")),
                                              QString::fromLatin1(kDefaultEncipheredKey)));
    LanternLink link(std::nullopt, ini);
    ASSERT_EQ(link.open(), LanternLink::Result::Ok);
    Session* first = link.session();
    const int generation = link.generation();
    link.close();
    EXPECT_FALSE(link.isOpen());
    ASSERT_EQ(link.open(), LanternLink::Result::Ok);
    EXPECT_EQ(link.session(), first);
    EXPECT_EQ(link.generation(), generation);
    EXPECT_NO_THROW(link.session()->serverNow());
}

TEST(ServerAddressTest, LanternGoesOnWithTheAddressTypedAtStart)
{
    SchoolDatabase school(Engine::SQLite);
    fillSchool(school.session());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("zembraWebOA.ini"));
    TempDesktop temp;
    auto desktop = temp.settings();
    ScriptedPrompter p;
    FakeMachine machine;
    Clock clock;
    LanternLink link(std::nullopt, ini);
    LanternCore core(link, p, machine, clock, *desktop);
    ServerAddressSetup servers(p, ServerDialogProgram::Lantern, ini);
    int dialogs = 0;
    core.serverDialog = [&] {
        ++dialogs;
        core.serverChanged(servers.connect(QStringLiteral("sqlite:") + school.url().path, QString()));
        return true;
    };
    core.loginWindow = [&](bool) {
        EXPECT_EQ(core.login()->confirm(kChen.tno, kChen.password, false), LoginService::Outcome::LoggedIn);
        return LanternCore::LoginWindow::LoggedIn;
    };
    core.firstShow();
    EXPECT_EQ(dialogs, 1) << "no address in the settings file";
    EXPECT_EQ(core.state().connResult, QStringLiteral("ok"));
    EXPECT_EQ(core.state().tname, kChen.tname);
    EXPECT_EQ(stateOf(school.session(), kChen.tname), QStringLiteral("1"));
    EXPECT_EQ(ConnectionSettings(ini).serverAddress(), QStringLiteral("sqlite:") + school.url().path);

    // Closing the dialog without trying ends Lantern.
    LanternLink nowhere(std::nullopt, dir.filePath(QStringLiteral("other.ini")));
    LanternCore second(nowhere, p, machine, clock, *desktop);
    bool ended = false;
    second.serverDialog = [] { return false; };
    second.endProgram = [&] { ended = true; };
    second.firstShow();
    EXPECT_TRUE(ended);
}
