// .xlsx workbooks: a zip of XML parts. The parts are streamed through QXmlStreamReader (no DOM) and found by
// following the relationships, so absolute part names and unusual folder layouts read the same.
#include "common/sheets/SheetParts.h"
#include "common/sheets/ZipArchive.h"

#include <QBuffer>
#include <QHash>
#include <QUrl>
#include <QXmlStreamReader>
#include <memory>

namespace oa::sheets {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

struct Relationship {
    QString id, type, target;
};

// Zip entries are looked up by part name without regard to case or slash direction, as Excel does.
class Package {
public:
    Package(const QString& path, const QByteArray& bytes) : path_(path), zip_(bytes)
    {
        switch (zip_.fault()) {
        case ZipArchive::Fault::None: break;
        // Without the zip's central directory at the end, nothing can be found: the file was cut short.
        case ZipArchive::Fault::Truncated: throw SheetError(msg::truncated(path));
        case ZipArchive::Fault::Encrypted: throw SheetError(msg::encrypted(path));
        default: throw SheetError(msg::corrupt(path));
        }
        for (const QString& name : zip_.names()) {
            QString key = name;
            key.replace(QLatin1Char('\\'), QLatin1Char('/'));
            if (key.startsWith(QLatin1Char('/'))) key.remove(0, 1);
            names_.insert(key.toLower(), name);
        }
    }

    bool has(const QString& part) const { return names_.contains(part.toLower()); }

    // The whole part, inflated and checked, behind a device for the XML reader.
    std::unique_ptr<QBuffer> open(const QString& part)
    {
        const QString actual = names_.value(part.toLower());
        if (actual.isEmpty()) throw SheetError(msg::corrupt(path_, QStringLiteral("缺少“%1”").arg(part)));
        bool ok = false;
        auto f = std::make_unique<QBuffer>();
        f->setData(zip_.read(actual, &ok));
        if (!ok) throw SheetError(msg::corrupt(path_, QStringLiteral("“%1”的压缩数据有误").arg(part)));
        f->open(QIODevice::ReadOnly);
        return f;
    }

    QByteArray readAll(const QString& part)
    {
        auto f = open(part);
        return f->data();
    }

    // After a part was parsed: malformed XML is reported with its line.
    void finish(QBuffer& f, const QString& part, const QXmlStreamReader* xml)
    {
        f.close();
        if (xml && xml->hasError())
            throw SheetError(msg::corrupt(path_, QStringLiteral("“%1”第 %2 行不是有效的 XML").arg(part).arg(xml->lineNumber())));
    }

private:
    QString path_;
    ZipArchive zip_;
    QHash<QString, QString> names_;
};

QString folderOf(const QString& part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash);
}

// A relationship target to a part name: relative to the source part's folder, or absolute from the root.
QString resolve(const QString& folder, QString target)
{
    if (target.contains(QLatin1Char('%'))) target = QUrl::fromPercentEncoding(target.toUtf8());
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString joined = target.startsWith(QLatin1Char('/')) || folder.isEmpty() ? target : folder + QLatin1Char('/') + target;
    QStringList out;
    for (const QString& seg : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (seg == QLatin1String(".")) continue;
        if (seg == QLatin1String("..")) {
            if (!out.isEmpty()) out.removeLast();
            continue;
        }
        out << seg;
    }
    return out.join(QLatin1Char('/'));
}

QString relsOf(const QString& part)
{
    const QString folder = folderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/") + file + QStringLiteral(".rels");
}

bool typeIs(const QString& type, QLatin1String kind) { return type.endsWith(QLatin1Char('/') + kind); }

// Text of an OOXML string: "_x000D_" and the like stand for characters XML cannot carry.
QString unescape(const QString& s)
{
    if (!s.contains(QLatin1String("_x"))) return s;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('_') && i + 6 < s.size() && s[i + 1] == QLatin1Char('x') && s[i + 6] == QLatin1Char('_')) {
            bool ok = false;
            const uint code = QStringView(s).mid(i + 2, 4).toUInt(&ok, 16);
            if (ok) {
                out.append(QChar(char16_t(code)));
                i += 6;
                continue;
            }
        }
        out.append(s[i]);
    }
    return out;
}

