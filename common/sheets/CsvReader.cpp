// Comma-separated text as Excel writes it: UTF-8 (with or without BOM), the Chinese ANSI code page (GBK) or
// UTF-16 with a BOM ("Unicode text", tab-separated); fields quoted the RFC 4180 way.
#include "common/sheets/SheetParts.h"

#include <QStringDecoder>
#include <optional>

namespace oa::sheets {

namespace {

QString decode(const QString& path, const QByteArray& bytes)
{
    const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        QStringDecoder d(*bom);
        const QString s = d.decode(bytes);
        if (d.hasError()) throw SheetError(msg::unknownFormat(path));
        return s;
    }
    QStringDecoder utf8(QStringConverter::Utf8);  // drops a leading BOM
    QString s = utf8.decode(bytes);
    if (!utf8.hasError()) return s;
    // Not UTF-8: the ANSI code page of a Chinese Windows. GB18030 reads everything GBK wrote.
    QStringDecoder gbk("GB18030");
    if (!gbk.isValid()) gbk = QStringDecoder("GBK");
    s = gbk.decode(bytes);
    if (!gbk.isValid() || gbk.hasError()) throw SheetError(msg::unknownFormat(path));
    return s;
}

// Text files only: control characters other than tab, line ends, form feed and a DOS end-of-file mark mean
// some binary format this reader does not know.
bool isPlainText(const QString& s)
{
    for (QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f' && c != 0x1A) return false;
        if (c == 0xFFFD) return false;
    }
    return true;
}

}  // namespace

Sheet readCsv(const QString& path, const QByteArray& bytes)
{
    const QString s = decode(path, bytes);
    if (!isPlainText(s)) throw SheetError(msg::unknownFormat(path));

    // Web pages and XML spreadsheets are often saved under a .xls name.
    const QString head = s.left(4096).trimmed().toLower();
    if (head.startsWith(QLatin1Char('<'))) {
        if (head.contains(QLatin1String("urn:schemas-microsoft-com:office:spreadsheet"))
            || head.contains(QLatin1String("progid=\"excel.sheet\"")))
            throw SheetError(msg::xml2003(path));
        if (head.contains(QLatin1String("<html")) || head.contains(QLatin1String("<table"))
            || head.startsWith(QLatin1String("<!doctype html")))
            throw SheetError(msg::webPage(path));
        if (head.startsWith(QLatin1String("<?xml"))) throw SheetError(msg::unknownFormat(path));
    }

    // Comma-separated; a first line with tabs and no comma is tab-separated ("Unicode text" and many
    // exports named .xls).
    const qsizetype firstEnd = s.indexOf(QLatin1Char('\n'));
    const QStringView firstLine = QStringView(s).left(firstEnd < 0 ? s.size() : firstEnd);
    const QChar sep = firstLine.contains(u'\t') && !firstLine.contains(u',') ? QLatin1Char('\t') : QLatin1Char(',');

    SheetBuilder cells;
    int row = 0, col = 0;
    QString field;
    bool quoted = false, wasQuoted = false;
    qsizetype n = s.size();
    if (n > 0 && s[n - 1] == QChar(0x1A)) --n;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = s[i];
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < n && s[i + 1] == QLatin1Char('"')) {
                    field += ch;
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (ch == QLatin1Char('\r') && i + 1 < n && s[i + 1] == QLatin1Char('\n')) {
                // A line break inside a cell is a bare line feed in Excel.
            } else {
                field += ch;
            }
        } else if (ch == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (ch == sep) {
            cells.set(row, col++, field);
            field.clear();
            wasQuoted = false;
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            cells.set(row++, col, field);
            field.clear();
            wasQuoted = false;
            col = 0;
            if (ch == QLatin1Char('\r') && i + 1 < n && s[i + 1] == QLatin1Char('\n')) ++i;
        } else {
            field += ch;
        }
    }
    cells.set(row, col, field);
    if (cells.isEmpty()) throw SheetError(msg::emptySheet(path));
    return cells.take();
}

}  // namespace oa::sheets
