#include "shell_support.h"

#include "registrar/shell/BackupReminder.h"

#include <QSqlDatabase>

using namespace oa;
using namespace oa::shelltest;
using oa::test::SchoolDatabase;

namespace {

QDateTime at(int y, int m, int d, int h, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

TEST(BackupReminderDays, DayNumbersCountFrom30December1899AndRoundTiesToEven)
{
    struct Case {
        QDateTime t;
        qint64 day;
    };
    const Case cases[] = {
        {at(1899, 12, 30, 0), 0},
        {at(1899, 12, 31, 0), 1},
        {at(1900, 1, 1, 0), 2},
        {at(2026, 12, 10, 0), 46366},
        {at(2026, 12, 10, 11, 59, 59), 46366},
        {at(2026, 12, 10, 12, 0, 1), 46367},      // after noon: the next day
        {at(2026, 12, 10, 12, 0, 0), 46366},      // a tie goes to the even day
        {at(2026, 12, 11, 12, 0, 0), 46368},      // 46367.5 -> 46368
        {at(2026, 12, 11, 23, 59, 59), 46368},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BackupReminder::roundedDayNumber(c.t), c.day) << c.t.toString(Qt::ISODate).toStdString();
}

TEST(BackupReminderDays, StoredDayIsReadAsTheCheckAlwaysDid)
{
    struct Case {
        QString stored;
        std::optional<qint64> day;
    };
    const Case cases[] = {
        {QString(), 0},
        {QStringLiteral("46326"), 46326},
        {QStringLiteral("123456"), 123456},
        {QStringLiteral("1234567"), 0},            // longer than six characters: day 0
        {QStringLiteral("二〇二六年十二月"), 0},
        {QStringLiteral(" 46326"), 46326},
        {QStringLiteral("abc"), std::nullopt},    // short and not a number: the check is skipped
        {QStringLiteral("12a"), std::nullopt},
        {QStringLiteral("备份"), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(BackupReminder::lastBackupDay(c.stored), c.day) << c.stored.toStdString();
}

TEST(BackupReminderDays, MoreThanThirtyDaysIsOverdue)
{
    EXPECT_TRUE(BackupReminder::overdue(46366, 46335));    // 31 days
    EXPECT_FALSE(BackupReminder::overdue(46366, 46336));   // 30 days
    EXPECT_FALSE(BackupReminder::overdue(46366, 46366));
    EXPECT_TRUE(BackupReminder::overdue(46366, 0));
}

class StartupInfoTest : public oa::test::EngineTest {
protected:
    void SetUp() override
    {
        db = std::make_unique<SchoolDatabase>(GetParam());
        clearVar(s(), QStringLiteral("schoolname"));
        clearVar(s(), QStringLiteral("subjectid"));
    }
    Session& s() { return db->session(); }
    StartupInfo read(const QDateTime& now, bool mayBackup = true)
    {
        return readStartupInfo(s(), mayBackup, [now](Session&) { return now; });
    }
    std::unique_ptr<SchoolDatabase> db;
};

TEST_P(StartupInfoTest, ReminderCases)
{
    const QDateTime morning = at(2026, 12, 10, 9);     // day 46366
    const QDateTime afternoon = at(2026, 12, 10, 15);  // rounds to 46367
    struct Case {
        const char* what;
        QVariant stamp;          // schoolname vname1
        QDateTime now;
        bool mayBackup;
        QVariant subjectNote;    // subjectid shuoming; invalid: no row
        bool shown;
    };
    const Case cases[] = {
        {"31 days", QStringLiteral("46335"), morning, true, QVariant(), true},
        {"30 days", QStringLiteral("46336"), morning, true, QVariant(), false},
        {"30 days before noon, 31 after", QStringLiteral("46336"), afternoon, true, QVariant(), true},
        {"no permission", QStringLiteral("40000"), morning, false, QVariant(), false},
        {"empty stamp is day 0", QStringLiteral(""), morning, true, QVariant(), true},
        {"NULL stamp is day 0", QVariant(), morning, true, QVariant(), true},
        {"long stamp is day 0", QStringLiteral("2026-12-01"), morning, true, QVariant(), true},
        {"short text skips", QStringLiteral("从未"), morning, true, QVariant(), false},
        {"never initialised", QStringLiteral("40000"), morning, true, QStringLiteral("备课文件的ID"), false},
        {"initialised", QStringLiteral("40000"), morning, true, QStringLiteral("备课文件ID"), true},
    };
    for (const Case& c : cases) {
        clearVar(s(), QStringLiteral("schoolname"));
        clearVar(s(), QStringLiteral("subjectid"));
        setVar(s(), QStringLiteral("schoolname"), 1, QStringLiteral("第一中学"), c.stamp);
        if (c.subjectNote.isValid())
            setVar(s(), QStringLiteral("subjectid"), 1, QStringLiteral("subjectid"), QVariant(), c.subjectNote);
        const StartupInfo info = read(c.now, c.mayBackup);
        EXPECT_EQ(info.showReminder, c.shown) << c.what;
        EXPECT_TRUE(info.schoolNameRead) << c.what;
        EXPECT_EQ(info.schoolName, QStringLiteral("第一中学")) << c.what;
    }
}

TEST_P(StartupInfoTest, MissingSchoolRowReadsAsEmptyAndDayZero)
{
    const StartupInfo info = read(at(2026, 12, 10, 9));
    EXPECT_TRUE(info.schoolNameRead);
    EXPECT_EQ(info.schoolName, QString());
    EXPECT_TRUE(info.showReminder);
}

TEST_P(StartupInfoTest, UsesTheServerClockByDefault)
{
    const qint64 today = BackupReminder::roundedDayNumber(s().serverNow());
    setVar(s(), QStringLiteral("schoolname"), 1, QStringLiteral("第一中学"), QString::number(today - 40));
    EXPECT_TRUE(readStartupInfo(s(), true).showReminder);
    clearVar(s(), QStringLiteral("schoolname"));
    setVar(s(), QStringLiteral("schoolname"), 1, QStringLiteral("第一中学"), QString::number(today - 2));
    EXPECT_FALSE(readStartupInfo(s(), true).showReminder);
}

TEST_P(StartupInfoTest, ADatabaseErrorEndsTheReadingQuietly)
{
    setVar(s(), QStringLiteral("schoolname"), 1, QStringLiteral("第一中学"), QStringLiteral("1"));
    // The clock fails after the school name was read: the name stays, no reminder.
    const StartupInfo info = readStartupInfo(s(), true, [](Session&) -> QDateTime { throw DbError(QStringLiteral("lost")); });
    EXPECT_EQ(info.schoolName, QStringLiteral("第一中学"));
    EXPECT_FALSE(info.showReminder);

    QSqlDatabase handle = s().database();
    handle.close();
    const StartupInfo none = read(at(2026, 12, 10, 9));
    EXPECT_FALSE(none.schoolNameRead);
    EXPECT_FALSE(none.showReminder);
    handle.open();   // so the test database can be dropped
}

}  // namespace

OA_INSTANTIATE_ENGINES(StartupInfoTest);
