#include "lantern/rtf/RtfDib.h"

#include <QPainter>
#include <QtEndian>

namespace oa::rtf {

namespace {

// Pictures larger than this are refused rather than allocated from a damaged header.
constexpr qint64 kMaxPixelBytes = 256LL * 1024 * 1024;

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

QRgb onWhite(QRgb c)
{
    const int a = qAlpha(c);
    if (a == 255) return c;
    auto mix = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)));
}

} // namespace

QByteArray encodeDib(const QImage& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
    int bits = 24;
    QImage px;
    QList<QRgb> palette;
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        px = image.convertToFormat(QImage::Format_Mono);
        palette = px.colorTable();
        bits = palette.size() == 2 ? 1 : 24;
    } else if (image.format() == QImage::Format_Indexed8 && image.colorCount() > 0 && image.colorCount() <= 256) {
        px = image;
        palette = px.colorTable();
        bits = 8;
    }
    if (bits == 24) {
        palette.clear();
        if (image.hasAlphaChannel()) {
            QImage flat(image.size(), QImage::Format_RGB32);
            flat.fill(Qt::white);
            QPainter p(&flat);
            p.drawImage(0, 0, image);
            p.end();
            px = flat.convertToFormat(QImage::Format_RGB888);
        } else {
            px = image.convertToFormat(QImage::Format_RGB888);
        }
    }
    const int w = px.width();
    const int h = px.height();
    const int rowBytes = ((w * bits + 31) / 32) * 4;

    QByteArray out;
    out.reserve(40 + palette.size() * 4 + qsizetype(rowBytes) * h);
    put32(out, 40);
    put32(out, quint32(w));
    put32(out, quint32(h)); // positive: rows from the bottom, as Windows writes them
    put16(out, 1);
    put16(out, quint16(bits));
    put32(out, 0); // BI_RGB
    put32(out, quint32(rowBytes * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, quint32(palette.size()));
    put32(out, 0);
    for (QRgb c : palette) {
        const QRgb v = onWhite(c);
        out.append(char(qBlue(v)));
        out.append(char(qGreen(v)));
        out.append(char(qRed(v)));
        out.append(char(0));
    }
    QByteArray row(rowBytes, '\0');
    for (int y = h - 1; y >= 0; --y) {
        const uchar* line = px.constScanLine(y);
        row.fill('\0');
        char* dst = row.data();
        if (bits == 24) {
            for (int x = 0; x < w; ++x) {
                dst[x * 3] = char(line[x * 3 + 2]);
                dst[x * 3 + 1] = char(line[x * 3 + 1]);
                dst[x * 3 + 2] = char(line[x * 3]);
            }
        } else if (bits == 8) {
            memcpy(dst, line, size_t(w));
        } else {
            memcpy(dst, line, size_t((w + 7) / 8));
        }
        out.append(row);
    }
    return out;
}

QImage decodeDib(const QByteArray& dib)
{
    if (dib.size() < 12) return {};
    const auto* d = reinterpret_cast<const uchar*>(dib.constData());
    const quint32 headerSize = qFromLittleEndian<quint32>(d);
    qint64 w = 0, h = 0;
    int bits = 0;
    quint32 compression = 0, colours = 0;
    int entryBytes = 4;
    if (headerSize == 12) {
        w = qFromLittleEndian<quint16>(d + 4);
        h = qFromLittleEndian<quint16>(d + 6);
        bits = qFromLittleEndian<quint16>(d + 10);
        entryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= 1024 && dib.size() >= 40) {
        w = qFromLittleEndian<qint32>(d + 4);
        h = qFromLittleEndian<qint32>(d + 8);
        bits = qFromLittleEndian<quint16>(d + 14);
        compression = qFromLittleEndian<quint32>(d + 16);
        colours = qFromLittleEndian<quint32>(d + 32);
    } else {
        return {};
    }
    if (qsizetype(headerSize) > dib.size()) return {};
    const qint64 absH = h < 0 ? -h : h;
    if (w <= 0 || w > 32767 || absH == 0 || absH > 32767) return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
    if (colours > 4096) return {};
    const qint64 masks = headerSize == 40 ? (compression == 3 ? 12 : compression == 6 ? 16 : 0) : 0;
    const qint64 paletteCount = colours ? colours : (bits <= 8 ? (1 << bits) : 0);
    const qint64 offset = headerSize + masks + paletteCount * entryBytes;

    // JPEG or PNG inside a DIB: the compressed file follows the header.
    if (compression == 4 || compression == 5) return QImage::fromData(dib.mid(offset));

    QByteArray body = dib;
    if (compression == 0 || compression == 3 || compression == 6) {
        const qint64 pixelBytes = ((w * bits + 31) / 32) * 4 * absH;
        if (pixelBytes > kMaxPixelBytes) return {};
        // A cut-off picture still shows its top part; the missing rows are black.
        if (body.size() < offset + pixelBytes) body.append(QByteArray(offset + pixelBytes - body.size(), '\0'));
    }
    QByteArray file;
    file.reserve(14 + body.size());
    file.append("BM", 2);
    put32(file, quint32(14 + body.size()));
    put16(file, 0);
    put16(file, 0);
    put32(file, quint32(14 + offset));
    file.append(body);
    QImage img;
    if (!img.loadFromData(file, "BMP")) return {};
    return img;
}

