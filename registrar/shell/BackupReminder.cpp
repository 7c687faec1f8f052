#include "registrar/shell/BackupReminder.h"

#include "common/db/Session.h"

#include <QRegularExpression>

namespace oa {

namespace BackupReminder {

qint64 roundedDayNumber(const QDateTime& t)
{
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    const qint64 day = t.date().toJulianDay() - epoch;
    const int ms = t.time().isValid() ? t.time().msecsSinceStartOfDay() : 0;
    constexpr int noon = 12 * 3600 * 1000;
    if (ms > noon) return day + 1;
    if (ms < noon) return day;
    return day % 2 == 0 ? day : day + 1;
}

std::optional<qint64> lastBackupDay(const QString& vname1)
{
    if (vname1.isEmpty() || vname1.size() > 6) return 0;
    // Leading blanks and a sign are accepted, as the stored day has always been read.
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?[0-9]+$"));
    if (!number.match(vname1).hasMatch()) return std::nullopt;
    return vname1.trimmed().toLongLong();
}

bool overdue(qint64 today, qint64 lastBackup) { return today - lastBackup > 30; }

}  // namespace BackupReminder

StartupInfo readStartupInfo(Session& s, bool mayBackup, const std::function<QDateTime(Session&)>& serverClock)
{
    StartupInfo info;
    try {
        const auto school = s.rows(QStringLiteral("select * from varset where name=:name order by vid"),
                                   {{QStringLiteral("name"), QStringLiteral("schoolname")}});
        // A missing row reads as empty text: no school name, and day 0 as the last backup.
        QString stamp;
        if (!school.isEmpty()) {
            info.schoolName = fieldText(school.first().value(QStringLiteral("vname")));
            stamp = fieldText(school.first().value(QStringLiteral("vname1")));
        }
        info.schoolNameRead = true;
        const auto last = BackupReminder::lastBackupDay(stamp);
        if (!last) return info;

        const QDateTime now = serverClock ? serverClock(s)
                                          : toDateTime(s.scalar(QStringLiteral("select getdate() as  serverdate")));
        if (!now.isValid()) return info;
        if (BackupReminder::overdue(BackupReminder::roundedDayNumber(now), *last) && mayBackup)
            info.showReminder = true;

        const auto subject = s.rows(QStringLiteral("select * from varset where name=:name order by vid"),
                                    {{QStringLiteral("name"), QStringLiteral("subjectid")}});
        if (!subject.isEmpty()
            && fieldText(subject.first().value(QStringLiteral("shuoming"))) == QStringLiteral("备课文件的ID"))
            info.showReminder = false;
    } catch (const DbError&) {
    }
    return info;
}

}  // namespace oa
