// Legacy .xls workbooks: the BIFF8 (Excel 97-2003) and BIFF5/7 (Excel 5.0/95) record streams inside an OLE
// compound file. Read with our own small reader rather than FreeXL, which leaves formula cells empty: the
// cached result of every formula is in the FORMULA record (and a STRING record after it for text).
#include "common/sheets/CompoundFile.h"
#include "common/sheets/SheetParts.h"

#include <QByteArrayView>
#include <QHash>
#include <QStringDecoder>
#include <QtEndian>
#include <cstring>
#include <optional>

namespace oa::sheets {

namespace {

enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }
double f64(const char* p)
{
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

double rkValue(quint32 rk)
{
    double d;
    if (rk & 0x02) {
        d = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, sizeof d);
    }
    return (rk & 0x01) ? d / 100.0 : d;
}

struct BadData {};  // a record longer than the stream, or contents longer than their record

// One record with the CONTINUE records that follow it; strings may run from one into the next.
struct Record {
    quint16 type = 0;
    qint64 offset = 0;
    std::vector<QByteArrayView> parts;
    QByteArrayView data() const { return parts.front(); }
};

class RecordStream {
public:
    explicit RecordStream(const QByteArray& s) : s_(s) {}
    void seek(qint64 pos) { pos_ = pos; }
    // False at the end of the stream; throws BadData for a record cut short.
    bool next(Record& r)
    {
        if (pos_ + 4 > s_.size()) return false;
        r.type = u16(s_.constData() + pos_);
        r.offset = pos_;
        r.parts.clear();
        r.parts.push_back(take());
        while (pos_ + 4 <= s_.size() && u16(s_.constData() + pos_) == kContinue) r.parts.push_back(take());
        return true;
    }

private:
    QByteArrayView take()
    {
        const int len = u16(s_.constData() + pos_ + 2);
        if (pos_ + 4 + len > s_.size()) throw BadData{};
        QByteArrayView v(s_.constData() + pos_ + 4, len);
        pos_ += 4 + len;
        return v;
    }
    const QByteArray& s_;
    qint64 pos_ = 0;
};

// Reads across record boundaries: plain bytes flow on; character data restarts with a fresh flags byte.
class PartReader {
public:
    explicit PartReader(const std::vector<QByteArrayView>& parts, qsizetype start = 0) : parts_(parts), pos_(start) {}

    bool atEnd()
    {
        while (part_ < parts_.size() && pos_ >= parts_[part_].size()) next();
        return part_ >= parts_.size();
    }
    quint8 u8()
    {
        if (atEnd()) throw BadData{};
        return quint8(parts_[part_][pos_++]);
    }
    quint16 u16() { const quint16 lo = u8(); return quint16(lo | (u8() << 8)); }
    quint32 u32() { const quint32 lo = u16(); return lo | (quint32(u16()) << 16); }
    void skip(qint64 n)
    {
        while (n > 0) {
            if (atEnd()) throw BadData{};
            const qint64 step = std::min<qint64>(n, parts_[part_].size() - pos_);
            pos_ += step;
            n -= step;
        }
    }
    QByteArray bytes(qint64 n)
    {
        QByteArray out;
        while (n > 0) {
            if (atEnd()) throw BadData{};
            const qint64 step = std::min<qint64>(n, parts_[part_].size() - pos_);
            out.append(parts_[part_].data() + pos_, step);
            pos_ += step;
            n -= step;
        }
        return out;
    }
    // BIFF8 characters: 16-bit, or "compressed" to their low bytes when the high bytes are all zero.
    QString chars(int count, bool wide)
    {
        QString out;
        out.reserve(count);
        while (count > 0) {
            if (part_ >= parts_.size()) throw BadData{};
            if (pos_ >= parts_[part_].size()) {
                next();
                if (part_ >= parts_.size() || parts_[part_].isEmpty()) throw BadData{};
                wide = parts_[part_][0] & 0x01;
                pos_ = 1;
                continue;
            }
            const char* p = parts_[part_].data() + pos_;
            const qsizetype left = parts_[part_].size() - pos_;
            if (wide) {
                const int n = int(std::min<qsizetype>(left / 2, count));
                if (n == 0) throw BadData{};
                for (int i = 0; i < n; ++i) out.append(QChar(::oa::sheets::u16(p + 2 * i)));
                pos_ += 2 * n;
                count -= n;
            } else {
                const int n = int(std::min<qsizetype>(left, count));
                out.append(QString::fromLatin1(p, n));
                pos_ += n;
                count -= n;
            }
        }
        return out;
    }
    // XLUnicodeString (16-bit count) or ShortXLUnicodeString (8-bit count), rich-text runs and phonetic
    // data skipped.
    QString unicodeString(bool longCount)
    {
        const int count = longCount ? u16() : u8();
        const quint8 flags = u8();
        const int runs = (flags & 0x08) ? u16() : 0;
        const quint32 ext = (flags & 0x04) ? u32() : 0;
        QString s = chars(count, flags & 0x01);
        skip(qint64(runs) * 4);
        skip(ext);
        return s;
    }

private:
    void next() { ++part_; pos_ = 0; }
    const std::vector<QByteArrayView>& parts_;
    size_t part_ = 0;
    qsizetype pos_ = 0;
};

QByteArray codecName(int codePage)
{
    switch (codePage) {
    case 936: return "GBK";
    case 950: return "Big5";
    case 932: return "Shift_JIS";
    case 949: return "EUC-KR";
    case 367: return "US-ASCII";
    case 10000: return "macintosh";
    case 0x8000: return "macintosh";
    case 0x8001: return "windows-1252";
    default:
        if (codePage >= 874 && codePage <= 1258) return "windows-" + QByteArray::number(codePage);
        return "windows-1252";
    }
}

class XlsWorkbook {
public:
    XlsWorkbook(const QString& path, const QByteArray& stream, const QString& fmt)
        : path_(path), stream_(stream), fmt_(fmt), records_(stream)
    {
    }

