#include "common/sheets/SheetParts.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QTime>
#include <cmath>

namespace oa::sheets {

void SheetBuilder::set(int r, int c, const QString& text)
{
    if (text.isEmpty() || r < 0 || c < 0) return;
    if (sheet_.rows.size() <= r) sheet_.rows.resize(r + 1);
    QStringList& row = sheet_.rows[r];
    if (row.size() <= c) row.resize(c + 1);
    row[c] = text;
}

namespace msg {

QString fileName(const QString& path) { return QFileInfo(path).fileName(); }

namespace {
QString about(const QString& path, const char* pattern) { return QString::fromUtf8(pattern).arg(fileName(path)); }
const char* const kSaveAsXlsx = "请在 Excel 中打开它，另存为 Excel 工作簿（.xlsx）后再导入";
}  // namespace

QString notFound(const QString& path) { return about(path, "找不到文件“%1”"); }
QString cannotOpen(const QString& path)
{
    return about(path, "打不开文件“%1”：没有读取权限，或文件正被其他程序独占");
}
QString emptyFile(const QString& path) { return about(path, "文件“%1”是空的（0 字节），里面没有表格"); }
QString emptySheet(const QString& path) { return about(path, "文件“%1”是空的：第一个工作表中没有数据"); }
QString noWorksheet(const QString& path) { return about(path, "文件“%1”中没有工作表"); }
QString truncated(const QString& path)
{
    return about(path, "文件“%1”不完整（可能没有下载或复制完），不能读取");
}
QString corrupt(const QString& path, const QString& detail)
{
    const QString m = about(path, "文件“%1”已损坏，不能读取");
    return detail.isEmpty() ? m : m + QStringLiteral("（") + detail + QStringLiteral("）");
}
QString encrypted(const QString& path)
{
    return about(path, "文件“%1”设有打开密码（已加密），不能读取。请在 Excel 中打开它，取消密码后保存，再导入");
}
QString unknownFormat(const QString& path)
{
    return about(path, "文件“%1”不是能读取的表格文件。能读取的格式：Excel 工作簿（.xlsx、.xls）和 CSV 文本（.csv）");
}
QString tooOld(const QString& path)
{
    return about(path, "文件“%1”是 Excel 5.0 之前的旧格式，不能读取。") + QString::fromUtf8(kSaveAsXlsx);
}
QString openDocument(const QString& path)
{
    return about(path, "文件“%1”是 OpenDocument 表格（.ods），不能读取。") + QString::fromUtf8(kSaveAsXlsx);
}
QString binaryWorkbook(const QString& path)
{
    return about(path, "文件“%1”是 Excel 二进制工作簿（.xlsb），不能读取。") + QString::fromUtf8(kSaveAsXlsx);
}
QString webPage(const QString& path)
{
    return about(path, "文件“%1”是网页（HTML），不是真正的 Excel 表格，不能读取。") + QString::fromUtf8(kSaveAsXlsx);
}
QString xml2003(const QString& path)
{
    return about(path, "文件“%1”是 XML 表格（Excel 2003 XML），不能读取。") + QString::fromUtf8(kSaveAsXlsx);
}

}  // namespace msg

namespace text {

namespace {

QString trimFraction(QString s)
{
    if (!s.contains(QLatin1Char('.'))) return s;
    qsizetype end = s.size();
    while (end > 0 && s[end - 1] == QLatin1Char('0')) --end;
    if (end > 0 && s[end - 1] == QLatin1Char('.')) --end;
    s.truncate(end);
    return s;
}

QString scientific(double v)
{
    // General in a cell: six significant digits, "E+17" / "E-07".
    QString s = QString::number(v, 'e', 5);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    QString mantissa = trimFraction(s.left(e));
    QString exponent = s.mid(e + 1);
    const QChar sign = exponent.startsWith(QLatin1Char('-')) ? QLatin1Char('-') : QLatin1Char('+');
    if (exponent.startsWith(QLatin1Char('-')) || exponent.startsWith(QLatin1Char('+'))) exponent.remove(0, 1);
    while (exponent.size() > 2 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
    if (exponent.size() < 2) exponent.prepend(QLatin1Char('0'));
    return mantissa + QLatin1Char('E') + sign + exponent;
}

}  // namespace

QString general(double v)
{
    if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
    if (v == 0) return QStringLiteral("0");
    const double a = std::fabs(v);
    if (a < 1e15 && v == std::trunc(v)) return QString::number(qint64(v));
    if (a >= 1e15 || a < 1e-5) return scientific(v);
    const int digitsBeforePoint = int(std::floor(std::log10(a))) + 1;
    const int decimals = std::clamp(15 - digitsBeforePoint, 0, 20);
    QString s = trimFraction(QString::number(v, 'f', decimals));
    if (s == QLatin1String("-0")) s = QStringLiteral("0");
    return s;
}

bool isBuiltInDateFormat(int id)
{
    // 14-22 and 45-47 everywhere; 27-36 and 50-58 are the dates and times of Chinese (and other East Asian)
    // Excel, which workbooks written there use without defining them.
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
}

bool isDateFormatCode(QStringView code)
{
    // Only the first section (positive numbers) decides.
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t ch = code[i].unicode();
        switch (ch) {
        case u';':
            return false;
        case u'"': {
            const qsizetype close = code.indexOf(u'"', i + 1);
            if (close < 0) return false;
            i = close;
            break;
        }
        case u'[': {
            const qsizetype close = code.indexOf(u']', i + 1);
            if (close < 0) return false;
            // Elapsed time ([h], [mm], [ss]) is a time; colours, conditions and locales are not.
            const QStringView inside = code.mid(i + 1, close - i - 1);
            if (!inside.isEmpty()) {
                const QChar f = inside[0].toLower();
                bool same = true;
                for (QChar c : inside) same = same && c.toLower() == f;
                if (same && (f == u'h' || f == u'm' || f == u's')) return true;
            }
            i = close;
            break;
        }
        case u'\\':
        case u'_':
        case u'*':
            ++i;  // the next character is literal, padding or fill
            break;
        case u'y': case u'Y': case u'm': case u'M': case u'd': case u'D':
        case u'h': case u'H': case u's': case u'S':
            return true;
        default:
            break;
        }
    }
    return false;
}

namespace {

QString dateTimeText(const QDate& date, int secondsOfDay, bool timeOnly, const QString& fmt)
{
    const QString time = QTime(0, 0).addSecs(secondsOfDay).toString(QStringLiteral("hh:mm:ss"));
    if (timeOnly) return time;
    const QString d = date.toString(fmt);
    return secondsOfDay == 0 ? d : d + QLatin1Char(' ') + time;
}

}  // namespace

QString serialDate(double serial, bool date1904, const QString& fmt)
{
    // Beyond 9999-12-31 (or negative) Excel shows "####"; the number is more useful.
    const double last = date1904 ? 2957003.0 : 2958465.0;
    if (!(serial >= 0) || serial >= last + 1) return general(serial);
    const qint64 secs = qint64(std::llround(serial * 86400.0));
    const qint64 days = secs / 86400;
    const int sod = int(secs % 86400);
    if (date1904) return dateTimeText(QDate(1904, 1, 1).addDays(days), sod, false, fmt);
    if (days == 0) return dateTimeText(QDate(), sod, true, fmt);
    // Excel counts 1900-02-29, which never was: serials from 61 on are days since 1899-12-30, the ones
    // before since 1899-12-31 (60, the phantom day, shows as 1900-02-28).
    QDate date = days >= 61 ? QDate(1899, 12, 30).addDays(days)
                 : days == 60 ? QDate(1900, 2, 28)
                              : QDate(1899, 12, 31).addDays(days);
    return dateTimeText(date, sod, false, fmt);
}

QString isoDate(QStringView iso, const QString& fmt)
{
    const QString s = iso.trimmed().toString();
    QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(s, Qt::ISODate);
        if (!d.isValid()) {
            const QTime t = QTime::fromString(s, Qt::ISODateWithMs);
            return t.isValid() ? t.toString(QStringLiteral("hh:mm:ss")) : QString();
        }
        dt = QDateTime(d, QTime(0, 0));
    }
    const QTime t = dt.time();
    const int sod = t.hour() * 3600 + t.minute() * 60 + t.second() + (t.msec() >= 500 ? 1 : 0);
    if (sod >= 86400) return dateTimeText(dt.date().addDays(1), 0, false, fmt);
    return dateTimeText(dt.date(), sod, false, fmt);
}

QString errorText(int code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/A");
    case 0x2B: return QStringLiteral("#GETTING_DATA");
    default: return QStringLiteral("#N/A");
    }
}

}  // namespace text

}  // namespace oa::sheets
