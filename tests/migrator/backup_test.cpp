#include "BackupService.h"
#include "TestDb.h"
#include "TForm1.h"
#include "wizard_support.h"
#include "UpgradeEngine.h"
#include "common/config/VarSet.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlField>
#include <QStandardPaths>
#include <QTabWidget>
#include <QThread>
#include <gtest/gtest.h>

using namespace oa;
using namespace oa::test;

namespace {
// Every row of every table, as text, in a stable order: two databases with equal dumps hold the same data.
QMap<QString, QStringList> dump(Session& s)
{
    QMap<QString, QStringList> out;
    for (const QString& t : s.userTables()) {
        QStringList rows;
        for (const QSqlRecord& r : s.rows(QStringLiteral("select * from ") + t)) {
            QStringList f;
            for (int i = 0; i < r.count(); ++i) {
                const QVariant v = r.value(i);
                f << r.fieldName(i).toLower() + QLatin1Char('=')
                        + (v.metaType().id() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray().toHex())
                                                                       : fieldText(v));
            }
            rows << f.join(QLatin1Char('|'));
        }
        rows.sort();
        out.insert(t.toLower(), rows);
    }
    return out;
}

QString marker(Session& s) { return VarSet::value(s, QStringLiteral("schoolname"), QStringLiteral("vname1")); }


const QString kQuestion = QStringLiteral("开始备份   备份需要一段时间！请暂停操作电脑，直到弹出完成提醒！ ");
const QString kDone = QStringLiteral("数据库备份成功！已经保存到你的数据服务器，请注意异地保存数据！。");
}  // namespace

TEST(BackupNames, StampIsYearMonthDayHourMinuteMonth)
{
    struct Case {
        QDateTime at;
        const char* stamp;
    };
    const QList<Case> cases{
        {QDateTime(QDate(2010, 5, 12), QTime(9, 7, 33)), "20100512975"},
        {QDateTime(QDate(2023, 12, 1), QTime(0, 0)), "202312010012"},
        {QDateTime(QDate(2024, 11, 30), QTime(23, 59, 59)), "20241130235911"},
        // Without leading zeros 01:23 and 12:03 read alike.
        {QDateTime(QDate(2024, 3, 4), QTime(1, 23)), "202403041233"},
        {QDateTime(QDate(2024, 3, 4), QTime(12, 3)), "202403041233"},
        // Seconds play no part: one minute, one name.
        {QDateTime(QDate(2024, 3, 4), QTime(12, 3, 59)), "202403041233"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(backupStamp(c.at), QString::fromLatin1(c.stamp)) << c.stamp;
        EXPECT_EQ(backupFileName(c.at), QStringLiteral("学校OA数据备份-") + QString::fromLatin1(c.stamp));
    }
}

TEST(BackupNames, DayNumberCountsFromThe30thOfDecember1899Rounded)
{
    struct Case {
        QDateTime at;
        qint64 day;
    };
    const QList<Case> cases{
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0},
        {QDateTime(QDate(2010, 5, 12), QTime(9, 7)), 40310},
        {QDateTime(QDate(2010, 5, 12), QTime(12, 0, 1)), 40311},
        {QDateTime(QDate(2010, 5, 12), QTime(12, 0)), 40310},   // a tie goes to the even day
        {QDateTime(QDate(2010, 5, 13), QTime(12, 0)), 40312},
    };
    for (const Case& c : cases) EXPECT_EQ(backupDayNumber(c.at), c.day) << c.at.toString(Qt::ISODate).toStdString();
}

TEST(BackupNames, SqlServerStatementAcceptsOnlyTheListedDrives)
{
    const QDateTime at(QDate(2010, 5, 12), QTime(9, 7));
    EXPECT_EQ(sqlServerBackupStatement(QStringLiteral("d:"), at),
              QStringLiteral("BACKUP DATABASE [VEzevOZ] TO DISK ='d:\\学校OA数据备份-20100512975' with init"));
    EXPECT_EQ(sqlServerBackupStatement(QStringLiteral("A:"), at),
              QStringLiteral("BACKUP DATABASE [VEzevOZ] TO DISK ='a:\\学校OA数据备份-20100512975' with init"));
    for (const char* bad : {"j:", "d", "d:\\", "d:\\backup", "d:' --", "\\\\server\\share", ""})
        EXPECT_FALSE(sqlServerBackupStatement(QString::fromLatin1(bad), at).has_value()) << bad;
    EXPECT_EQ(backupDrives().size(), 9);
}

class BackupTest : public EngineTest {};

