// The RTF writer and reader that carry chat messages: round trips of what the send box holds, RTF written by
// Windows rich edit controls and word processors, and damaged input.
#include "lantern/rtf/Rtf.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QtEndian>
#include <cctype>
#include <functional>
#include <ostream>
#include <vector>

namespace {

// One run of text with the formatting a reader sees: the format's values, unset ones from the default font.
struct TextRun {
    int block = 0;
    QString text;
    QString family;
    double points = 0;
    QString colour; // "auto" when the format sets none
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool operator==(const TextRun&) const = default;
};

void PrintTo(const TextRun& r, std::ostream* os)
{
    *os << "{block " << r.block << " \"" << r.text.toStdString() << "\" " << r.family.toStdString() << ' ' << r.points
        << "pt " << r.colour.toStdString() << (r.bold ? " bold" : "") << (r.italic ? " italic" : "")
        << (r.underline ? " underline" : "") << (r.strike ? " strike" : "") << '}';
}

TextRun runOf(const QTextDocument& doc, int block, const QTextFragment& frag)
{
    const QTextCharFormat f = frag.charFormat();
    const QFont font = f.font().resolve(doc.defaultFont());
    TextRun r;
    r.block = block;
    r.text = frag.text();
    r.family = font.families().value(0, font.family());
    r.points = font.pointSizeF();
    r.colour = f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QStringLiteral("auto");
    r.bold = font.bold();
    r.italic = font.italic();
    r.underline = f.fontUnderline();
    r.strike = font.strikeOut();
    return r;
}

// The text runs of a document, neighbours with the same formatting joined; pictures left out.
std::vector<TextRun> runs(const QTextDocument& doc)
{
    std::vector<TextRun> out;
    int index = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++index) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) continue;
            TextRun r = runOf(doc, index, it.fragment());
            if (!out.empty()) {
                TextRun& last = out.back();
                TextRun probe = r;
                probe.text = last.text;
                if (probe == last) {
                    last.text += r.text;
                    continue;
                }
            }
            out.push_back(r);
        }
    }
    return out;
}

// The run holding the text; fails the test when there is none.
TextRun runWith(const QTextDocument& doc, const QString& text)
{
    for (const TextRun& r : runs(doc))
        if (r.text.contains(text)) return r;
    ADD_FAILURE() << "no run holds " << text.toStdString();
    return {};
}

struct Picture {
    QImage image;
    QTextImageFormat format;
};

std::vector<Picture> pictures(const QTextDocument& doc)
{
    std::vector<Picture> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (!f.isImageFormat()) continue;
            const QTextImageFormat img = f.toImageFormat();
            out.push_back({doc.resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>(), img});
        }
    return out;
}

QTextDocument* roundTrip(const QTextDocument& doc, QTextDocument* out)
{
    oa::fromRtf(oa::toRtf(doc), out);
    return out;
}

QTextCharFormat fmt(const std::function<void(QTextCharFormat&)>& set)
{
    QTextCharFormat f;
    set(f);
    return f;
}

QString readFixture(const char* name)
{
    QFile f(QStringLiteral(OA_FIXTURES_DIR "/rtf/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    // RTF files are 7-bit text; anything else in them is taken byte for byte.
    return QString::fromLatin1(f.readAll());
}

QImage testImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 37) % 256, (y * 53) % 256, (x * y * 11) % 256));
    return img;
}

QByteArray dibOf(const QImage& img)
{
    // A 24-bit DIB written the Windows way, independent of the writer under test.
    const int w = img.width(), h = img.height(), row = ((w * 3 + 3) / 4) * 4;
    QByteArray out(40, '\0');
    qToLittleEndian<quint32>(40, out.data());
    qToLittleEndian<qint32>(w, out.data() + 4);
    qToLittleEndian<qint32>(h, out.data() + 8);
    qToLittleEndian<quint16>(1, out.data() + 12);
    qToLittleEndian<quint16>(24, out.data() + 14);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray line(row, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb c = img.pixel(x, y);
            line[x * 3] = char(qBlue(c));
            line[x * 3 + 1] = char(qGreen(c));
            line[x * 3 + 2] = char(qRed(c));
        }
        out += line;
    }
    return out;
}

void expectSamePixels(const QImage& actual, const QImage& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(QColor(actual.pixel(x, y)).rgb(), QColor(expected.pixel(x, y)).rgb()) << "at " << x << ',' << y;
}

// Damaged pictures make the image plug-ins complain on the console; the tests expect that.
class QuietImageWarnings {
public:
    QuietImageWarnings() : previous_(qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})) {}
    ~QuietImageWarnings() { qInstallMessageHandler(previous_); }

private:
    QtMessageHandler previous_;
};