// The text of a shared or inline string: plain <t>, or rich-text runs <r><t>; phonetic guides (<rPh>) are
// not part of what the cell shows.
QString richText(QXmlStreamReader& x)
{
    QString out;
    while (x.readNextStartElement()) {
        if (x.name() == u"t") {
            out += x.readElementText();
        } else if (x.name() == u"r") {
            while (x.readNextStartElement()) {
                if (x.name() == u"t") out += x.readElementText();
                else x.skipCurrentElement();
            }
        } else {
            x.skipCurrentElement();
        }
    }
    return unescape(out);
}

// "BC12" to 0-based (row 11, column 54); false when it is no cell reference.
bool parseRef(QStringView ref, int& row, int& col)
{
    int c = 0, r = 0;
    qsizetype i = 0;
    for (; i < ref.size(); ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch >= u'A' && ch <= u'Z') c = c * 26 + (ch - u'A' + 1);
        else if (ch >= u'a' && ch <= u'z') c = c * 26 + (ch - u'a' + 1);
        else break;
        if (c > kMaxColumns) return false;
    }
    if (i == 0 || i == ref.size()) return false;
    for (; i < ref.size(); ++i) {
        const char16_t ch = ref[i].unicode();
        if (ch < u'0' || ch > u'9') return false;
        r = r * 10 + (ch - u'0');
        if (r > kMaxRows) return false;
    }
    if (r == 0) return false;
    row = r - 1;
    col = c - 1;
    return true;
}

class XlsxWorkbook {
public:
    XlsxWorkbook(const QString& path, const QByteArray& bytes, const QString& fmt)
        : path_(path), fmt_(fmt), pkg_(path, bytes)
    {
    }

    Sheet read()
    {
        if (pkg_.has(QStringLiteral("mimetype")) && !pkg_.has(QStringLiteral("[Content_Types].xml"))) {
            if (pkg_.readAll(QStringLiteral("mimetype")).startsWith("application/vnd.oasis.opendocument.spreadsheet"))
                throw SheetError(msg::openDocument(path_));
            throw SheetError(msg::unknownFormat(path_));
        }
        QString workbook;
        if (pkg_.has(QStringLiteral("_rels/.rels")))
            for (const Relationship& r : rels(QStringLiteral("_rels/.rels"), QString()))
                if (typeIs(r.type, QLatin1String("officeDocument"))) workbook = r.target;
        if (workbook.isEmpty() && pkg_.has(QStringLiteral("xl/workbook.xml"))) workbook = QStringLiteral("xl/workbook.xml");
        if (workbook.isEmpty() || !pkg_.has(workbook)) {
            if (pkg_.has(QStringLiteral("xl/workbook.bin"))) throw SheetError(msg::binaryWorkbook(path_));
            throw SheetError(msg::unknownFormat(path_));
        }
        if (workbook.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive)) throw SheetError(msg::binaryWorkbook(path_));

        const QString sheet = firstWorksheet(workbook);
        if (!sharedStringsPart_.isEmpty() && pkg_.has(sharedStringsPart_)) readSharedStrings(sharedStringsPart_);
        if (!stylesPart_.isEmpty() && pkg_.has(stylesPart_)) readStyles(stylesPart_);
        readSheet(sheet);
        if (cells_.isEmpty()) throw SheetError(msg::emptySheet(path_));
        return cells_.take();
    }

