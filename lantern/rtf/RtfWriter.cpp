#include "lantern/rtf/Rtf.h"
#include "lantern/rtf/RtfCodePages.h"
#include "lantern/rtf/RtfDib.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <cmath>

namespace oa {

namespace {

using namespace oa::rtf;

constexpr int kChineseCharset = 134; // GB2312_CHARSET: Windows code page 936 (GBK)
constexpr int kAnsiCharset = 0;      // ANSI_CHARSET: Windows code page 1252
constexpr int kTwipsPerPixel = 15;   // at 96 pixels per inch

// What is written for one run of text; compared to write only the control words that change.
struct RunFormat {
    int font = -1;
    int halfPoints = -1;
    int colour = 0; // 0: the reader's automatic colour
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int vertical = 0; // 1 superscript, 2 subscript
};

bool isAscii(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() > 0x7E) return false;
    return true;
}

// Characters a Windows-1252 font cannot hold make the run a Chinese one, so its fallback bytes are GBK.
int charsetFor(const QString& family, const QString& text)
{
    if (!isAscii(family)) return kChineseCharset;
    for (QChar c : text) {
        if (c.unicode() < 0x7F || c == QChar::ObjectReplacementCharacter || c == QChar::LineSeparator) continue;
        if (encodeChar(c, 1252).isEmpty()) return kChineseCharset;
    }
    return kAnsiCharset;
}

void appendHexByte(QString& out, uchar b, bool upper)
{
    static const char lower[] = "0123456789abcdef";
    static const char upperDigits[] = "0123456789ABCDEF";
    const char* digits = upper ? upperDigits : lower;
    out.append(QLatin1Char(digits[b >> 4]));
    out.append(QLatin1Char(digits[b & 15]));
}

// Writes text as RTF: ASCII as it is, RTF's own characters escaped, anything else as \uN followed by the
// character in the code page (for readers without Unicode) or '?'. uc is the \ucN in force, kept up to date.
void appendText(QString& out, const QString& text, int codePage, int& uc)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\': out += QLatin1String("\\\\"); continue;
        case u'{': out += QLatin1String("\\{"); continue;
        case u'}': out += QLatin1String("\\}"); continue;
        case u'\t': out += QLatin1String("\\tab "); continue;
        case 0x2028: // line break within a paragraph (Shift+Enter)
        case 0x2029: out += QLatin1String("\\line "); continue;
        case 0x00A0: out += QLatin1String("\\~"); continue;
        case 0xFFFC: continue; // an object without a picture
        default: break;
        }
        if (u < 0x20) continue;
        if (u < 0x7F) {
            out.append(c);
            continue;
        }
        const QByteArray bytes = encodeChar(c, codePage);
        const int skip = bytes.isEmpty() ? 1 : int(bytes.size());
        if (skip != uc) {
            out += QLatin1String("\\uc") + QString::number(skip);
            uc = skip;
        }
        // RTF parameters are signed 16-bit numbers.
        out += QLatin1String("\\u") + QString::number(u > 0x7FFF ? int(u) - 0x10000 : int(u));
        if (bytes.isEmpty()) {
            out.append(QLatin1Char('?'));
        } else {
            for (char b : bytes) {
                out += QLatin1String("\\'");
                appendHexByte(out, uchar(b), false);
            }
        }
    }
}

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {}

    QString write()
    {
        const QFont base = doc_.defaultFont();
        fontIndex(familyOf(base), charsetFor(familyOf(base), QString())); // \deff0
        for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
            writeAlignment(block.blockFormat().alignment());
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                if (!frag.isValid()) continue;
                const QTextCharFormat fmt = frag.charFormat();
                if (fmt.isImageFormat()) {
                    for (QChar c : frag.text())
                        if (c == QChar::ObjectReplacementCharacter) writeImage(fmt.toImageFormat());
                    continue;
                }
                writeRun(frag.text(), fmt);
            }
            // Each paragraph ends with \par, the last one too, as word processors and rich edit controls write it.
            body_ += QLatin1String("\\par\r\n");
        }

        QString out = QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1{\\fonttbl");
        for (int i = 0; i < fonts_.size(); ++i) {
            out += QStringLiteral("{\\f%1\\fnil\\fcharset%2 ").arg(i).arg(fonts_[i].second);
            int uc = 1;
            appendText(out, fonts_[i].first, codePageOfCharset(fonts_[i].second), uc);
            out += QLatin1String(";}");
        }
        out += QLatin1Char('}');
        if (!colours_.isEmpty()) {
            out += QLatin1String("{\\colortbl ;");
            for (QRgb c : colours_)
                out += QStringLiteral("\\red%1\\green%2\\blue%3;").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
            out += QLatin1Char('}');
        }
        out += QLatin1String("\r\n\\pard\\plain ");
        out += body_;
        out += QLatin1Char('}');
        return out;
    }