// The document's characters as they are (no-break spaces and line breaks kept), paragraphs ended by '\n'.
QString textOf(const QTextDocument& doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

QString plain(const QString& rtf)
{
    QTextDocument doc;
    oa::fromRtf(rtf, &doc);
    return textOf(doc);
}

// ---------------------------------------------------------------------------------------------------------------
// Round trips of what the send box holds

struct RoundTripCase {
    const char* name;
    std::function<void(QTextCursor&)> build;
};

const QString kSong = QStringLiteral("宋体");

std::vector<RoundTripCase> roundTripCases()
{
    return {
        {"plain", [](QTextCursor& c) { c.insertText(QStringLiteral("Hello, world.")); }},
        {"bold", [](QTextCursor& c) { c.insertText(QStringLiteral("bold"), fmt([](auto& f) { f.setFontWeight(QFont::Bold); })); }},
        {"italic", [](QTextCursor& c) { c.insertText(QStringLiteral("italic"), fmt([](auto& f) { f.setFontItalic(true); })); }},
        {"underline", [](QTextCursor& c) { c.insertText(QStringLiteral("under"), fmt([](auto& f) { f.setFontUnderline(true); })); }},
        {"strike", [](QTextCursor& c) { c.insertText(QStringLiteral("strike"), fmt([](auto& f) { f.setFontStrikeOut(true); })); }},
        {"colour", [](QTextCursor& c) { c.insertText(QStringLiteral("teal"), fmt([](auto& f) { f.setForeground(QColor(12, 34, 56)); })); }},
        {"half point size", [](QTextCursor& c) { c.insertText(QStringLiteral("10.5"), fmt([](auto& f) { f.setFontPointSize(10.5); })); }},
        {"large size", [](QTextCursor& c) { c.insertText(QStringLiteral("36"), fmt([](auto& f) { f.setFontPointSize(36); })); }},
        {"latin face", [](QTextCursor& c) { c.insertText(QStringLiteral("Arial"), fmt([](auto& f) { f.setFontFamilies({QStringLiteral("Arial")}); })); }},
        {"chinese face",
         [](QTextCursor& c) { c.insertText(QStringLiteral("宋体 text 你好"), fmt([](auto& f) { f.setFontFamilies({kSong}); })); }},
        {"chinese text", [](QTextCursor& c) { c.insertText(QStringLiteral("你好，世界！今天开会吗？")); }},
        {"all attributes at once",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("全部 all"), fmt([](auto& f) {
                              f.setFontFamilies({QStringLiteral("黑体")});
                              f.setFontPointSize(14);
                              f.setForeground(QColor(255, 0, 0));
                              f.setFontWeight(QFont::Bold);
                              f.setFontItalic(true);
                              f.setFontUnderline(true);
                              f.setFontStrikeOut(true);
                          }));
         }},
        {"formats switched on and off",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("a"));
             c.insertText(QStringLiteral("12"), fmt([](auto& f) { f.setFontWeight(QFont::Bold); }));
             c.insertText(QStringLiteral("34 "), QTextCharFormat());
             c.insertText(QStringLiteral(" x"), fmt([](auto& f) { f.setForeground(QColor(0, 0, 255)); }));
             c.insertText(QStringLiteral("9"), fmt([](auto& f) { f.setFontPointSize(20); }));
         }},
        {"paragraphs and line breaks",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("one"));
             c.insertBlock();
             c.insertText(QStringLiteral("two") + QChar(QChar::LineSeparator) + QStringLiteral("two b"));
             c.insertBlock();
             c.insertBlock();
             c.insertText(QStringLiteral("after an empty line"));
         }},
        {"empty paragraph at the end",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("last"));
             c.insertBlock();
         }},
        {"leading and trailing blanks", [](QTextCursor& c) { c.insertText(QStringLiteral("  two blanks  \tand a tab ")); }},
        {"braces and backslashes", [](QTextCursor& c) { c.insertText(QStringLiteral("{ } \\ {\\rtf1 x} \\\\ }{")); }},
        {"control words typed as text",
         [](QTextCursor& c) { c.insertText(QStringLiteral("\\par \\b bold? \\u20320? \\'c4\\'e3 \\*\\x {\\pict 00}")); }},
        {"quotes", [](QTextCursor& c) { c.insertText(QStringLiteral("\"double\" 'single' “中文引号” ‘单’")); }},
        {"western accents and euro", [](QTextCursor& c) { c.insertText(QStringLiteral("café naïve Ærø € ½")); }},
        {"characters without a GBK form", [](QTextCursor& c) { c.insertText(QStringLiteral("한국어 ﬁ 😀 𠀀")); }},
        {"no-break space", [](QTextCursor& c) { c.insertText(QStringLiteral("a") + QChar(0x00A0) + QStringLiteral("b")); }},
    };
}

