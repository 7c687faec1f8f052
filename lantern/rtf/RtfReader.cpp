#include "lantern/rtf/Rtf.h"
#include "lantern/rtf/RtfCodePages.h"
#include "lantern/rtf/RtfDib.h"

#include <QColor>
#include <QCryptographicHash>
#include <QHash>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <optional>
#include <vector>

namespace oa {

namespace {

using namespace oa::rtf;

constexpr int kMaxDepth = 512; // deeper groups share the state of this depth
constexpr double kTwipsPerPixel = 15.0;

enum class Dest { Text, FontTable, ColourTable, Pict, Skip };

struct CharState {
    int font = -1; // -1: the document's default font (\deff)
    int halfPoints = -1;
    int colour = -1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int vertical = 0; // 1 superscript, 2 subscript
    bool operator==(const CharState&) const = default;
};

struct State {
    Dest dest = Dest::Text;
    CharState chr;
    int align = 0; // 0 left, 1 centre, 2 right, 3 justified
    int uc = 1;
};

struct FontEntry {
    QString name;
    int charset = -1;
    int codePage = 0;
};

enum class PictKind { None, Dib, Ddb, Blip, Metafile };

struct Pict {
    PictKind kind = PictKind::None;
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    int bitsPixel = 1, widthBytes = 0;
    QByteArray data;
    int nibble = -1;
};

// Destinations whose content is never shown, also when a writer leaves out the \* in front of them.
bool isSkippedDestination(QStringView w)
{
    static const QStringList words = {
        QStringLiteral("stylesheet"),  QStringLiteral("info"),        QStringLiteral("header"),
        QStringLiteral("headerl"),     QStringLiteral("headerr"),     QStringLiteral("headerf"),
        QStringLiteral("footer"),      QStringLiteral("footerl"),     QStringLiteral("footerr"),
        QStringLiteral("footerf"),     QStringLiteral("footnote"),    QStringLiteral("annotation"),
        QStringLiteral("nonshppict"),  QStringLiteral("fldinst"),     QStringLiteral("pn"),
        QStringLiteral("listtable"),   QStringLiteral("listoverridetable"), QStringLiteral("revtbl"),
        QStringLiteral("rsidtbl"),     QStringLiteral("generator"),   QStringLiteral("xe"),
        QStringLiteral("tc"),          QStringLiteral("txe"),         QStringLiteral("rxe"),
        QStringLiteral("template"),    QStringLiteral("author"),      QStringLiteral("operator"),
        QStringLiteral("title"),       QStringLiteral("subject"),     QStringLiteral("keywords"),
        QStringLiteral("comment"),     QStringLiteral("doccomm"),     QStringLiteral("company"),
        QStringLiteral("private"),     QStringLiteral("themedata"),   QStringLiteral("colorschememapping"),
        QStringLiteral("latentstyles"), QStringLiteral("datastore"),  QStringLiteral("xmlnstbl"),
        QStringLiteral("filetbl"),     QStringLiteral("objdata"),     QStringLiteral("objclass"),
        QStringLiteral("objname"),     QStringLiteral("ftnsep"),      QStringLiteral("ftnsepc"),
        QStringLiteral("ftncn"),       QStringLiteral("aftnsep"),     QStringLiteral("aftnsepc"),
        QStringLiteral("aftncn"),      QStringLiteral("bkmkstart"),   QStringLiteral("bkmkend"),
        QStringLiteral("atnid"),       QStringLiteral("atnauthor"),   QStringLiteral("atndate"),
        QStringLiteral("atnref"),      QStringLiteral("sp"),          QStringLiteral("sn"),
        QStringLiteral("sv"),          QStringLiteral("shpinst"),     QStringLiteral("pgdsctbl"),
        QStringLiteral("mmathPr"),     QStringLiteral("userprops"),   QStringLiteral("docvar"),
    };
    for (const QString& s : words)
        if (w == s) return true;
    return false;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

class Reader {
public:
    Reader(const QString& src, QTextDocument* doc) : src_(src), doc_(doc), cursor_(doc) {}

    void read()
    {
        stack_.push_back(State());
        const qsizetype n = src_.size();
        while (pos_ < n) {
            const QChar c = src_[pos_];
            if (c == QLatin1Char('{')) {
                ++pos_;
                pushGroup();
            } else if (c == QLatin1Char('}')) {
                ++pos_;
                popGroup();
            } else if (c == QLatin1Char('\\')) {
                controlWord();
            } else {
                ++pos_;
                if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) continue;
                if (skip_ > 0) {
                    --skip_;
                    continue;
                }
                character(c);
            }
        }
        // Input that ends inside groups (a cut-off message) still shows what it holds.
        flushBytes();
        if (pictOpen_) finishPict();
        flushRun();
        setBlockAlignment(pendingPar_ ? pendingParAlign_ : state().align);
    }

private:
    State& state() { return stack_.back(); }

    // ---- groups ----

    void pushGroup()
    {
        flushBytes();
        skip_ = 0;
        star_ = false;
        if (stack_.size() >= kMaxDepth) {
            ++overflow_;
            return;
        }
        stack_.push_back(stack_.back());
    }

    void popGroup()
    {
        flushBytes();
        skip_ = 0;
        star_ = false;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (stack_.size() <= 1) return; // a stray closing brace
        const Dest leaving = stack_.back().dest;
        stack_.pop_back();
        const Dest back = stack_.back().dest;
        if (leaving == Dest::FontTable) commitFont();
        if (leaving == Dest::ColourTable && back != Dest::ColourTable) colourAny_ = false;
        if (leaving == Dest::Pict && back != Dest::Pict && pictOpen_) finishPict();
    }

    // ---- tokens ----

    void controlWord()
    {
        const qsizetype n = src_.size();
        ++pos_; // the backslash
        if (pos_ >= n) return;
        const QChar c = src_[pos_];
        if (isAsciiLetter(c)) {
            const qsizetype start = pos_;
            while (pos_ < n && isAsciiLetter(src_[pos_])) ++pos_;
            const QStringView word = QStringView(src_).mid(start, pos_ - start);
            bool hasParam = false;
            bool negative = false;
            qint64 value = 0;
            if (pos_ + 1 < n && src_[pos_] == QLatin1Char('-') && isDigit(src_[pos_ + 1])) {
                negative = true;
                ++pos_;
            }
            while (pos_ < n && isDigit(src_[pos_])) {
                hasParam = true;
                if (value < 100000000000LL) value = value * 10 + (src_[pos_].unicode() - '0');
                ++pos_;
            }
            if (pos_ < n && src_[pos_] == QLatin1Char(' ')) ++pos_;
            if (negative) value = -value;
            const int param = int(qBound<qint64>(-2147483647LL, value, 2147483647LL));
            if (word == u"bin") {
                binary(hasParam ? param : 0);
                return;
            }
            if (skip_ > 0) {
                --skip_;
                return;
            }
            dispatch(word, hasParam, param);
            return;
        }
        ++pos_;
        if (c == QLatin1Char('\'')) {
            int v = 0;
            int digits = 0;
            while (digits < 2 && pos_ < n && hexValue(src_[pos_]) >= 0) {
                v = v * 16 + hexValue(src_[pos_]);
                ++pos_;
                ++digits;
            }
            if (skip_ > 0) {
                --skip_;
                return;
            }
            if (digits > 0) byte(uchar(v));
            return;
        }
        if (skip_ > 0) {
            --skip_;
            return;
        }
        switch (c.unicode()) {
        case u'*': star_ = true; return;
        case u'\\':
        case u'{':
        case u'}': character(c); return;
        case u'~': character(QChar(0x00A0)); return;
        case u'_': character(QChar(0x2011)); return;
        case u'\r':
        case u'\n': dispatch(u"par", false, 0); return;
        case u'\t': character(QLatin1Char('\t')); return;
        default: return; // \- optional hyphen, \| and \: formula and index marks
        }
    }

    void binary(int count)
    {
        const qsizetype take = qBound(qsizetype(0), qsizetype(count), src_.size() - pos_);
        const QStringView raw = QStringView(src_).mid(pos_, take);
        pos_ += take;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (state().dest != Dest::Pict || !pictOpen_) return;
        pict_.nibble = -1;
        QByteArray bytes(take, '\0');
        for (qsizetype i = 0; i < take; ++i) bytes[i] = char(raw[i].unicode() & 0xFF);
        pict_.data += bytes;
    }

    void byte(uchar b)
    {
        switch (state().dest) {
        case Dest::Text:
            if (state().chr.hidden) return;
            addByte(b, textCodePage());
            return;
        case Dest::FontTable: addByte(b, fontCodePage(curFont_)); return;
        default: return;
        }
    }

    void addByte(uchar b, int codePage)
    {
        if (!bytes_.isEmpty() && bytesCodePage_ != codePage) flushBytes();
        bytesCodePage_ = codePage;
        bytes_.append(char(b));
    }

    void character(QChar c)
    {
        // The second byte of a two-byte character may be written as a plain character (0x40..0x7E).
        if (!bytes_.isEmpty() && c.unicode() >= 0x40 && c.unicode() <= 0x7E && endsWithLeadByte(bytes_, bytesCodePage_)) {
            bytes_.append(char(c.unicode()));
            return;
        }
        flushBytes();
        switch (state().dest) {
        case Dest::Text:
            if (c.unicode() < 0x20 && c != QLatin1Char('\t')) return;
            text(QString(c));
            return;
        case Dest::FontTable:
            if (c == QLatin1Char(';')) commitFont();
            else if (c.unicode() >= 0x20) fontName_.append(c);
            return;
        case Dest::ColourTable:
            if (c == QLatin1Char(';')) {
                colours_.push_back(colourAny_ ? std::optional<QColor>(QColor(red_, green_, blue_)) : std::nullopt);
                red_ = green_ = blue_ = 0;
                colourAny_ = false;
            }
            return;
        case Dest::Pict: {
            const int v = hexValue(c);
            if (v < 0 || !pictOpen_) return;
            if (pict_.nibble < 0) {
                pict_.nibble = v;
            } else {
                pict_.data.append(char(pict_.nibble * 16 + v));
                pict_.nibble = -1;
            }
            return;
        }
        case Dest::Skip: return;
        }
    }

    void flushBytes()
    {
        if (bytes_.isEmpty()) return;
        const QString s = decode(bytes_, bytesCodePage_);
        bytes_.clear();
        if (state().dest == Dest::FontTable) fontName_ += s;
        else if (state().dest == Dest::Text) text(s);
    }

    // A Unicode character of \uN.
    void unicode(int value)
    {
        flushBytes();
        const QChar c(char16_t(value < 0 ? value + 0x10000 : value));
        if (state().dest == Dest::FontTable) fontName_.append(c);
        else if (state().dest == Dest::Text && c.unicode() >= 0x20) text(QString(c));
    }

    // ---- control words ----

    void dispatch(QStringView w, bool hasParam, int param)
    {
        flushBytes();
        State& st = state();
        if (star_) {
            star_ = false;
            // An optional destination this reader does not know is skipped with everything in it.
            if (w != u"shppict" && w != u"pict" && w != u"fonttbl" && w != u"colortbl") {
                st.dest = Dest::Skip;
                return;
            }
        }
        if (st.dest == Dest::Skip) return;

        if (w == u"u") {
            unicode(qBound(-32768, param, 65535));
            skip_ = st.uc;
            return;
        }
        if (w == u"uc") {
            st.uc = qBound(0, param, 16);
            return;
        }
        if (w == u"fonttbl") {
            st.dest = Dest::FontTable;
            curFont_ = -1;
            fontName_.clear();
            return;
        }
        if (w == u"colortbl") {
            st.dest = Dest::ColourTable;
            colours_.clear();
            red_ = green_ = blue_ = 0;
            colourAny_ = false;
            return;
        }
        if (w == u"pict") {
            if (st.dest != Dest::Text) {
                st.dest = Dest::Skip;
                return;
            }
            st.dest = Dest::Pict;
            pict_ = Pict();
            pictOpen_ = true;
            return;
        }
        if (isSkippedDestination(w)) {
            st.dest = Dest::Skip;
            return;
        }

        switch (st.dest) {
        case Dest::FontTable: fontTableWord(w, hasParam, param); return;
        case Dest::ColourTable:
            if (w == u"red") red_ = qBound(0, param, 255), colourAny_ = true;
            else if (w == u"green") green_ = qBound(0, param, 255), colourAny_ = true;
            else if (w == u"blue") blue_ = qBound(0, param, 255), colourAny_ = true;
            return;
        case Dest::Pict: pictWord(w, param); return;
        case Dest::Text: textWord(w, hasParam, param); return;
        case Dest::Skip: return;
        }
    }

    void fontTableWord(QStringView w, bool hasParam, int param)
    {
        if (w == u"f" && hasParam) {
            commitFont();
            curFont_ = param;
            fonts_[param] = FontEntry();
        } else if (w == u"fcharset" && curFont_ >= 0) {
            fonts_[curFont_].charset = param;
        } else if (w == u"cpg" && curFont_ >= 0) {
            fonts_[curFont_].codePage = param;
        }
    }

    void commitFont()
    {
        flushBytes();
        if (curFont_ >= 0 && !fontName_.trimmed().isEmpty()) {
            auto it = fonts_.find(curFont_);
            if (it != fonts_.end() && it->name.isEmpty()) it->name = fontName_.trimmed();
        }
        fontName_.clear();
    }

    void pictWord(QStringView w, int param)
    {
        if (!pictOpen_) return;
        if (w == u"dibitmap") pict_.kind = PictKind::Dib;
        else if (w == u"wbitmap") pict_.kind = PictKind::Ddb;
        else if (w == u"pngblip" || w == u"jpegblip") pict_.kind = PictKind::Blip;
        else if (w == u"emfblip" || w == u"wmetafile") pict_.kind = PictKind::Metafile;
        else if (w == u"macpict" || w == u"pmmetafile") pict_.kind = PictKind::None;
        else if (w == u"picw") pict_.picw = param;
        else if (w == u"pich") pict_.pich = param;
        else if (w == u"picwgoal") pict_.goalw = param;
        else if (w == u"pichgoal") pict_.goalh = param;
        else if (w == u"picscalex") pict_.scalex = param;
        else if (w == u"picscaley") pict_.scaley = param;
        else if (w == u"wbmbitspixel") pict_.bitsPixel = param;
        else if (w == u"wbmwidthbytes") pict_.widthBytes = param;
    }

    void textWord(QStringView w, bool hasParam, int param)
    {
        State& st = state();
        CharState& ch = st.chr;
        const bool on = !hasParam || param != 0;
        if (w == u"par" || w == u"sect" || w == u"page" || w == u"row") {
            paragraph();
        } else if (w == u"line") {
            text(QString(QChar::LineSeparator));
        } else if (w == u"tab" || w == u"cell" || w == u"nestcell") {
            text(QStringLiteral("\t"));
        } else if (w == u"f") {
            ch.font = param;
        } else if (w == u"fs") {
            ch.halfPoints = hasParam && param > 0 ? qBound(2, param, 3276) : -1;
        } else if (w == u"cf") {
            ch.colour = param;
        } else if (w == u"b") {
            ch.bold = on;
        } else if (w == u"i") {
            ch.italic = on;
        } else if (w == u"ul" || w == u"uld" || w == u"uldb" || w == u"uldash" || w == u"uldashd" ||
                   w == u"uldashdd" || w == u"ulhwave" || w == u"ulldash" || w == u"ulth" || w == u"ulthd" ||
                   w == u"ulthdash" || w == u"ulthdashd" || w == u"ulthdashdd" || w == u"ulthldash" ||
                   w == u"ululdbwave" || w == u"ulw" || w == u"ulwave") {
            ch.underline = on;
        } else if (w == u"ulnone") {
            ch.underline = false;
        } else if (w == u"strike" || w == u"striked") {
            ch.strike = on;
        } else if (w == u"v") {
            ch.hidden = on;
        } else if (w == u"super") {
            ch.vertical = 1;
        } else if (w == u"sub") {
            ch.vertical = 2;
        } else if (w == u"nosupersub") {
            ch.vertical = 0;
        } else if (w == u"plain") {
            ch = CharState();
        } else if (w == u"pard") {
            st.align = 0;
        } else if (w == u"ql") {
            st.align = 0;
        } else if (w == u"qc") {
            st.align = 1;
        } else if (w == u"qr") {
            st.align = 2;
        } else if (w == u"qj" || w == u"qd") {
            st.align = 3;
        } else if (w == u"deff") {
            defaultFont_ = param;
        } else if (w == u"ansicpg") {
            if (param > 0) docCodePage_ = param;
        } else if (w == u"ansi") {
            docCodePage_ = 1252;
        } else if (w == u"mac") {
            docCodePage_ = 10000;
        } else if (w == u"pc") {
            docCodePage_ = 437;
        } else if (w == u"pca") {
            docCodePage_ = 850;
        } else if (w == u"emdash") {
            text(QString(QChar(0x2014)));
        } else if (w == u"endash") {
            text(QString(QChar(0x2013)));
        } else if (w == u"bullet") {
            text(QString(QChar(0x2022)));
        } else if (w == u"lquote") {
            text(QString(QChar(0x2018)));
        } else if (w == u"rquote") {
            text(QString(QChar(0x2019)));
        } else if (w == u"ldblquote") {
            text(QString(QChar(0x201C)));
        } else if (w == u"rdblquote") {
            text(QString(QChar(0x201D)));
        } else if (w == u"emspace") {
            text(QString(QChar(0x2003)));
        } else if (w == u"enspace") {
            text(QString(QChar(0x2002)));
        } else if (w == u"qmspace") {
            text(QString(QChar(0x2005)));
        }
    }

    // ---- code pages ----

    int fontCodePage(int font) const
    {
        auto it = fonts_.constFind(font);
        if (it != fonts_.constEnd()) {
            if (it->codePage > 0) return it->codePage;
            const int cp = codePageOfCharset(it->charset);
            if (cp > 0) return cp;
        }
        return docCodePage_;
    }

    int textCodePage() const
    {
        const int font = stack_.back().chr.font >= 0 ? stack_.back().chr.font : defaultFont_;
        return fontCodePage(font);
    }

    // ---- document ----

    void text(const QString& s)
    {
        const CharState& ch = state().chr;
        if (ch.hidden || s.isEmpty()) return;
        if (pendingPar_) newBlock();
        if (!run_.isEmpty() && !(runFormat_ == ch)) flushRun();
        runFormat_ = ch;
        run_ += s;
    }

    void paragraph()
    {
        // A \par ends its paragraph; a new one starts only when something follows it, so the closing \par
        // of a document adds no empty line.
        if (pendingPar_) newBlock();
        pendingPar_ = true;
        pendingParAlign_ = state().align;
    }

    void newBlock()
    {
        flushRun();
        setBlockAlignment(pendingParAlign_);
        cursor_.insertBlock(QTextBlockFormat(), qtFormat(state().chr));
        pendingPar_ = false;
    }

    void setBlockAlignment(int align)
    {
        if (align == 0) return;
        static const Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
        QTextBlockFormat f = cursor_.blockFormat();
        f.setAlignment(kAlign[align]);
        cursor_.setBlockFormat(f);
    }

    void flushRun()
    {
        if (run_.isEmpty()) return;
        cursor_.insertText(run_, qtFormat(runFormat_));
        run_.clear();
    }

    QTextCharFormat qtFormat(const CharState& ch) const
    {
        QTextCharFormat f;
        const int font = ch.font >= 0 ? ch.font : defaultFont_;
        auto it = fonts_.constFind(font);
        if (it != fonts_.constEnd() && !it->name.isEmpty()) f.setFontFamilies({it->name});
        if (ch.halfPoints > 0) f.setFontPointSize(ch.halfPoints / 2.0);
        if (ch.colour >= 0 && ch.colour < int(colours_.size()) && colours_[size_t(ch.colour)])
            f.setForeground(*colours_[size_t(ch.colour)]);
        if (ch.bold) f.setFontWeight(QFont::Bold);
        if (ch.italic) f.setFontItalic(true);
        if (ch.underline) f.setFontUnderline(true);
        if (ch.strike) f.setFontStrikeOut(true);
        if (ch.vertical == 1) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else if (ch.vertical == 2) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        return f;
    }

    void finishPict()
    {
        pictOpen_ = false;
        if (pict_.nibble >= 0) pict_.data.append(char(pict_.nibble * 16)); // a cut-off last byte
        QImage img;
        switch (pict_.kind) {
        case PictKind::Dib: img = decodeDib(pict_.data); break;
        case PictKind::Ddb: img = decodeDdb(pict_.data, pict_.picw, pict_.pich, pict_.bitsPixel, pict_.widthBytes); break;
        case PictKind::Blip: img = QImage::fromData(pict_.data); break;
        case PictKind::Metafile: img = decodeMetafile(pict_.data); break;
        case PictKind::None: break;
        }
        // Named by content, so a picture keeps its name when messages are copied from one document to another.
        const QByteArray hash = QCryptographicHash::hash(pict_.data, QCryptographicHash::Sha1);
        pict_.data.clear();
        if (img.isNull()) return;
        const QUrl url(QStringLiteral("rtfimage:%1").arg(QString::fromLatin1(hash.toHex())));
        doc_->addResource(QTextDocument::ImageResource, url, img);

        QTextImageFormat f;
        f.setName(url.toString());
        double w = img.width() * pict_.scalex / 100.0;
        double h = img.height() * pict_.scaley / 100.0;
        if (pict_.goalw > 0) w = pict_.goalw / kTwipsPerPixel * pict_.scalex / 100.0;
        if (pict_.goalh > 0) h = pict_.goalh / kTwipsPerPixel * pict_.scaley / 100.0;
        if (w >= 1 && h >= 1 && (qAbs(w - img.width()) >= 1 || qAbs(h - img.height()) >= 1)) {
            f.setWidth(w);
            f.setHeight(h);
        }
        if (pendingPar_) newBlock();
        flushRun();
        cursor_.insertImage(f);
    }

    const QString& src_;
    QTextDocument* doc_;
    QTextCursor cursor_;
    qsizetype pos_ = 0;
    std::vector<State> stack_;
    int overflow_ = 0;
    int skip_ = 0; // characters of a \uN fallback still to drop
    bool star_ = false;

    int docCodePage_ = 1252;
    int defaultFont_ = -1;
    QHash<int, FontEntry> fonts_;
    int curFont_ = -1;
    QString fontName_;
    std::vector<std::optional<QColor>> colours_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourAny_ = false;

    QByteArray bytes_;
    int bytesCodePage_ = 1252;

    Pict pict_;
    bool pictOpen_ = false;

    QString run_;
    CharState runFormat_;
    bool pendingPar_ = false;
    int pendingParAlign_ = 0;
};

} // namespace

void fromRtf(const QString& rtf, QTextDocument* doc)
{
    if (!doc) return;
    try {
        doc->clear();
        QTextCursor edit(doc);
        edit.beginEditBlock();
        Reader(rtf, doc).read();
        edit.endEditBlock();
    } catch (...) {
        // Whatever was read stays; a message is never a reason to fail.
    }
}

} // namespace oa