QImage decodeDdb(const QByteArray& bits, int width, int height, int bitsPerPixel, int widthBytes)
{
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return {};
    if (widthBytes <= 0) widthBytes = int(((qint64(width) * bitsPerPixel + 15) / 16) * 2);
    const qint64 need = qint64(widthBytes) * height;
    if (need > kMaxPixelBytes || qint64(width) * bitsPerPixel > qint64(widthBytes) * 8) return {};
    QByteArray data = bits;
    if (data.size() < need) data.append(QByteArray(need - data.size(), '\0'));
    const auto* src = reinterpret_cast<const uchar*>(data.constData());

    if (bitsPerPixel == 1) {
        QImage img(width, height, QImage::Format_Mono);
        if (img.isNull()) return {};
        img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        const int n = qMin<int>(widthBytes, int(img.bytesPerLine()));
        for (int y = 0; y < height; ++y) memcpy(img.scanLine(y), src + qsizetype(y) * widthBytes, size_t(n));
        return img;
    }
    if (bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return {};
    QImage img(width, height, QImage::Format_RGB32);
    if (img.isNull()) return {};
    for (int y = 0; y < height; ++y) {
        const uchar* row = src + qsizetype(y) * widthBytes;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bitsPerPixel) {
            case 4: { // no palette travels with device bits: shades of grey
                const int v = (x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4) * 17;
                out[x] = qRgb(v, v, v);
                break;
            }
            case 8: out[x] = qRgb(row[x], row[x], row[x]); break;
            case 16: {
                const quint16 v = qFromLittleEndian<quint16>(row + x * 2);
                out[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                break;
            }
            case 24: out[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
            default: out[x] = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]); break;
            }
        }
    }
    return img;
}

QImage decodeMetafile(const QByteArray& mf)
{
    const auto* d = reinterpret_cast<const uchar*>(mf.constData());
    const qint64 n = mf.size();
    if (n < 18) return {};

    // Enhanced metafile: records of type, size; EMR_STRETCHDIBITS (81) and EMR_SETDIBITSTODEVICE (80) hold a DIB
    // as a header at one offset and the bits at another, both from the record's start.
    if (qFromLittleEndian<quint32>(d) == 1 && n >= 44 && qFromLittleEndian<quint32>(d + 40) == 0x464D4520) {
        qint64 at = 0;
        while (at + 8 <= n) {
            const quint32 type = qFromLittleEndian<quint32>(d + at);
            const quint32 size = qFromLittleEndian<quint32>(d + at + 4);
            if (size < 8 || at + size > n) break;
            if ((type == 81 && size >= 80) || (type == 80 && size >= 76)) {
                const qint64 base = 48; // offBmiSrc follows the bounds and six coordinates
                const quint32 offBmi = qFromLittleEndian<quint32>(d + at + base);
                const quint32 cbBmi = qFromLittleEndian<quint32>(d + at + base + 4);
                const quint32 offBits = qFromLittleEndian<quint32>(d + at + base + 8);
                const quint32 cbBits = qFromLittleEndian<quint32>(d + at + base + 12);
                if (cbBmi > 0 && offBmi + qint64(cbBmi) <= size && offBits + qint64(cbBits) <= size) {
                    const QImage img = decodeDib(mf.mid(at + offBmi, cbBmi) + mf.mid(at + offBits, cbBits));
                    if (!img.isNull()) return img;
                }
            }
            if (type == 14) break; // EMR_EOF
            at += size;
        }
        return {};
    }

    // Windows metafile, perhaps behind the 22-byte placeable header: records of size in words and function.
    qint64 at = qFromLittleEndian<quint32>(d) == 0x9AC6CDD7u ? 22 : 0;
    if (at + 18 > n) return {};
    at += qint64(qFromLittleEndian<quint16>(d + at + 2)) * 2; // header size in words
    while (at + 6 <= n) {
        const qint64 size = qint64(qFromLittleEndian<quint32>(d + at)) * 2;
        const quint16 function = qFromLittleEndian<quint16>(d + at + 4);
        if (size < 6 || at + size > n) break;
        qint64 params = -1; // bytes of parameters in front of the DIB
        switch (function) {
        case 0x0F43: params = 22; break; // META_STRETCHDIB
        case 0x0B41: params = 20; break; // META_DIBSTRETCHBLT
        case 0x0940: params = 16; break; // META_DIBBITBLT
        case 0x0D33: params = 18; break; // META_SETDIBTODEV
        default: break;
        }
        if (params >= 0 && size > 6 + params + 12) {
            const QImage img = decodeDib(mf.mid(at + 6 + params, size - 6 - params));
            if (!img.isNull()) return img;
        }
        if (function == 0) break; // end of file
        at += size;
    }
    return {};
}

} // namespace oa::rtf