class RtfRoundTripTable : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RtfRoundTripTable, KeepsTextAndFormats)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    GetParam().build(c);

    const QString rtf = oa::toRtf(doc);
    for (QChar ch : rtf) ASSERT_LT(ch.unicode(), 0x80) << "non-ASCII output: " << rtf.toStdString();

    QTextDocument back;
    oa::fromRtf(rtf, &back);
    EXPECT_EQ(textOf(back), textOf(doc)) << rtf.toStdString();
    EXPECT_EQ(runs(back), runs(doc)) << rtf.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, RtfRoundTripTable, testing::ValuesIn(roundTripCases()),
                         [](const testing::TestParamInfo<RoundTripCase>& info) {
                             std::string s;
                             for (char ch : std::string(info.param.name)) s += std::isalnum(uchar(ch)) ? ch : '_';
                             return s;
                         });

TEST(RtfRoundTrip, HundredThousandCharacters)
{
    QString text;
    const QString piece = QStringLiteral("通知{\\par}abc \"q\" 你好\\u1? ");
    while (text.size() < 100000) text += piece;
    text.truncate(100000);
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(text.left(50000));
    c.insertText(text.mid(50000), fmt([](auto& f) { f.setFontWeight(QFont::Bold); }));

    QTextDocument back;
    roundTrip(doc, &back);
    EXPECT_EQ(textOf(back), text);
    EXPECT_EQ(runs(back), runs(doc));
}

TEST(RtfRoundTrip, Alignment)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("left"));
    c.insertBlock();
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centre);
    c.insertText(QStringLiteral("centre"));
    c.insertBlock();
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.setBlockFormat(right);
    c.insertText(QStringLiteral("right"));

    QTextDocument back;
    roundTrip(doc, &back);
    ASSERT_EQ(back.blockCount(), 3);
    EXPECT_FALSE(back.findBlockByNumber(0).blockFormat().alignment() & (Qt::AlignHCenter | Qt::AlignRight));
    EXPECT_TRUE(back.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(back.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignRight);
}

TEST(RtfRoundTrip, PicturesKeepTheirPixelsAndPlace)
{
    QTextDocument doc;
    const QImage rgb = testImage(7, 5); // rows of 21 bytes: padding to 24 is needed
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(10, 20, 30)});
    const uchar idx[2][3] = {{0, 1, 2}, {2, 1, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) indexed.setPixel(x, y, idx[y][x]);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:rgb")), rgb);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:indexed")), indexed);

    QTextCursor c(&doc);
    c.insertText(QStringLiteral("看图 "));
    QTextImageFormat a;
    a.setName(QStringLiteral("mem:rgb"));
    c.insertImage(a);
    c.insertText(QStringLiteral(" and "));
    QTextImageFormat b;
    b.setName(QStringLiteral("mem:indexed"));
    b.setWidth(30); // shown ten times as large
    b.setHeight(20);
    c.insertImage(b);
    c.insertText(QStringLiteral(" end"));

    const QString rtf = oa::toRtf(doc);
    EXPECT_TRUE(rtf.contains(QStringLiteral("{\\pict\\dibitmap0\\picw7\\pich5\\picwgoal105\\pichgoal75 28000000")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\picw3\\pich2\\picwgoal450\\pichgoal300 28000000030000000200000001000800")));

    QTextDocument back;
    oa::fromRtf(rtf, &back);
    EXPECT_EQ(textOf(back), textOf(doc));
    const auto pics = pictures(back);
    ASSERT_EQ(pics.size(), 2u);
    expectSamePixels(pics[0].image, rgb);
    EXPECT_FALSE(pics[0].format.hasProperty(QTextFormat::ImageWidth));
    expectSamePixels(pics[1].image, indexed.convertToFormat(QImage::Format_RGB32));
    EXPECT_DOUBLE_EQ(pics[1].format.width(), 30);
    EXPECT_DOUBLE_EQ(pics[1].format.height(), 20);
}

TEST(RtfRoundTrip, TransparentPixelsBecomeWhite)
{
    QImage img(2, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(0, 0, 0, 0));
    img.setPixel(1, 0, qRgba(0, 0, 255, 255));
    QTextDocument doc;
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:a")), img);
    QTextImageFormat f;
    f.setName(QStringLiteral("mem:a"));
    QTextCursor(&doc).insertImage(f);

    QTextDocument back;
    roundTrip(doc, &back);
    const auto pics = pictures(back);
    ASSERT_EQ(pics.size(), 1u);
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 0)), QColor(Qt::white));
    EXPECT_EQ(QColor(pics[0].image.pixel(1, 0)), QColor(0, 0, 255));
}

// ---------------------------------------------------------------------------------------------------------------
// What the writer puts out, for the rich edit controls of the other desktops