private:
    QList<Relationship> rels(const QString& relsPart, const QString& folder)
    {
        QList<Relationship> out;
        auto f = pkg_.open(relsPart);
        QXmlStreamReader x(f.get());
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"Relationship") continue;
            const QXmlStreamAttributes a = x.attributes();
            if (a.value(QLatin1String("TargetMode")) == u"External") continue;
            out << Relationship{a.value(QLatin1String("Id")).toString(), a.value(QLatin1String("Type")).toString(),
                                resolve(folder, a.value(QLatin1String("Target")).toString())};
        }
        pkg_.finish(*f, relsPart, &x);
        return out;
    }

    // The part of the first worksheet in the workbook's own order (chart sheets do not count); also finds
    // the shared strings, the styles and the date system.
    QString firstWorksheet(const QString& workbook)
    {
        const QString folder = folderOf(workbook);
        QHash<QString, Relationship> byId;
        const QString relsPart = relsOf(workbook);
        if (!pkg_.has(relsPart)) throw SheetError(msg::corrupt(path_, QStringLiteral("缺少“%1”").arg(relsPart)));
        for (const Relationship& r : rels(relsPart, folder)) {
            if (typeIs(r.type, QLatin1String("sharedStrings"))) sharedStringsPart_ = r.target;
            if (typeIs(r.type, QLatin1String("styles"))) stylesPart_ = r.target;
            byId.insert(r.id, r);
        }
        if (sharedStringsPart_.isEmpty() && pkg_.has(folder + QStringLiteral("/sharedStrings.xml")))
            sharedStringsPart_ = folder + QStringLiteral("/sharedStrings.xml");
        if (stylesPart_.isEmpty() && pkg_.has(folder + QStringLiteral("/styles.xml")))
            stylesPart_ = folder + QStringLiteral("/styles.xml");

        QString first;
        auto f = pkg_.open(workbook);
        QXmlStreamReader x(f.get());
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"workbookPr") {
                const QStringView v = x.attributes().value(QLatin1String("date1904"));
                date1904_ = v == u"1" || v == u"true";
            } else if (x.name() == u"sheet" && first.isEmpty()) {
                QString id;
                for (const QXmlStreamAttribute& a : x.attributes())
                    if (a.name() == u"id" && !a.namespaceUri().isEmpty()) id = a.value().toString();
                const Relationship r = byId.value(id);
                if (typeIs(r.type, QLatin1String("worksheet"))) first = r.target;
            } else if (x.name() == u"sheets" || x.name() == u"workbook" || x.name() == u"bookViews") {
                continue;
            } else {
                x.skipCurrentElement();
            }
        }
        pkg_.finish(*f, workbook, &x);
        if (first.isEmpty()) throw SheetError(msg::noWorksheet(path_));
        if (!pkg_.has(first)) throw SheetError(msg::corrupt(path_, QStringLiteral("缺少“%1”").arg(first)));
        return first;
    }

    void readSharedStrings(const QString& part)
    {
        auto f = pkg_.open(part);
        QXmlStreamReader x(f.get());
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"sst") {
                bool ok = false;
                const int n = x.attributes().value(QLatin1String("uniqueCount")).toInt(&ok);
                if (ok && n > 0) strings_.reserve(std::min(n, 1 << 20));
            } else if (x.name() == u"si") {
                strings_.push_back(richText(x));
            }
        }
        pkg_.finish(*f, part, &x);
    }

    void readStyles(const QString& part)
    {
        QHash<int, bool> custom;
        std::vector<int> xfFormats;
        auto f = pkg_.open(part);
        QXmlStreamReader x(f.get());
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"numFmt") {
                const QXmlStreamAttributes a = x.attributes();
                custom.insert(a.value(QLatin1String("numFmtId")).toInt(), text::isDateFormatCode(a.value(QLatin1String("formatCode"))));
            } else if (x.name() == u"cellXfs") {
                while (x.readNextStartElement()) {
                    if (x.name() == u"xf") xfFormats.push_back(x.attributes().value(QLatin1String("numFmtId")).toInt());
                    x.skipCurrentElement();
                }
            } else if (x.name() == u"cellStyleXfs" || x.name() == u"fonts" || x.name() == u"fills" || x.name() == u"borders"
                       || x.name() == u"dxfs" || x.name() == u"cellStyles" || x.name() == u"extLst") {
                x.skipCurrentElement();
            }
        }
        pkg_.finish(*f, part, &x);
        xfIsDate_.reserve(xfFormats.size());
        for (int id : xfFormats) xfIsDate_.push_back(custom.contains(id) ? custom.value(id) : text::isBuiltInDateFormat(id));
    }

    void readSheet(const QString& part)
    {
        auto f = pkg_.open(part);
        QXmlStreamReader x(f.get());
        int row = -1, col = -1;
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement) continue;
            if (x.name() == u"row") {
                bool ok = false;
                const int r = x.attributes().value(QLatin1String("r")).toInt(&ok);
                row = ok && r >= 1 ? r - 1 : row + 1;
                col = -1;
            } else if (x.name() == u"c") {
                readCell(x, row, col);
            } else if (x.name() == u"sheetData" || x.name() == u"worksheet") {
                continue;
            } else {
                x.skipCurrentElement();
            }
        }
        pkg_.finish(*f, part, &x);
    }

    void readCell(QXmlStreamReader& x, int& row, int& col)
    {
        enum class Type { Number, Shared, Inline, Text, Bool, Error, Date } type = Type::Number;
        const QXmlStreamAttributes a = x.attributes();
        int r = row, c = col + 1;
        const QStringView ref = a.value(QLatin1String("r"));
        if (!ref.isEmpty() && !parseRef(ref, r, c)) r = -1;
        const QStringView t = a.value(QLatin1String("t"));
        if (t.isEmpty() || t == u"n") type = Type::Number;
        else if (t == u"s") type = Type::Shared;
        else if (t == u"inlineStr") type = Type::Inline;
        else if (t == u"str") type = Type::Text;
        else if (t == u"b") type = Type::Bool;
        else if (t == u"e") type = Type::Error;
        else if (t == u"d") type = Type::Date;
        const int style = a.value(QLatin1String("s")).toInt();

        QString v, inlineText;
        while (x.readNextStartElement()) {
            if (x.name() == u"v") v = x.readElementText();
            else if (x.name() == u"is") inlineText = richText(x);
            else x.skipCurrentElement();
        }
        if (r < 0 || r >= kMaxRows || c < 0 || c >= kMaxColumns) return;
        row = r;
        col = c;

        QString text;
        switch (type) {
        case Type::Shared: {
            bool ok = false;
            const int i = v.toInt(&ok);
            if (ok && i >= 0 && size_t(i) < strings_.size()) text = strings_[i];
            break;
        }
        case Type::Inline:
            text = inlineText.isEmpty() ? unescape(v) : inlineText;
            break;
        case Type::Text:
        case Type::Error:
            text = unescape(v);
            break;
        case Type::Bool:
            if (!v.isEmpty()) text = v.trimmed() == u"1" || v.trimmed() == u"true" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            break;
        case Type::Date:
            text = text::isoDate(v, fmt_);
            if (text.isEmpty()) text = v;
            break;
        case Type::Number: {
            if (v.isEmpty()) break;
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok) text = v;
            else if (style >= 0 && size_t(style) < xfIsDate_.size() && xfIsDate_[style]) text = text::serialDate(d, date1904_, fmt_);
            else text = text::general(d);
            break;
        }
        }
        cells_.set(row, col, text);
    }

    const QString path_;
    const QString fmt_;
    Package pkg_;
    QString sharedStringsPart_, stylesPart_;
    bool date1904_ = false;
    std::vector<QString> strings_;
    std::vector<bool> xfIsDate_;
    SheetBuilder cells_;
};

}  // namespace

Sheet readXlsx(const QString& path, const QByteArray& bytes, const QString& shortDateFormat)
{
    XlsxWorkbook book(path, bytes, shortDateFormat);
    return book.read();
}

}  // namespace oa::sheets
