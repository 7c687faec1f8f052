#include "common/sheets/ZipArchive.h"

#include <QtEndian>
#include <new>
#include <zlib.h>

namespace oa::sheets {

namespace {

quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint64 u64(const char* p) { return qFromLittleEndian<quint64>(p); }

constexpr quint32 kLocal = 0x04034b50, kCentral = 0x02014b50, kEnd = 0x06054b50;
constexpr quint32 kEnd64 = 0x06064b50, kEnd64Locator = 0x07064b50;
// No part of a worksheet package is anywhere near this; a larger claim is a damaged or hostile file.
constexpr quint64 kMaxEntry = quint64(1) << 30;

}  // namespace

ZipArchive::ZipArchive(const QByteArray& bytes) : bytes_(bytes)
{
    if (bytes_.size() < 4 || u32(bytes_.constData()) != kLocal) {
        fault_ = Fault::NotZip;
        return;
    }
    readDirectory();
}

bool ZipArchive::readDirectory()
{
    const qint64 n = bytes_.size();
    const char* b = bytes_.constData();
    // The end record sits in the last 22 bytes plus an optional comment of up to 64 KiB.
    qint64 end = -1;
    for (qint64 at = n - 22; at >= 0 && at >= n - 22 - 65535; --at)
        if (u32(b + at) == kEnd) {
            end = at;
            break;
        }
    if (end < 0) {
        fault_ = Fault::Truncated;
        return false;
    }
    quint64 count = u16(b + end + 10);
    quint64 dirSize = u32(b + end + 12);
    quint64 dirOffset = u32(b + end + 16);
    if ((count == 0xFFFF || dirOffset == 0xFFFFFFFFu) && end >= 20 && u32(b + end - 20) == kEnd64Locator) {
        const quint64 at = u64(b + end - 20 + 8);
        if (at + 56 > quint64(n) || u32(b + at) != kEnd64) {
            fault_ = Fault::Corrupt;
            return false;
        }
        count = u64(b + at + 32);
        dirSize = u64(b + at + 40);
        dirOffset = u64(b + at + 48);
    }
    if (dirOffset + dirSize > quint64(n)) {
        fault_ = Fault::Truncated;
        return false;
    }
    quint64 at = dirOffset;
    for (quint64 i = 0; i < count; ++i) {
        if (at + 46 > quint64(n) || u32(b + at) != kCentral) {
            fault_ = Fault::Corrupt;
            return false;
        }
        Entry e;
        e.flags = u16(b + at + 8);
        e.method = u16(b + at + 10);
        e.crc = u32(b + at + 16);
        e.compressed = u32(b + at + 20);
        e.size = u32(b + at + 24);
        const quint16 nameLen = u16(b + at + 28), extraLen = u16(b + at + 30), commentLen = u16(b + at + 32);
        e.localOffset = u32(b + at + 42);
        if (at + 46 + nameLen + extraLen + commentLen > quint64(n)) {
            fault_ = Fault::Corrupt;
            return false;
        }
        // Zip64 sizes and offset, in the order of the fields that overflowed.
        for (quint64 x = at + 46 + nameLen; x + 4 <= at + 46 + nameLen + extraLen;) {
            const quint16 id = u16(b + x), len = u16(b + x + 2);
            if (id == 0x0001) {
                quint64 y = x + 4;
                const quint64 stop = x + 4 + len;
                auto take = [&](quint64& field, quint64 marker) {
                    if (field == marker && y + 8 <= stop) {
                        field = u64(b + y);
                        y += 8;
                    }
                };
                take(e.size, 0xFFFFFFFFu);
                take(e.compressed, 0xFFFFFFFFu);
                take(e.localOffset, 0xFFFFFFFFu);
            }
            x += 4 + len;
        }
        QString name = (e.flags & 0x0800) ? QString::fromUtf8(b + at + 46, nameLen)
                                          : QString::fromLatin1(b + at + 46, nameLen);
        if (e.flags & 0x0001) fault_ = Fault::Encrypted;
        if (!entries_.contains(name)) order_ << name;
        entries_.insert(name, e);
        at += 46 + nameLen + extraLen + commentLen;
    }
    return fault_ == Fault::None;
}

QStringList ZipArchive::names() const { return order_; }

QByteArray ZipArchive::read(const QString& name, bool* ok) const
{
    *ok = false;
    const auto it = entries_.constFind(name);
    if (it == entries_.constEnd()) return {};
    const Entry& e = *it;
    const qint64 n = bytes_.size();
    const char* b = bytes_.constData();
    if (e.localOffset + 30 > quint64(n) || u32(b + e.localOffset) != kLocal) return {};
    const quint64 data = e.localOffset + 30 + u16(b + e.localOffset + 26) + u16(b + e.localOffset + 28);
    if (data + e.compressed > quint64(n) || e.size > kMaxEntry || (e.flags & 0x0001)) return {};

    QByteArray out;
    if (e.method == 0) {
        if (e.compressed != e.size) return {};
        out = bytes_.mid(qsizetype(data), qsizetype(e.size));
    } else if (e.method == 8) {
        try {
            out.resize(qsizetype(e.size));
        } catch (const std::bad_alloc&) {
            return {};
        }
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return {};
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(b + data));
        z.avail_in = uInt(std::min<quint64>(e.compressed, 0xFFFFFFFFu));
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(e.size);
        const int rc = inflate(&z, Z_FINISH);
        const quint64 produced = z.total_out;
        inflateEnd(&z);
        if (rc != Z_STREAM_END || produced != e.size) return {};
    } else {
        return {};
    }
    if (crc32(0L, reinterpret_cast<const Bytef*>(out.constData()), uInt(out.size())) != e.crc) return {};
    *ok = true;
    return out;
}

}  // namespace oa::sheets