TEST(RtfWriter, DeclaresGbkAndWritesChineseWithGbkFallback)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("你好 한"), fmt([](auto& f) { f.setFontFamilies({kSong}); }));
    const QString rtf = oa::toRtf(doc);

    EXPECT_TRUE(rtf.startsWith(QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1{\\fonttbl"))) << rtf.toStdString();
    // The face name in GBK bytes, readable by readers without Unicode.
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\fcharset134 \\uc2\\u23435\\'cb\\'ce\\u20307\\'cc\\'e5;}"))) << rtf.toStdString();
    // Two fallback bytes per Chinese character, '?' for one GBK has not.
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\uc2\\u20320\\'c4\\'e3\\u22909\\'ba\\'c3 \\uc1\\u-10916?"))) << rtf.toStdString();
    EXPECT_TRUE(rtf.trimmed().endsWith(QStringLiteral("\\par\r\n}")));
}

TEST(RtfWriter, WritesFormatsAsRichEditReadsThem)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("x"), fmt([](auto& f) {
                     f.setFontFamilies({QStringLiteral("Arial")});
                     f.setFontPointSize(10.5);
                     f.setForeground(QColor(255, 0, 0));
                     f.setFontWeight(QFont::Bold);
                     f.setFontItalic(true);
                     f.setFontUnderline(true);
                     f.setFontStrikeOut(true);
                 }));
    c.insertText(QStringLiteral("y"), QTextCharFormat());
    const QString rtf = oa::toRtf(doc);
    EXPECT_TRUE(rtf.contains(QStringLiteral("{\\colortbl ;\\red255\\green0\\blue0;}")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\fcharset0 Arial;}")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\fs21\\cf1\\b\\i\\ul\\strike x"))) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\cf0\\b0\\i0\\ulnone\\strike0 y"))) << rtf.toStdString();
}

// ---------------------------------------------------------------------------------------------------------------
// Reading

struct TextCase {
    const char* name;
    const char* rtf;
    QString expected;
};

