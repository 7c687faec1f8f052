#include "BackupService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QStandardPaths>

namespace oa {

namespace {
const char* const kPgDumpMissing =
    "没有找到 pg_dump，不能备份 PostgreSQL 数据库。请先安装 PostgreSQL 客户端程序（例如 postgresql-client），再重新备份。";

QString partName(const QString& target) { return target + QStringLiteral(".part"); }

// Puts a finished copy in place: the old file of the same name goes only once the new one is complete.
bool replaceWith(const QString& part, const QString& target, QString* error)
{
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        *error = QStringLiteral("不能覆盖备份文件：") + QDir::toNativeSeparators(target);
        return false;
    }
    if (!QFile::rename(part, target)) {
        *error = QStringLiteral("不能写入备份文件：") + QDir::toNativeSeparators(target);
        return false;
    }
    return true;
}
}  // namespace

QStringList backupDrives()
{
    QStringList out;
    for (char c = 'a'; c <= 'i'; ++c) out << QStringLiteral("%1:").arg(QLatin1Char(c));
    return out;
}

bool isBackupDrive(const QString& text) { return backupDrives().contains(text, Qt::CaseInsensitive); }

QString backupStamp(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime h = t.time();
    return d.toString(QStringLiteral("yyyyMMdd")) + QString::number(h.hour()) + QString::number(h.minute())
        + QString::number(d.month());
}

QString backupFileName(const QDateTime& t) { return QString::fromUtf8(kBackupPrefix) + backupStamp(t); }

qint64 backupDayNumber(const QDateTime& t)
{
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    const qint64 day = t.date().toJulianDay() - epoch;
    const int ms = t.time().isValid() ? t.time().msecsSinceStartOfDay() : 0;
    constexpr int noon = 12 * 3600 * 1000;
    if (ms > noon) return day + 1;
    if (ms < noon) return day;
    return day % 2 == 0 ? day : day + 1;
}

std::optional<QString> sqlServerBackupStatement(const QString& drive, const QDateTime& serverTime)
{
    if (!isBackupDrive(drive)) return std::nullopt;
    // The drive is one of nine fixed texts and the name only digits: nothing typed reaches the statement.
    return QStringLiteral("BACKUP DATABASE [VEzevOZ] TO DISK ='") + drive.toLower() + QLatin1Char('\\')
        + backupFileName(serverTime) + QStringLiteral("' with init");
}

BackupService::BackupService(Session& s, Prompter& p, QString password)
    : s_(s), p_(p), password_(std::move(password)), pgDump_(QStandardPaths::findExecutable(QStringLiteral("pg_dump")))
{
}

bool BackupService::backup(const QString& destination)
{
    lastFile_.clear();
    QString folder;
    if (s_.engine() == Engine::SqlServer) {
        if (!isBackupDrive(destination)) {
            p_.error(QStringLiteral("备份盘号错误：") + destination + QStringLiteral("（只能是 a: 到 i:）"));
            return false;
        }
    } else {
        // A drive of the list means its root (Windows); otherwise a folder of this computer.
        folder = isBackupDrive(destination) ? destination + QLatin1Char('/') : destination;
        if (folder.trimmed().isEmpty() || !QFileInfo(folder).isDir()) {
            p_.error(QStringLiteral("备份文件夹不存在：") + QDir::toNativeSeparators(folder));
            return false;
        }
        if (s_.engine() == Engine::PostgreSQL && (pgDump_.isEmpty() || !QFileInfo(pgDump_).isExecutable())) {
            p_.error(QString::fromUtf8(kPgDumpMissing));
            return false;
        }
    }
    if (!p_.question(QString(), QString::fromUtf8(kBackupQuestion))) return false;

    try {
        const QDateTime now = toDateTime(s_.scalar(QStringLiteral("select getdate() as  serverdate")));
        switch (s_.engine()) {
        case Engine::SqlServer:
            s_.execRaw(*sqlServerBackupStatement(destination, now));
            lastFile_ = destination.toLower() + QLatin1Char('\\') + backupFileName(now);
            break;
        case Engine::SQLite:
            if (!copySqlite(QDir(folder).filePath(backupFileName(now)))) return false;
            break;
        case Engine::PostgreSQL:
            if (!dumpPostgres(QDir(folder).filePath(backupFileName(now)))) return false;
            break;
        }
        p_.message(QString::fromUtf8(kBackupDoneCaption), QString::fromUtf8(kBackupDone), Prompter::Icon::Warning);
        writeMarker(now);
    } catch (const DbError& e) {
        p_.error(e.message());
        return false;
    }
    return true;
}

