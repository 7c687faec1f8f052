#pragma once
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

namespace oa {

class Session;

// The 30-day backup reminder. Backups store their day as a day number counted from 30 December 1899 (the
// count the school's other tools use) in varset "schoolname" vname1.
namespace BackupReminder {

// The whole day number of a date-time: the nearest day, a time of exactly noon going to the even day.
qint64 roundedDayNumber(const QDateTime& t);
// The last-backup day as stored: empty or longer than six characters counts as day 0; a short text that is
// not a whole number gives nullopt, which skips the check.
std::optional<qint64> lastBackupDay(const QString& vname1);
// More than thirty days between the last backup and now.
bool overdue(qint64 today, qint64 lastBackup);

}  // namespace BackupReminder

// What the main window shows after login: the school name and whether to remind of the backup.
struct StartupInfo {
    bool schoolNameRead = false;
    QString schoolName;
    bool showReminder = false;
};

// Reads the school name, the last backup day, the server clock and whether the database was ever initialised.
// Any error ends the reading quietly with what was found so far. mayBackup: the member holds "系统参数".
// serverClock reads the server's date-time (tests give a fixed one).
StartupInfo readStartupInfo(Session& s, bool mayBackup,
                            const std::function<QDateTime(Session&)>& serverClock = {});

}  // namespace oa