class RtfReadText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfReadText, Reads)
{
    EXPECT_EQ(plain(QString::fromLatin1(GetParam().rtf)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, RtfReadText,
    testing::Values(
        TextCase{"gbk_bytes", "{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3\\'ba\\'c3}", QStringLiteral("你好")},
        TextCase{"gbk_bytes_across_lines", "{\\rtf1\\ansi\\ansicpg936 \\'c4\r\n\\'e3}", QStringLiteral("你")},
        TextCase{"gbk_second_byte_as_a_character", "{\\rtf1\\ansi\\ansicpg936 \\'81@\\'81\\\\x}", QStringLiteral("丂乗x")},
        TextCase{"default_code_page_is_1252", "{\\rtf1\\ansi caf\\'e9 \\'80 \\'93q\\'94}", QStringLiteral("café € “q”")},
        TextCase{"font_charset_over_document_page",
                 "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset134 S;}}\\f1\\'c4\\'e3\\f0\\'e9}",
                 QStringLiteral("你é")},
        TextCase{"default_font_charset", "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\fcharset136 M;}}\\'a7\\'41}", QStringLiteral("你")},
        TextCase{"big5_and_shift_jis",
                 "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset136 M;}{\\f1\\fcharset128 J;}}\\f0\\'a4\\'a4\\f1\\'93\\'fa}",
                 QStringLiteral("中日")},
        TextCase{"unicode_skips_one_fallback", "{\\rtf1\\uc1\\u20320?\\u22909\\'3f}", QStringLiteral("你好")},
        TextCase{"unicode_skips_two_fallback_bytes", "{\\rtf1\\ansicpg936\\uc2\\u20320\\'c4\\'e3!}", QStringLiteral("你!")},
        TextCase{"unicode_without_fallback", "{\\rtf1\\uc0\\u20320 \\u22909 x}", QStringLiteral("你好x")},
        TextCase{"negative_unicode", "{\\rtf1\\u-3844?}", QString(QChar(0xF0FC))},
        TextCase{"surrogate_pair", "{\\rtf1\\u-10179?\\u-8704?}", QStringLiteral("😀")},
        TextCase{"skip_counts_a_control_word", "{\\rtf1\\uc1\\u20320\\par x}", QStringLiteral("你x")},
        TextCase{"skip_ends_with_the_group", "{\\rtf1{\\uc3\\u20320?}x}", QStringLiteral("你x")},
        TextCase{"uc_is_scoped_to_its_group", "{\\rtf1{\\uc0 a}\\u20320?b}", QStringLiteral("a你b")}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Structure, RtfReadText,
    testing::Values(
        TextCase{"closing_par_adds_no_line", "{\\rtf1 a\\par}", QStringLiteral("a")},
        TextCase{"empty_last_paragraph", "{\\rtf1 a\\par\\par}", QStringLiteral("a\n")},
        TextCase{"leading_par", "{\\rtf1\\par a}", QStringLiteral("\na")},
        TextCase{"line_and_tab", "{\\rtf1 a\\line b\\tab c}", QStringLiteral("a\u2028b\tc")},
        TextCase{"escaped_characters", "{\\rtf1 \\{\\}\\\\ \\~x}", QStringLiteral("{}\\ \u00A0x")},
        TextCase{"delimiter_blank_is_dropped", "{\\rtf1\\b  two}", QStringLiteral(" two")},
        TextCase{"backslash_newline_is_par", "{\\rtf1 a\\\nb}", QStringLiteral("a\nb")},
        TextCase{"named_characters", "{\\rtf1 \\lquote\\rquote\\ldblquote\\rdblquote\\emdash\\endash\\bullet}",
                 QStringLiteral("‘’“”—–•")},
        TextCase{"unknown_optional_destination", "{\\rtf1 a{\\*\\unknownthing secret{\\b more}}b}", QStringLiteral("ab")},
        TextCase{"unknown_control_word_is_ignored", "{\\rtf1 a\\madeupword12 b}", QStringLiteral("ab")},
        TextCase{"tables_are_not_text",
                 "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}{\\stylesheet{\\s0 Normal;}}"
                 "{\\info{\\title T}{\\author A}}{\\*\\generator G;}x}",
                 QStringLiteral("x")},
        TextCase{"field_shows_its_result",
                 "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} end}", QStringLiteral("link end")},
        TextCase{"headers_and_footnotes_are_skipped", "{\\rtf1{\\header H}{\\footer F}a{\\footnote N}}", QStringLiteral("a")},
        TextCase{"hidden_text", "{\\rtf1 a{\\v hidden}\\v x\\v0 b}", QStringLiteral("ab")},
        TextCase{"binary_data_outside_pictures", "{\\rtf1 a{\\*\\x\\bin3 }{}}b}", QStringLiteral("ab")},
        TextCase{"plain_text_is_text", "just text", QStringLiteral("just text")}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(RtfReader, ReplacesWhatTheDocumentHeld)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old text"));
    oa::fromRtf(QStringLiteral("{\\rtf1 new}"), &doc);
    EXPECT_EQ(textOf(doc), QStringLiteral("new"));
}

TEST(RtfReader, FormatsFollowGroupsAndPlain)
{
    QTextDocument doc;
    oa::fromRtf(QStringLiteral("{\\rtf1{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1 Arial;}}"
                               "{\\colortbl ;\\red0\\green0\\blue255;}"
                               "\\f1\\fs20 a{\\b\\cf1\\f0 b{\\i c}}d\\ul e\\ulnone f\\strike g\\plain h\\fs30\\ul0 i}"),
                &doc);
    const QFont base = doc.defaultFont();
    EXPECT_EQ(runWith(doc, QStringLiteral("a")), (TextRun{0, QStringLiteral("a"), QStringLiteral("Arial"), 10, QStringLiteral("auto")}));
    EXPECT_EQ(runWith(doc, QStringLiteral("b")),
              (TextRun{0, QStringLiteral("b"), kSong, 10, QStringLiteral("#0000ff"), true}));
    EXPECT_EQ(runWith(doc, QStringLiteral("c")),
              (TextRun{0, QStringLiteral("c"), kSong, 10, QStringLiteral("#0000ff"), true, true}));
    EXPECT_EQ(runWith(doc, QStringLiteral("d")), (TextRun{0, QStringLiteral("d"), QStringLiteral("Arial"), 10, QStringLiteral("auto")}));
    EXPECT_TRUE(runWith(doc, QStringLiteral("e")).underline);
    EXPECT_FALSE(runWith(doc, QStringLiteral("f")).underline);
    EXPECT_TRUE(runWith(doc, QStringLiteral("g")).strike);
    // \plain goes back to the document's own font.
    EXPECT_EQ(runWith(doc, QStringLiteral("h")),
              (TextRun{0, QStringLiteral("h"), base.families().value(0, base.family()), base.pointSizeF(), QStringLiteral("auto")}));
    EXPECT_EQ(runWith(doc, QStringLiteral("i")).points, 15);
}

TEST(RtfReader, AutomaticColourAndUnknownIndexesLeaveTheDefault)
{
    QTextDocument doc;
    oa::fromRtf(QStringLiteral("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 a\\cf0 b\\cf9 c\\f7 d}"), &doc);
    EXPECT_EQ(runWith(doc, QStringLiteral("a")).colour, QStringLiteral("#ff0000"));
    EXPECT_EQ(runWith(doc, QStringLiteral("bcd")).colour, QStringLiteral("auto"));
}

// The picture fragment the first desktops inserted into the send box: a DIB without any size words.
TEST(RtfReader, BareDibPictureOfTheFirstDesktops)
{
    const QImage img = testImage(5, 3);
    const QString rtf = QStringLiteral("{\\rtf1 {\\pict\\dibitmap ") + QString::fromLatin1(dibOf(img).toHex().toUpper()) +
                        QStringLiteral(" }}");
    QTextDocument doc;
    oa::fromRtf(rtf, &doc);
    const auto pics = pictures(doc);
    ASSERT_EQ(pics.size(), 1u);
    expectSamePixels(pics[0].image, img);
    EXPECT_FALSE(pics[0].format.hasProperty(QTextFormat::ImageWidth));
}

TEST(RtfReader, PictureKinds)
{
    const QImage img = testImage(4, 4);
    auto encoded = [&](const char* format) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, format, 100);
        return bytes;
    };
    // A Windows metafile whose only drawing is a StretchDIB of the picture.
    QByteArray wmf(18, '\0');
    qToLittleEndian<quint16>(1, wmf.data());
    qToLittleEndian<quint16>(9, wmf.data() + 2);
    qToLittleEndian<quint16>(0x300, wmf.data() + 4);
    const QByteArray dib = dibOf(img);
    QByteArray record(6 + 22, '\0');
    qToLittleEndian<quint32>(quint32((record.size() + dib.size()) / 2), record.data());
    qToLittleEndian<quint16>(0x0F43, record.data() + 4);
    wmf += record + dib;
    wmf += QByteArray::fromHex("030000000000");

    // Device bits of \wbitmap: 24 bits, rows from the top.
    QByteArray ddb;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const QRgb c = img.pixel(x, y);
            ddb += char(qBlue(c));
            ddb += char(qGreen(c));
            ddb += char(qRed(c));
        }

    const QString png = QString::fromLatin1(encoded("PNG").toHex());
    const std::vector<std::pair<const char*, QString>> cases = {
        {"png", QStringLiteral("{\\pict\\pngblip\\picw4\\pich4 ") + png + QStringLiteral("}")},
        {"png in shppict, metafile beside it skipped",
         QStringLiteral("{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn n}{\\sv v}}}\\pngblip ") + png +
             QStringLiteral("}}{\\nonshppict{\\pict\\wmetafile8 0100}}")},
        {"png as binary",
         QStringLiteral("{\\pict\\pngblip\\bin%1 ").arg(encoded("PNG").size()) + QString::fromLatin1(encoded("PNG")) + QStringLiteral("}")},
        {"hex split over lines", QStringLiteral("{\\pict\\pngblip\r\n") + png.left(20) + QStringLiteral("\r\n") + png.mid(20) + QStringLiteral("}")},
        {"wbitmap", QStringLiteral("{\\pict\\wbitmap0\\picw4\\pich4\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes12 ") +
                        QString::fromLatin1(ddb.toHex()) + QStringLiteral("}")},
        {"metafile with a bitmap", QStringLiteral("{\\pict\\wmetafile8\\picw100\\pich100 ") + QString::fromLatin1(wmf.toHex()) + QStringLiteral("}")},
    };
    for (const auto& [name, pict] : cases) {
        SCOPED_TRACE(name);
        QTextDocument doc;
        oa::fromRtf(QStringLiteral("{\\rtf1 a") + pict + QStringLiteral("b}"), &doc);
        EXPECT_EQ(textOf(doc), QStringLiteral("a\uFFFCb"));
        const auto pics = pictures(doc);
        ASSERT_EQ(pics.size(), 1u);
        expectSamePixels(pics[0].image, img);
    }

    // JPEG is lossy: the size and the rough colour of a flat picture.
    QImage flat(8, 8, QImage::Format_RGB32);
    flat.fill(QColor(200, 40, 40));
    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    flat.save(&buf, "JPG", 95);
    QTextDocument doc;
    oa::fromRtf(QStringLiteral("{\\rtf1{\\pict\\jpegblip\\picwgoal240\\pichgoal240 ") + QString::fromLatin1(jpeg.toHex()) + QStringLiteral("}}"), &doc);
    const auto pics = pictures(doc);
    ASSERT_EQ(pics.size(), 1u);
    EXPECT_EQ(pics[0].image.size(), QSize(8, 8));
    EXPECT_NEAR(QColor(pics[0].image.pixel(4, 4)).red(), 200, 8);
    EXPECT_DOUBLE_EQ(pics[0].format.width(), 16); // 240 twips
}

TEST(RtfReader, PicturesItCannotShowAreLeftOut)
{
    QuietImageWarnings quiet;
    QTextDocument doc;
    oa::fromRtf(QStringLiteral("{\\rtf1 a{\\pict\\emfblip 0102}{\\pict\\macpict 00}{\\pict\\pngblip 89504e}b}"), &doc);
    EXPECT_EQ(textOf(doc), QStringLiteral("ab"));
    EXPECT_TRUE(pictures(doc).empty());
}

// ---------------------------------------------------------------------------------------------------------------
// RTF written by other programs (tests/fixtures/rtf/make_fixtures.sh)

class RtfFixtureMessage : public testing::TestWithParam<const char*> {};

TEST_P(RtfFixtureMessage, FromWordProcessor)
{
    QTextDocument doc;
    oa::fromRtf(readFixture(GetParam()), &doc);
    EXPECT_EQ(textOf(doc), QStringLiteral("Plain bold italic underline strike end.\n"
                                                "红色宋体大字 and blue courier.\n"
                                                "中文：你好，世界！ Braces {x} and a backslash \\ and \"quotes\" \\par typed.\u2028After the break.\n"
                                                "Picture: \uFFFC"));
    EXPECT_TRUE(runWith(doc, QStringLiteral("bold")).bold);
    EXPECT_FALSE(runWith(doc, QStringLiteral("Plain")).bold);
    EXPECT_TRUE(runWith(doc, QStringLiteral("italic")).italic);
    EXPECT_TRUE(runWith(doc, QStringLiteral("underline")).underline);
    EXPECT_TRUE(runWith(doc, QStringLiteral("strike")).strike);
    const TextRun song = runWith(doc, QStringLiteral("红色宋体大字"));
    EXPECT_EQ(song.family, kSong);
    EXPECT_EQ(song.colour, QStringLiteral("#ff0000"));
    const TextRun courier = runWith(doc, QStringLiteral("blue courier"));
    EXPECT_EQ(courier.family, QStringLiteral("Courier New"));
    EXPECT_EQ(courier.points, 10);
    EXPECT_EQ(courier.colour, QStringLiteral("#0000ff"));
    EXPECT_TRUE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHCenter);

