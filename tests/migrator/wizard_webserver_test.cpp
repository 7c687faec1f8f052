#include "QtPrinters.h"
#include "TForm1.h"
#include "WebServerControl.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace oa;

namespace {
QString writeSettings(const QTemporaryDir& dir, const QByteArray& webServerSection)
{
    const QString path = dir.filePath(QStringLiteral("zembraWebOA.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("[Server]\nOADataServer=127.0.0.1\n\n[WebServer]\n" + webServerSection);
    return path;
}
}  // namespace

TEST(WebServerControl, CommandsComeFromTheSettingsFile)
{
    QTemporaryDir dir;
    const QString path = writeSettings(dir, "stop=systemctl stop apache2\nstart=sh -c \"echo a, b\"\n");
    ScriptedPrompter p;
    WebServerControl c(p, path);
    EXPECT_EQ(c.command(WebServerControl::Action::Stop), QStringLiteral("systemctl stop apache2"));
    // Quotes and commas stay as written: it is one command line.
    EXPECT_EQ(c.command(WebServerControl::Action::Start), QStringLiteral("sh -c \"echo a, b\""));
}

#ifndef Q_OS_WIN
TEST(WebServerControl, StartsTheCommandOrSaysItFailed)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("stopped"));
    const QString path = writeSettings(dir, "stop=touch \"" + marker.toUtf8() + "\"\nstart=/nonexistent/apachectl start\n");
    ScriptedPrompter p;
    WebServerControl c(p, path);
    EXPECT_TRUE(c.stop());
    EXPECT_TRUE(p.shown().isEmpty());
    // Started, not waited for.
    for (int i = 0; i < 200 && !QFile::exists(marker); ++i) QThread::msleep(10);
    EXPECT_TRUE(QFile::exists(marker));

    EXPECT_FALSE(c.start());
    ASSERT_EQ(p.shown().size(), 1);
    EXPECT_EQ(p.shown().first().text, QStringLiteral("执行失败"));
    EXPECT_EQ(p.shown().first().icon, Prompter::Icon::Information);
}

TEST(WebServerControl, NoCommandConfiguredSaysWhereToPutIt)
{
    QTemporaryDir dir;
    const QString path = writeSettings(dir, "");
    ScriptedPrompter p;
    WebServerControl c(p, path);
    EXPECT_TRUE(c.command(WebServerControl::Action::Stop).isEmpty());
    EXPECT_FALSE(c.stop());
    ASSERT_EQ(p.shown().size(), 1);
    EXPECT_TRUE(p.lastText().startsWith(QStringLiteral("执行失败")));
    EXPECT_TRUE(p.lastText().contains(QStringLiteral("[WebServer]")));
    EXPECT_TRUE(p.lastText().contains(QStringLiteral("stop")));

    // A settings file that does not exist reads the same.
    ScriptedPrompter p2;
    EXPECT_FALSE(WebServerControl(p2, dir.filePath(QStringLiteral("none.ini"))).start());
    EXPECT_TRUE(p2.lastText().startsWith(QStringLiteral("执行失败")));
}

TEST(WebServerControl, WindowButtonsRunTheCommands)
{
    QTemporaryDir dir;
    const QString path = writeSettings(dir, "stop=/nonexistent/stop-web\nstart=/nonexistent/start-web\n");
    ScriptedPrompter p;
    TForm1 f(p, path);
    f.ButtonStop->click();
    f.ButtonStart->click();
    EXPECT_EQ(p.texts(), (QStringList{QStringLiteral("执行失败"), QStringLiteral("执行失败")}));
}
#else
TEST(WebServerControl, WindowsUsesIisresetUnlessConfigured)
{
    QTemporaryDir dir;
    ScriptedPrompter p;
    WebServerControl c(p, dir.filePath(QStringLiteral("none.ini")));
    EXPECT_EQ(c.command(WebServerControl::Action::Stop), QStringLiteral("iisreset /stop"));
    EXPECT_EQ(c.command(WebServerControl::Action::Start), QStringLiteral("iisreset /start"));
}
#endif