private:
    static QString familyOf(const QFont& f)
    {
        const QStringList families = f.families();
        return families.isEmpty() ? f.family() : families.first();
    }

    int fontIndex(const QString& family, int charset)
    {
        const QPair<QString, int> key(family, charset);
        int i = int(fonts_.indexOf(key));
        if (i < 0) {
            i = int(fonts_.size());
            fonts_.append(key);
        }
        return i;
    }

    int colourIndex(const QColor& c)
    {
        const QRgb rgb = c.toRgb().rgb() | 0xFF000000u;
        int i = int(colours_.indexOf(rgb));
        if (i < 0) {
            i = int(colours_.size());
            colours_.append(rgb);
        }
        return i + 1; // entry 0 is the automatic colour
    }

    RunFormat formatOf(const QTextCharFormat& fmt, const QString& text, int* codePage)
    {
        const QFont f = fmt.font().resolve(doc_.defaultFont());
        RunFormat r;
        const QString family = familyOf(f);
        const int charset = charsetFor(family, text);
        *codePage = codePageOfCharset(charset);
        r.font = fontIndex(family, charset);
        double points = f.pointSizeF();
        if (points <= 0 && f.pixelSize() > 0) points = f.pixelSize() * 72.0 / 96.0;
        if (points <= 0) points = 9;
        r.halfPoints = qBound(2, int(std::lround(points * 2)), 3276);
        if (fmt.hasProperty(QTextFormat::ForegroundBrush) && fmt.foreground().style() != Qt::NoBrush)
            r.colour = colourIndex(fmt.foreground().color());
        r.bold = f.bold();
        r.italic = f.italic();
        r.underline = fmt.hasProperty(QTextFormat::TextUnderlineStyle)
                          ? fmt.underlineStyle() != QTextCharFormat::NoUnderline
                          : f.underline();
        r.strike = f.strikeOut();
        if (fmt.verticalAlignment() == QTextCharFormat::AlignSuperScript) r.vertical = 1;
        else if (fmt.verticalAlignment() == QTextCharFormat::AlignSubScript) r.vertical = 2;
        return r;
    }

    void writeRun(const QString& text, const QTextCharFormat& fmt)
    {
        int codePage = 1252;
        const RunFormat r = formatOf(fmt, text, &codePage);
        QString words;
        if (r.font != cur_.font) words += QStringLiteral("\\f%1").arg(r.font);
        if (r.halfPoints != cur_.halfPoints) words += QStringLiteral("\\fs%1").arg(r.halfPoints);
        if (r.colour != cur_.colour) words += QStringLiteral("\\cf%1").arg(r.colour);
        if (r.bold != cur_.bold) words += r.bold ? QLatin1String("\\b") : QLatin1String("\\b0");
        if (r.italic != cur_.italic) words += r.italic ? QLatin1String("\\i") : QLatin1String("\\i0");
        if (r.underline != cur_.underline) words += r.underline ? QLatin1String("\\ul") : QLatin1String("\\ulnone");
        if (r.strike != cur_.strike) words += r.strike ? QLatin1String("\\strike") : QLatin1String("\\strike0");
        if (r.vertical != cur_.vertical)
            words += r.vertical == 1 ? QLatin1String("\\super") : r.vertical == 2 ? QLatin1String("\\sub") : QLatin1String("\\nosupersub");
        if (!words.isEmpty()) {
            body_ += words;
            body_ += QLatin1Char(' '); // ends the last control word; a reader drops it
        }
        cur_ = r;
        appendText(body_, text, codePage, uc_);
    }

    void writeAlignment(Qt::Alignment a)
    {
        int code = 0;
        const Qt::Alignment h = a & Qt::AlignHorizontal_Mask;
        if (h & Qt::AlignHCenter) code = 1;
        else if (h & (Qt::AlignRight | Qt::AlignTrailing)) code = 2;
        else if (h & Qt::AlignJustify) code = 3;
        if (code == align_) return;
        static const char* const words[] = {"\\ql ", "\\qc ", "\\qr ", "\\qj "};
        body_ += QLatin1String(words[code]);
        align_ = code;
    }

    void writeImage(const QTextImageFormat& fmt)
    {
        const QVariant res = doc_.resource(QTextDocument::ImageResource, QUrl(fmt.name()));
        QImage img;
        if (res.typeId() == QMetaType::QImage) img = res.value<QImage>();
        else if (res.typeId() == QMetaType::QPixmap) img = res.value<QPixmap>().toImage();
        else if (res.typeId() == QMetaType::QByteArray) img = QImage::fromData(res.toByteArray());
        const QByteArray dib = encodeDib(img);
        if (dib.isEmpty()) return;
        const double shownW = fmt.width() > 0 ? fmt.width() : img.width();
        const double shownH = fmt.height() > 0 ? fmt.height() : img.height();
        body_ += QStringLiteral("{\\pict\\dibitmap0\\picw%1\\pich%2\\picwgoal%3\\pichgoal%4 ")
                     .arg(img.width())
                     .arg(img.height())
                     .arg(std::lround(shownW * kTwipsPerPixel))
                     .arg(std::lround(shownH * kTwipsPerPixel));
        body_.reserve(body_.size() + dib.size() * 2 + 1);
        for (char b : dib) appendHexByte(body_, uchar(b), true);
        body_ += QLatin1Char('}');
    }

    const QTextDocument& doc_;
    QList<QPair<QString, int>> fonts_;
    QList<QRgb> colours_;
    QString body_;
    RunFormat cur_;
    int uc_ = 1;
    int align_ = 0;
};

} // namespace

QString toRtf(const QTextDocument& doc)
{
    return Writer(doc).write();
}

} // namespace oa