    Sheet read()
    {
        const std::optional<qint64> sheetAt = readGlobals();
        if (!sheetAt) throw SheetError(msg::noWorksheet(path_));
        readSheet(*sheetAt);
        if (cells_.isEmpty()) throw SheetError(msg::emptySheet(path_));
        return cells_.take();
    }

private:
    // BIFF5 text is 8-bit in the workbook's code page.
    QString narrow(const QByteArray& b)
    {
        if (!decoder_.isValid()) decoder_ = QStringDecoder(codecName(codePage_).constData());
        if (!decoder_.isValid()) return QString::fromLatin1(b);
        return decoder_.decode(b);
    }
    QString text(PartReader& r, bool longCount)
    {
        if (biff8_) return r.unicodeString(longCount);
        const int n = longCount ? r.u16() : r.u8();
        return narrow(r.bytes(n));
    }

    std::optional<qint64> readGlobals()
    {
        Record r;
        if (!records_.next(r) || r.type != kBof || r.data().size() < 4)
            throw SheetError(msg::corrupt(path_, QStringLiteral("工作簿流不以 BOF 记录开头")));
        const quint16 vers = u16(r.data().data());
        biff8_ = vers == 0x0600 || (vers != 0x0500 && r.data().size() >= 16);
        std::optional<qint64> first;
        QHash<int, bool> formatIsDate;
        std::vector<int> xfFormats;
        while (records_.next(r)) {
            const QByteArrayView d = r.data();
            PartReader pr(r.parts);
            switch (r.type) {
            case kFilePass:
                throw SheetError(msg::encrypted(path_));
            case kDateMode:
                if (d.size() >= 2) date1904_ = u16(d.data()) == 1;
                break;
            case kCodePage:
                if (d.size() >= 2) codePage_ = u16(d.data());
                break;
            case kFormat: {
                const int id = pr.u16();
                formatIsDate.insert(id, text::isDateFormatCode(text(pr, biff8_)));
                break;
            }
            case kXf:
                if (d.size() >= 4) xfFormats.push_back(u16(d.data() + 2));
                break;
            case kSst:
                readSst(r);
                break;
            case kBoundSheet:
                // The first worksheet; chart sheets, macro sheets and modules do not count.
                if (!first && d.size() >= 6 && quint8(d[5]) == 0) first = u32(d.data());
                break;
            case kEof:
                xfIsDate_.reserve(xfFormats.size());
                for (int f : xfFormats)
                    xfIsDate_.push_back(formatIsDate.contains(f) ? formatIsDate.value(f) : text::isBuiltInDateFormat(f));
                return first;
            default:
                break;
            }
        }
        throw SheetError(msg::truncated(path_));
    }

    void readSst(const Record& r)
    {
        PartReader pr(r.parts);
        pr.skip(4);
        const quint32 unique = pr.u32();
        sst_.reserve(std::min<quint32>(unique, 1u << 20));
        for (quint32 i = 0; i < unique && !pr.atEnd(); ++i) sst_.push_back(pr.unicodeString(true));
    }

    QString number(int xf, double v) const
    {
        const bool date = xf >= 0 && size_t(xf) < xfIsDate_.size() && xfIsDate_[xf];
        return date ? text::serialDate(v, date1904_, fmt_) : text::general(v);
    }

