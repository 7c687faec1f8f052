#pragma once
// Pieces shared by the readers of each format; not part of the interface the programs use.
#include "common/sheets/Sheet.h"

#include <QByteArray>

namespace oa::sheets {

// Collects cell text. Only non-empty text extends the sheet, so styled but empty cells at the end of a row
// or below the data do not count as data.
class SheetBuilder {
public:
    void set(int r, int c, const QString& text);
    bool isEmpty() const { return sheet_.rows.isEmpty(); }
    Sheet take() { return std::move(sheet_); }

private:
    Sheet sheet_;
};

// The user-facing reasons a file cannot be read; each names the file.
namespace msg {
QString fileName(const QString& path);
QString notFound(const QString& path);
QString cannotOpen(const QString& path);
QString emptyFile(const QString& path);
QString emptySheet(const QString& path);
QString noWorksheet(const QString& path);
QString truncated(const QString& path);
QString corrupt(const QString& path, const QString& detail = QString());
QString encrypted(const QString& path);
QString unknownFormat(const QString& path);
QString tooOld(const QString& path);
QString openDocument(const QString& path);
QString binaryWorkbook(const QString& path);
QString webPage(const QString& path);
QString xml2003(const QString& path);
}  // namespace msg

// Cell values to the text Excel shows for them.
namespace text {
// A number in the General format: integers in full below 1e15, otherwise up to 15 significant digits,
// scientific notation ("4.40101E+17") where General would switch to it.
QString general(double v);
// Whether a number format shows a date or time: built-in ids, or a format code with date/time letters
// outside quoted text and brackets.
bool isBuiltInDateFormat(int id);
bool isDateFormatCode(QStringView code);
// A serial date as the short date, plus " hh:mm:ss" when it has a time of day; a serial below one day
// (1900 system) is a time alone. Out-of-range serials are shown as numbers.
QString serialDate(double serial, bool date1904, const QString& shortDateFormat);
// An ISO 8601 date or date-time (cells of type "d") the same way; empty when it does not parse.
QString isoDate(QStringView iso, const QString& shortDateFormat);
// Excel's error codes, as they appear in a cell.
QString errorText(int code);
}  // namespace text

// The readers behind SheetReader::read. Each throws SheetError.
Sheet readXlsx(const QString& path, const QByteArray& bytes, const QString& shortDateFormat);
Sheet readXls(const QString& path, const QByteArray& bytes, const QString& shortDateFormat);
Sheet readCsv(const QString& path, const QByteArray& bytes);

}  // namespace oa::sheets
