#pragma once
#include "common/db/Session.h"
#include "common/ui/Prompter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace oa {

inline constexpr const char* kBackupQuestion = "开始备份   备份需要一段时间！请暂停操作电脑，直到弹出完成提醒！ ";
inline constexpr const char* kBackupDoneCaption = "成功提示";
inline constexpr const char* kBackupDone = "数据库备份成功！已经保存到你的数据服务器，请注意异地保存数据！。";
inline constexpr const char* kBackupPrefix = "学校OA数据备份-";
inline constexpr const char* kDefaultBackupDrive = "d:";

// The drives a backup may go to, "a:" … "i:".
QStringList backupDrives();
bool isBackupDrive(const QString& text);

// Year, two-digit month and day, then hour, minute and month without leading zeros: 09:07 on 12 May 2010
// gives "20100512975". Two backups in one minute share the name, and the later replaces the earlier.
QString backupStamp(const QDateTime& serverTime);
QString backupFileName(const QDateTime& serverTime);       // "学校OA数据备份-" + stamp, no extension
// Days since 30 December 1899, rounded to the nearest day (a tie to the even day), as Registrar reads it.
qint64 backupDayNumber(const QDateTime& serverTime);
// SQL Server writes the file on its own disk. The path cannot be a parameter of BACKUP, so only a drive of
// the fixed list is accepted; anything else gives no statement.
std::optional<QString> sqlServerBackupStatement(const QString& drive, const QDateTime& serverTime);

// Backs the connected database up and records the day in varset (schoolname, vname1).
//  SQL Server: BACKUP DATABASE … with init on the server's drive.
//  SQLite:     a consistent copy of the file (VACUUM INTO) into a folder of this computer.
//  PostgreSQL: pg_dump (custom format, for pg_restore) into a folder of this computer.
class BackupService {
public:
    // password: what the connection was opened with, for pg_dump when the URL carries none.
    BackupService(Session& s, Prompter& p, QString password = QString());

    // The pg_dump program to run (a path); by default the one on the PATH.
    void setPgDump(const QString& program) { pgDump_ = program; }

    // destination: a drive of the list for SQL Server; a folder (or a drive of the list, meaning its root)
    // for the others. Asks first; true when the backup was made and the day recorded. Every failure is shown
    // and leaves the database as it was.
    bool backup(const QString& destination);

    QString lastFile() const { return lastFile_; }   // where the last backup went

private:
    bool copySqlite(const QString& target);
    bool dumpPostgres(const QString& target);
    void writeMarker(const QDateTime& serverTime);

    Session& s_;
    Prompter& p_;
    QString password_;
    QString pgDump_;
    QString lastFile_;
};

}  // namespace oa
