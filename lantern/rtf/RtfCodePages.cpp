#include "lantern/rtf/RtfCodePages.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <memory>

namespace oa::rtf {

namespace {

// 0x80..0x9F of Windows-1252; the rest of the page is Latin-1. Kept here so the default code page never depends
// on the conversion library.
constexpr char16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                      0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0xFFFD};

QString decode1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const uchar b = uchar(c);
        out.append(b >= 0x80 && b < 0xA0 ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return out;
}

QByteArray encode1252(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return QByteArray(1, char(u));
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == u && u != 0xFFFD) return QByteArray(1, char(0x80 + i));
    return {};
}

QList<const char*> codecNames(int codePage)
{
    switch (codePage) {
    case 936: return {"GBK", "windows-936", "GB18030"};
    case 950: return {"Big5", "windows-950"};
    case 932: return {"windows-31j", "cp932", "Shift_JIS"};
    case 949: return {"windows-949", "cp949", "EUC-KR"};
    case 1361: return {"johab"};
    case 874: return {"windows-874", "TIS-620"};
    case 1250: return {"windows-1250"};
    case 1251: return {"windows-1251"};
    case 1253: return {"windows-1253"};
    case 1254: return {"windows-1254"};
    case 1255: return {"windows-1255"};
    case 1256: return {"windows-1256"};
    case 1257: return {"windows-1257"};
    case 1258: return {"windows-1258"};
    case 437: return {"IBM437", "cp437"};
    case 850: return {"IBM850", "cp850"};
    case 10000: return {"macintosh", "x-mac-roman"};
    default: return {};
    }
}

// Converters are made once per code page and thread; a code page without one is answered as 1252.
struct Codec {
    std::unique_ptr<QStringDecoder> decoder;
    std::unique_ptr<QStringEncoder> encoder;
    QHash<char16_t, QByteArray> encoded;
};

Codec* codec(int codePage)
{
    thread_local QHash<int, std::shared_ptr<Codec>> cache;
    auto it = cache.find(codePage);
    if (it != cache.end()) return it->get();
    auto c = std::make_shared<Codec>();
    if (codePage == 65001) {
        c->decoder = std::make_unique<QStringDecoder>(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        c->encoder = std::make_unique<QStringEncoder>(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    } else {
        for (const char* name : codecNames(codePage)) {
            auto d = std::make_unique<QStringDecoder>(name, QStringDecoder::Flag::Stateless);
            auto e = std::make_unique<QStringEncoder>(name, QStringEncoder::Flag::Stateless);
            if (d->isValid() && e->isValid()) {
                c->decoder = std::move(d);
                c->encoder = std::move(e);
                break;
            }
        }
    }
    Codec* raw = c->decoder ? c.get() : nullptr;
    cache.insert(codePage, raw ? c : nullptr);
    return raw;
}

} // namespace

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252; // Symbol: no code page; its bytes are kept as they are
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;
    default: return 0;
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

static bool isLead(uchar b, int codePage)
{
    if (codePage == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (codePage == 1361) return b >= 0x84 && b <= 0xF9;
    return b >= 0x81 && b <= 0xFE;
}

bool endsWithLeadByte(const QByteArray& bytes, int codePage)
{
    if (!isDoubleByte(codePage)) return false;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) i += isLead(uchar(bytes[i]), codePage) ? 2 : 1;
    return i == n + 1;
}

QString decode(const QByteArray& bytes, int codePage)
{
    if (bytes.isEmpty()) return {};
    if (codePage != 1252) {
        if (Codec* c = codec(codePage)) return QString(c->decoder->decode(bytes));
    }
    return decode1252(bytes);
}

QByteArray encodeChar(QChar ch, int codePage)
{
    if (ch.isSurrogate()) return {};
    if (codePage == 1252) return encode1252(ch);
    Codec* c = codec(codePage);
    if (!c) return {};
    auto it = c->encoded.constFind(ch.unicode());
    if (it != c->encoded.constEnd()) return *it;
    QByteArray bytes(c->encoder->encode(QStringView(&ch, 1)));
    // Converters replace what they cannot write; only bytes that read back as the character count.
    if (bytes.isEmpty() || QString(c->decoder->decode(bytes)) != QString(ch)) bytes.clear();
    c->encoded.insert(ch.unicode(), bytes);
    return bytes;
}

} // namespace oa::rtf