    const auto pics = pictures(doc);
    ASSERT_EQ(pics.size(), 1u);
    ASSERT_EQ(pics[0].image.size(), QSize(4, 3));
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(pics[0].image.pixel(1, 0)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 1)), QColor(0, 255, 0));
}

INSTANTIATE_TEST_SUITE_P(Programs, RtfFixtureMessage, testing::Values("abiword_message.rtf", "libreoffice_message.rtf"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(0, std::string(info.param).find('_'));
                         });

TEST(RtfFixture, AbiWordKeepsTheSizeOfTheChineseRun)
{
    QTextDocument doc;
    oa::fromRtf(readFixture("abiword_message.rtf"), &doc);
    EXPECT_EQ(runWith(doc, QStringLiteral("红色宋体大字")).points, 16);
}

TEST(RtfFixture, RichEditGbkMessage)
{
    QTextDocument doc;
    oa::fromRtf(readFixture("richedit_gbk.rtf"), &doc);
    EXPECT_EQ(textOf(doc), QStringLiteral("你好世界\nArial café 上海\n\uFFFC"));
    EXPECT_EQ(runWith(doc, QStringLiteral("你好")), (TextRun{0, QStringLiteral("你好"), kSong, 9, QStringLiteral("auto")}));
    EXPECT_EQ(runWith(doc, QStringLiteral("世界")), (TextRun{0, QStringLiteral("世界"), kSong, 9, QStringLiteral("#ff0000"), true}));
    EXPECT_EQ(runWith(doc, QStringLiteral("café")), (TextRun{1, QStringLiteral("Arial café "), QStringLiteral("Arial"), 10, QStringLiteral("auto")}));
    const TextRun shanghai = runWith(doc, QStringLiteral("上海"));
    EXPECT_EQ(shanghai.family, kSong);
    EXPECT_EQ(shanghai.colour, QStringLiteral("#0000ff"));
    EXPECT_TRUE(shanghai.underline);

    const auto pics = pictures(doc);
    ASSERT_EQ(pics.size(), 1u);
    ASSERT_EQ(pics[0].image.size(), QSize(2, 2));
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(pics[0].image.pixel(1, 0)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 1)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(pics[0].image.pixel(1, 1)), QColor(255, 255, 255));
}