    void readSheet(qint64 offset)
    {
        if (offset < 0 || offset + 4 > stream_.size())
            throw SheetError(msg::corrupt(path_, QStringLiteral("工作表的位置超出文件")));
        records_.seek(offset);
        Record r;
        if (!records_.next(r) || r.type != kBof)
            throw SheetError(msg::corrupt(path_, QStringLiteral("工作表的位置不对")));
        int depth = 1;          // charts embedded in the sheet bring their own BOF…EOF
        int pendingRow = -1, pendingCol = -1;  // a formula whose text result follows in a STRING record
        while (records_.next(r)) {
            const QByteArrayView d = r.data();
            if (r.type == kBof) { ++depth; continue; }
            if (r.type == kEof) {
                if (--depth == 0) return;
                continue;
            }
            if (depth != 1) continue;
            const char* p = d.data();
            const bool cell = d.size() >= 6;
            const int row = cell ? u16(p) : 0, col = cell ? u16(p + 2) : 0, xf = cell ? u16(p + 4) : 0;
            switch (r.type) {
            case kNumber:
                if (d.size() >= 14) cells_.set(row, col, number(xf, f64(p + 6)));
                break;
            case kRk:
                if (d.size() >= 10) cells_.set(row, col, number(xf, rkValue(u32(p + 6))));
                break;
            case kMulRk:
                for (qsizetype at = 4, c = col; at + 6 <= d.size() - 2; at += 6, ++c)
                    cells_.set(row, int(c), number(u16(p + at), rkValue(u32(p + at + 2))));
                break;
            case kLabelSst:
                if (d.size() >= 10) {
                    const quint32 i = u32(p + 6);
                    if (i < sst_.size()) cells_.set(row, col, sst_[i]);
                }
                break;
            case kLabel:
            case kRString:
                if (cell) {
                    PartReader pr(r.parts, 6);
                    cells_.set(row, col, text(pr, true));
                }
                break;
            case kBoolErr:
                if (d.size() >= 8)
                    cells_.set(row, col, p[7] ? text::errorText(quint8(p[6]))
                                              : (p[6] ? QStringLiteral("TRUE") : QStringLiteral("FALSE")));
                break;
            case kFormula:
                pendingRow = -1;
                if (d.size() < 14) break;
                if (quint8(p[12]) == 0xFF && quint8(p[13]) == 0xFF) {
                    switch (quint8(p[6])) {
                    case 0: pendingRow = row; pendingCol = col; break;
                    case 1: cells_.set(row, col, p[8] ? QStringLiteral("TRUE") : QStringLiteral("FALSE")); break;
                    case 2: cells_.set(row, col, text::errorText(quint8(p[8]))); break;
                    default: break;  // an empty text result
                    }
                } else {
                    cells_.set(row, col, number(xf, f64(p + 6)));
                }
                continue;
            case kString:
                if (pendingRow >= 0) {
                    PartReader pr(r.parts);
                    cells_.set(pendingRow, pendingCol, text(pr, true));
                }
                pendingRow = -1;
                continue;
            default:
                // Shared and array formula records sit between a FORMULA and its STRING.
                continue;
            }
            pendingRow = -1;
        }
        throw SheetError(msg::truncated(path_));
    }

    const QString path_;
    const QByteArray& stream_;
    const QString fmt_;
    RecordStream records_;
    bool biff8_ = true;
    bool date1904_ = false;
    int codePage_ = 1252;
    QStringDecoder decoder_;
    std::vector<QString> sst_;
    std::vector<bool> xfIsDate_;
    SheetBuilder cells_;
};

}  // namespace

Sheet readXls(const QString& path, const QByteArray& bytes, const QString& shortDateFormat)
{
    QByteArray stream;
    try {
        const CompoundFile cf(bytes);
        // A password-protected .xlsx is kept in a compound file in place of the zip.
        if (cf.hasRootStream(QStringLiteral("EncryptedPackage")) || cf.hasRootStream(QStringLiteral("EncryptionInfo")))
            throw SheetError(msg::encrypted(path));
        if (cf.hasRootStream(QStringLiteral("Workbook"))) stream = cf.rootStream(QStringLiteral("Workbook"));
        else if (cf.hasRootStream(QStringLiteral("Book"))) stream = cf.rootStream(QStringLiteral("Book"));
        else throw SheetError(msg::unknownFormat(path));
    } catch (const CompoundFile::Error& e) {
        throw SheetError(e.fault == CompoundFile::Fault::Truncated ? msg::truncated(path) : msg::corrupt(path));
    }
    if (stream.isEmpty()) throw SheetError(msg::corrupt(path));
    try {
        XlsWorkbook book(path, stream, shortDateFormat);
        return book.read();
    } catch (const BadData&) {
        throw SheetError(msg::corrupt(path));
    }
}

}  // namespace oa::sheets