bool BackupService::copySqlite(const QString& target)
{
    // VACUUM INTO writes a consistent copy while others may go on using the database; it refuses an
    // existing file, so it writes beside the target and the copy replaces an older one only when complete.
    const QString part = partName(target);
    QFile::remove(part);
    try {
        s_.exec(QStringLiteral("VACUUM INTO :file"), {{QStringLiteral("file"), part}});
    } catch (const DbError&) {
        QFile::remove(part);
        throw;
    }
    QString error;
    if (!replaceWith(part, target, &error)) {
        QFile::remove(part);
        p_.error(error);
        return false;
    }
    lastFile_ = target;
    return true;
}

bool BackupService::dumpPostgres(const QString& target)
{
    const ConnectionUrl& u = s_.url();
    const QString part = partName(target);
    QStringList args{QStringLiteral("--format=custom"), QStringLiteral("--no-password"),
                     QStringLiteral("--file=") + part, QStringLiteral("--host=") + u.host,
                     QStringLiteral("--username=") + (u.user.isEmpty() ? QString::fromLatin1(kDatabaseLogin) : u.user),
                     QStringLiteral("--dbname=") + (u.database.isEmpty() ? QString::fromLatin1(kDatabaseCatalogue) : u.database)};
    if (u.port) args << QStringLiteral("--port=%1").arg(u.port);
    if (!u.schema.isEmpty()) args << QStringLiteral("--schema=") + u.schema;

    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), u.hasPassword ? u.password : password_);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("15"));
    proc.setProcessEnvironment(env);
    QFile::remove(part);
    proc.start(pgDump_, args);
    if (!proc.waitForStarted()) {
        p_.error(QString::fromUtf8(kPgDumpMissing));
        return false;
    }
    // A large database takes as long as it takes.
    proc.waitForFinished(-1);
    if (proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) {
        QFile::remove(part);
        QString why = QString::fromLocal8Bit(proc.readAllStandardError()).trimmed();
        if (why.isEmpty()) why = QStringLiteral("pg_dump 退出代码 %1").arg(proc.exitCode());
        p_.error(why);
        return false;
    }
    QString error;
    if (!replaceWith(part, target, &error)) {
        QFile::remove(part);
        p_.error(error);
        return false;
    }
    lastFile_ = target;
    return true;
}

void BackupService::writeMarker(const QDateTime& serverTime)
{
    // Before the first upgrade varset has no vname1 column: the backup stands, there is just nowhere to
    // record it yet.
    bool hasColumn = false;
    for (const QString& c : s_.columns(QStringLiteral("varset")))
        hasColumn = hasColumn || c.compare(QLatin1String("vname1"), Qt::CaseInsensitive) == 0;
    if (!hasColumn) return;

    const QString marker = QString::number(backupDayNumber(serverTime));
    const Params name{{QStringLiteral("name"), QStringLiteral("schoolname")}};
    const auto rows = s_.rows(QStringLiteral("select * from varset where name=:name order by vid"), name);
    if (rows.isEmpty()) {
        // No school row yet: make it, rather than a row without a name.
        s_.exec(QStringLiteral("insert into varset(name, vid, vname, vname1) values(:name, 1, :vname, :vname1)"),
                {{QStringLiteral("name"), QStringLiteral("schoolname")}, {QStringLiteral("vname"), QString::fromLatin1("", 0)},
                 {QStringLiteral("vname1"), marker}});
        return;
    }
    const QVariant vid = rows.first().value(QStringLiteral("vid"));
    if (vid.isNull())
        s_.exec(QStringLiteral("update varset set vname1=:vname1 where name=:name and vid is null"),
                {{QStringLiteral("vname1"), marker}, {QStringLiteral("name"), QStringLiteral("schoolname")}});
    else
        s_.exec(QStringLiteral("update varset set vname1=:vname1 where name=:name and vid=:vid"),
                {{QStringLiteral("vname1"), marker}, {QStringLiteral("name"), QStringLiteral("schoolname")},
                 {QStringLiteral("vid"), vid}});
}

}  // namespace oa