TEST_P(BackupTest, BackupRestoresToAnIdenticalDatabase)
{
    if (GetParam() == Engine::PostgreSQL && QStandardPaths::findExecutable(QStringLiteral("pg_restore")).isEmpty())
        GTEST_SKIP() << "pg_restore is not installed";
    SchoolDatabase db(GetParam(), true);
    Session& s = db.session();
    const auto before = dump(s);
    ASSERT_FALSE(before.value(QStringLiteral("students")).isEmpty());
    QTemporaryDir folder;
    ScriptedPrompter p;
    p.answer(true);
    BackupService backup(s, p);
    ASSERT_TRUE(backup.backup(folder.path())) << p.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(p.texts(), (QStringList{kQuestion, kDone}));
    EXPECT_EQ(p.shown().last().caption, QStringLiteral("成功提示"));
    EXPECT_EQ(p.shown().last().icon, Prompter::Icon::Warning);
    const QString file = backup.lastFile();
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith(QStringLiteral("学校OA数据备份-")));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});   // no leftovers

    // Work goes on after the backup; the restored database is the one of the backup's moment.
    s.exec(QStringLiteral("delete from students"));
    if (GetParam() == Engine::SQLite) {
        ConnectionUrl u;
        u.engine = Engine::SQLite;
        u.path = file;
        auto restored = Session::open(u);
        EXPECT_TRUE(dump(*restored) == before);
    } else {
        const ConnectionUrl u = s.url();
        s.execRaw(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(u.schema));
        QProcess restore;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), u.password);
        restore.setProcessEnvironment(env);
        restore.start(QStringLiteral("pg_restore"),
                      {QStringLiteral("--host=") + u.host, QStringLiteral("--port=%1").arg(u.port), QStringLiteral("--username=") + u.user,
                       QStringLiteral("--dbname=") + u.database, QStringLiteral("--no-owner"), file});
        ASSERT_TRUE(restore.waitForFinished(60000));
        ASSERT_EQ(restore.exitCode(), 0) << restore.readAllStandardError().toStdString();
        EXPECT_TRUE(dump(s) == before);
    }
}

TEST_P(BackupTest, MarkerRecordsTheServerDayOnlyAfterSuccess)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    s.exec(QStringLiteral("insert into varset(name, vid, vname, vname1) values('schoolname', 1, '实验中学', '100')"));
    QTemporaryDir folder;

    // Declined: nothing happens.
    {
        ScriptedPrompter p;
        p.answer(false);
        EXPECT_FALSE(BackupService(s, p).backup(folder.path()));
        EXPECT_EQ(p.texts(), QStringList{kQuestion});
        EXPECT_TRUE(QDir(folder.path()).isEmpty());
        EXPECT_EQ(marker(s), QStringLiteral("100"));
    }
    // Done: the day of the server clock.
    const qint64 dayBefore = backupDayNumber(s.serverNow());
    ScriptedPrompter p;
    p.answer(true);
    ASSERT_TRUE(BackupService(s, p).backup(folder.path()));
    const qint64 dayAfter = backupDayNumber(s.serverNow());
    const qint64 day = marker(s).toLongLong();
    EXPECT_TRUE(day == dayBefore || day == dayAfter) << marker(s).toStdString();
    EXPECT_EQ(VarSet::value(s, QStringLiteral("schoolname")), QStringLiteral("实验中学"));
}

TEST_P(BackupTest, MissingFolderOrProgramLeavesTheDatabaseAsItWas)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    s.exec(QStringLiteral("insert into varset(name, vid, vname, vname1) values('schoolname', 1, '实验中学', '100')"));
    const auto before = dump(s);
    QTemporaryDir parent;
    const QString missing = parent.filePath(QStringLiteral("没有这个文件夹"));
    {
        ScriptedPrompter p;
        p.answer(true);
        EXPECT_FALSE(BackupService(s, p).backup(missing));
        EXPECT_EQ(p.texts(), QStringList{QStringLiteral("备份文件夹不存在：") + QDir::toNativeSeparators(missing)});
        EXPECT_EQ(p.shown().first().caption, QStringLiteral("错误"));
        EXPECT_FALSE(QFile::exists(missing));
        EXPECT_TRUE(dump(s) == before);
    }
    if (GetParam() == Engine::PostgreSQL) {
        // pg_dump not installed.
        ScriptedPrompter p;
        p.answer(true);
        BackupService b(s, p);
        b.setPgDump(parent.filePath(QStringLiteral("pg_dump")));
        EXPECT_FALSE(b.backup(parent.path()));
        ASSERT_EQ(p.shown().size(), 1);
        EXPECT_TRUE(p.lastText().startsWith(QStringLiteral("没有找到 pg_dump"))) << p.lastText().toStdString();

        // pg_dump that fails: its own words are shown, and no half-written file stays.
        const QString fake = parent.filePath(QStringLiteral("failing_pg_dump"));
        QFile script(fake);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho 'pg_dump: error: connection refused' >&2\nexit 1\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ScriptedPrompter p2;
        p2.answer(true);
        BackupService failing(s, p2);
        failing.setPgDump(fake);
        EXPECT_FALSE(failing.backup(parent.path()));
        EXPECT_EQ(p2.texts(), (QStringList{kQuestion, QStringLiteral("pg_dump: error: connection refused")}));
        EXPECT_EQ(QDir(parent.path()).entryList({QStringLiteral("学校OA数据备份-*")}, QDir::Files), QStringList());
        EXPECT_TRUE(dump(s) == before);
    }
}