// ---------------------------------------------------------------------------------------------------------------
// Damaged input: never a crash, and what can be read is shown

TEST(RtfMalformed, UnbalancedBracesKeepTheText)
{
    EXPECT_EQ(plain(QStringLiteral("{\\rtf1 {\\b bold")), QStringLiteral("bold"));
    EXPECT_EQ(plain(QStringLiteral("{\\rtf1 a}}} b")), QStringLiteral("a b"));
    EXPECT_EQ(plain(QStringLiteral("}}{\\rtf1 c")), QStringLiteral("c"));
    QTextDocument doc;
    oa::fromRtf(QStringLiteral("{\\rtf1 {\\b bold"), &doc);
    EXPECT_TRUE(runWith(doc, QStringLiteral("bold")).bold);
}

TEST(RtfMalformed, TruncatedPictureHexStillShowsThePicture)
{
    const QImage img = testImage(6, 6);
    const QString hex = QString::fromLatin1(dibOf(img).toHex());
    QTextDocument doc;
    // The header and the bottom rows arrive; the rest, and the closing braces, are cut off (odd digit count).
    oa::fromRtf(QStringLiteral("{\\rtf1 x{\\pict\\dibitmap0 ") + hex.left(80 + 2 * 40 + 1), &doc);
    const auto pics = pictures(doc);
    ASSERT_EQ(pics.size(), 1u);
    EXPECT_EQ(pics[0].image.size(), QSize(6, 6));
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 5)), QColor(img.pixel(0, 5)));
    EXPECT_EQ(QColor(pics[0].image.pixel(0, 0)), QColor(Qt::black));
}

