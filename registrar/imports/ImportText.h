#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace oa {

// How imported cell text becomes values. One place, so the check and the save always agree.
namespace ImportText {

// Empty text that binds as '' rather than NULL (a default-constructed QString binds as NULL).
QString nonNull(const QString& s);

// An integer as the desktop converts one (StrToInt): optional sign and digits after trimming, within int range.
std::optional<int> toInteger(const QString& text);

// A score as the database converts text to float: blanks around are ignored; digits with an optional sign,
// decimal point and exponent. Empty (or blank) text is "no score"; anything else that is not a number fails.
struct Score {
    bool ok = true;          // false: not a number
    std::optional<double> value;  // empty: no score (NULL)
};
Score toScore(const QString& text);

// The desktop's short date and date-time formats (those of a Chinese Windows desktop).
QString shortDateFormat();      // yyyy-M-d
QString dateTimeFormat();       // yyyy-M-d H:mm:ss
// A date typed or read in the desktop's short date format ("2013-5-12"; "2013/5/12" is accepted too).
std::optional<QDate> toShortDate(const QString& text);
QString dateTimeText(const QDateTime& t);

// The import batch name every row of one save carries: "文件:" + file name without folder + local date-time.
QString batchName(const QString& path, const QDateTime& localNow);

}  // namespace ImportText
}  // namespace oa