TEST_P(BackupTest, SameMinuteReplacesTheEarlierFile)
{
    SchoolDatabase db(GetParam());
    Session& s = db.session();
    QTemporaryDir folder;
    // Stale files under this minute's and the next minute's names: whichever the backup takes, it replaces.
    const QDateTime now = s.serverNow();
    for (const QDateTime& t : {now, now.addSecs(60)}) {
        QFile stale(QDir(folder.path()).filePath(backupFileName(t)));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("old backup");
    }
    ScriptedPrompter p;
    p.answer(true);
    BackupService b(s, p);
    ASSERT_TRUE(b.backup(folder.path())) << p.texts().join(QLatin1Char('\n')).toStdString();
    QFile written(b.lastFile());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_GT(written.size(), 100);
    EXPECT_NE(written.readAll(), QByteArray("old backup"));
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
}

TEST_P(BackupTest, SchoolRowIsMadeWhenMissingAndOldLayoutsAreLeftAlone)
{
    QTemporaryDir folder;
    {
        // No schoolname row: one is made for the day rather than a row without a name.
        SchoolDatabase db(GetParam());
        Session& s = db.session();
        s.exec(QStringLiteral("delete from varset where name='schoolname'"));
        ScriptedPrompter p;
        p.answer(true);
        ASSERT_TRUE(BackupService(s, p).backup(folder.path()));
        EXPECT_FALSE(marker(s).isEmpty());
        EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from varset where name is null")).toInt(), 0);
        EXPECT_EQ(s.scalar(QStringLiteral("select count(*) from varset where name='schoolname'")).toInt(), 1);
    }
    {
        // Before the first upgrade there is no vname1 to record the day in: the backup still counts.
        TestDatabase db(GetParam());
        UpgradeEngine::createBaseTables(db.session());
        const auto before = dump(db.session());
        QTemporaryDir other;
        ScriptedPrompter p;
        p.answer(true);
        ASSERT_TRUE(BackupService(db.session(), p).backup(other.path())) << p.texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(p.texts(), (QStringList{kQuestion, kDone}));
        EXPECT_TRUE(dump(db.session()) == before);
    }
}

TEST_P(BackupTest, WindowBacksUpAndMovesToTheUpgradePage)
{
    SchoolDatabase db(GetParam());
    const ConnectionUrl u = db.url();
    QTemporaryDir folder;
    ScriptedPrompter p;
    TForm1 f(p);
    f.EditServerIP->setText(u.engine == Engine::SQLite ? QStringLiteral("sqlite:") + u.path : u.display());
    if (u.engine == Engine::PostgreSQL) {
        f.EditUser->setText(u.user);
        f.EditPassword->setText(u.password);
    }
    f.ButtonConnect->click();
    ASSERT_TRUE(f.ButtonBackup->isEnabled());
    p.clear();
    // Away from Windows the backup of these engines goes to a folder, the home folder unless chosen.
#ifndef Q_OS_WIN
    EXPECT_FALSE(f.usesDriveList());
    EXPECT_EQ(f.EditFolder->text(), QDir::toNativeSeparators(QDir::homePath()));
#endif
    p.answer(folder.path());
    f.ButtonFolder->click();
    EXPECT_EQ(f.EditFolder->text(), QDir::toNativeSeparators(folder.path()));

    // A folder that is not there: the message, page 2 stays.
    f.EditFolder->setText(folder.filePath(QStringLiteral("gone")));
    f.ButtonBackup->click();
    ASSERT_TRUE(waitIdle(f));
    EXPECT_EQ(f.PageControl1->currentIndex(), 1);
    EXPECT_TRUE(p.lastText().startsWith(QStringLiteral("备份文件夹不存在：")));

    f.EditFolder->setText(folder.path());
    p.clear();
    p.answer(true);
    f.ButtonBackup->click();
    ASSERT_TRUE(waitIdle(f));
    EXPECT_EQ(f.PageControl1->currentIndex(), 2);
    EXPECT_EQ(p.texts(), (QStringList{kQuestion, kDone}));
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("学校OA数据备份-*")}, QDir::Files).size(), 1);
    EXPECT_FALSE(marker(db.session()).isEmpty());
}

OA_INSTANTIATE_ENGINES(BackupTest);