TEST(RtfMalformed, NeverCrashes)
{
    QuietImageWarnings quiet;
    QByteArray hugeDib(40, '\0');
    qToLittleEndian<quint32>(40, hugeDib.data());
    qToLittleEndian<qint32>(30000, hugeDib.data() + 4);
    qToLittleEndian<qint32>(30000, hugeDib.data() + 8);
    qToLittleEndian<quint16>(24, hugeDib.data() + 14);
    const QStringList inputs = {
        QString(),
        QStringLiteral("{"),
        QStringLiteral("}"),
        QStringLiteral("\\"),
        QStringLiteral("{\\rtf1 \\'"),
        QStringLiteral("{\\rtf1 \\'c"),
        QStringLiteral("{\\rtf1 \\'zz"),
        QStringLiteral("{\\rtf1\\ansicpg936 \\'c4}"),
        QStringLiteral("{\\rtf1\\ansicpg99999 \\'c4\\'e3}"),
        QStringLiteral("{\\rtf1 \\u"),
        QStringLiteral("{\\rtf1 \\u99999999999999999999 \\uc-5\\u-99999999"),
        QStringLiteral("{\\rtf1 \\uc99999999\\u20320 abc}"),
        QStringLiteral("{\\rtf1 \\bin"),
        QStringLiteral("{\\rtf1 \\bin999999999 abc"),
        QStringLiteral("{\\rtf1 \\bin-5 abc}"),
        QStringLiteral("{\\rtf1 {\\pict"),
        QStringLiteral("{\\rtf1 {\\pict\\dibitmap 2800"),
        QStringLiteral("{\\rtf1 {\\pict\\dibitmap ") + QString::fromLatin1(hugeDib.toHex()) + QStringLiteral("}}"),
        QStringLiteral("{\\rtf1 {\\pict\\wbitmap\\picw99999\\pich99999\\wbmbitspixel24 00}}"),
        QStringLiteral("{\\rtf1 {\\pict\\wbitmap\\picw-3\\pich2\\wbmbitspixel1 00}}"),
        QStringLiteral("{\\rtf1 {\\pict\\wmetafile8 0100090000030000}}"),
        QStringLiteral("{\\rtf1 {\\pict\\emfblip 01000000ffffffff}}"),
        QStringLiteral("{\\rtf1 {\\pict{\\pict\\pngblip 00}}}"),
        QStringLiteral("{\\rtf1{\\fonttbl{\\f-1 A;}{\\f99999999999 B"),
        QStringLiteral("{\\rtf1{\\colortbl;\\red999\\green-4;;}\\cf-1 a\\cf99999 b\\fs-4 c\\fs99999999 d\\f-7 e}"),
        QStringLiteral("{\\rtf1 \\*\\*\\* x \\* {\\*} {\\*\\*\\par} y}"),
        QStringLiteral("{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz123 z}"),
        QString(200000, QLatin1Char('{')) + QStringLiteral("deep") + QString(100, QLatin1Char('}')),
        QString(200000, QLatin1Char('}')),
        QStringLiteral("{\\rtf1 ") + QString(QChar(0)) + QStringLiteral("nul ") + QChar(0xD800) + QStringLiteral("}"),
    };
    for (const QString& in : inputs) {
        SCOPED_TRACE(in.left(80).toStdString());
        QTextDocument doc;
        oa::fromRtf(in, &doc);
        // Whatever came in, the document is usable and can be written again.
        EXPECT_FALSE(oa::toRtf(doc).isEmpty());
    }
    EXPECT_EQ(plain(QString(200000, QLatin1Char('{')) + QStringLiteral("deep")), QStringLiteral("deep"));
}

// Every prefix of a message and random damage to it: the reader keeps going.
TEST(RtfMalformed, CutAndDamagedMessages)
{
    QuietImageWarnings quiet;
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("你好 {x} \\par"), fmt([](auto& f) {
                     f.setFontFamilies({kSong});
                     f.setForeground(QColor(1, 2, 3));
                 }));
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:p")), testImage(3, 3));
    QTextImageFormat pic;
    pic.setName(QStringLiteral("mem:p"));
    c.insertImage(pic);
    const QString rtf = oa::toRtf(doc) + readFixture("richedit_gbk.rtf") + readFixture("libreoffice_message.rtf");

    for (qsizetype cut = 0; cut < rtf.size(); cut += 7) {
        QTextDocument back;
        oa::fromRtf(rtf.left(cut), &back);
    }
    QRandomGenerator random(20240611);
    const QString alphabet = QStringLiteral("{}\\'*0123456789abcdef ;-\r\n");
    for (int round = 0; round < 300; ++round) {
        QString damaged = rtf;
        for (int i = 0; i < 20; ++i) {
            const int at = int(random.bounded(damaged.size()));
            switch (random.bounded(3)) {
            case 0: damaged.remove(at, 1); break;
            case 1: damaged.insert(at, alphabet[random.bounded(alphabet.size())]); break;
            default: damaged[at] = alphabet[random.bounded(alphabet.size())]; break;
            }
        }
        QTextDocument back;
        oa::fromRtf(damaged, &back);
    }
    SUCCEED();
}

} // namespace
