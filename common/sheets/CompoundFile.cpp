#include "common/sheets/CompoundFile.h"

#include <QtEndian>
#include <cstring>
#include <unordered_set>

namespace oa::sheets {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr quint32 kMaxRegular = 0xFFFFFFFA;

quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint64 u64(const char* p) { return qFromLittleEndian<quint64>(p); }

using Fault = CompoundFile::Fault;
[[noreturn]] void fail(Fault f, const char* what) { throw CompoundFile::Error(f, what); }

}  // namespace

bool CompoundFile::looksLikeOne(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"));
}

QByteArray CompoundFile::sector(quint32 id) const
{
    const qint64 offset = (qint64(id) + 1) * sectorSize_;
    if (id > kMaxRegular || offset >= bytes_.size()) fail(Fault::Truncated, "sector beyond the end of the file");
    // The last sector may be short when a writer did not pad the file.
    return bytes_.mid(offset, sectorSize_);
}

CompoundFile::CompoundFile(const QByteArray& bytes) : bytes_(bytes)
{
    if (!looksLikeOne(bytes)) fail(Fault::NotCompound, "no compound file signature");
    if (bytes.size() < 512) fail(Fault::Truncated, "header cut short");
    const char* h = bytes.constData();
    const int shift = u16(h + 0x1E);
    const int miniShift = u16(h + 0x20);
    if (shift < 7 || shift > 16 || miniShift < 2 || miniShift >= shift) fail(Fault::Corrupt, "bad sector size");
    sectorSize_ = 1 << shift;
    miniSectorSize_ = 1 << miniShift;
    const quint32 fatSectors = u32(h + 0x2C);
    const quint32 firstDir = u32(h + 0x30);
    miniCutoff_ = u32(h + 0x38);
    const quint32 firstMiniFat = u32(h + 0x3C);
    const quint32 miniFatSectors = u32(h + 0x40);
    quint32 difat = u32(h + 0x44);
    const quint32 difatSectors = u32(h + 0x48);
    if (bytes.size() < sectorSize_) fail(Fault::Truncated, "header cut short");

    // Sector ids of the FAT: 109 in the header, the rest in a chain of DIFAT sectors.
    const qint64 sectorsInFile = (bytes.size() + sectorSize_ - 1) / sectorSize_;
    if (fatSectors > quint64(sectorsInFile) * 2 + 1) fail(Fault::Corrupt, "impossible FAT size");
    std::vector<quint32> fatIds;
    for (int i = 0; i < 109 && fatIds.size() < fatSectors; ++i) fatIds.push_back(u32(h + 0x4C + 4 * i));
    const int perDifat = sectorSize_ / 4 - 1;
    for (quint32 n = 0; fatIds.size() < fatSectors; ++n) {
        if (difat > kMaxRegular || n > difatSectors + 1) fail(Fault::Corrupt, "DIFAT chain ends early");
        const QByteArray s = sector(difat);
        if (s.size() < sectorSize_) fail(Fault::Truncated, "DIFAT sector cut short");
        for (int i = 0; i < perDifat && fatIds.size() < fatSectors; ++i) fatIds.push_back(u32(s.constData() + 4 * i));
        difat = u32(s.constData() + 4 * perDifat);
    }
    fat_.reserve(fatIds.size() * (sectorSize_ / 4));
    for (quint32 id : fatIds) {
        const QByteArray s = sector(id);
        if (s.size() < sectorSize_) fail(Fault::Truncated, "FAT sector cut short");
        for (int i = 0; i < sectorSize_ / 4; ++i) fat_.push_back(u32(s.constData() + 4 * i));
    }

    // The directory.
    const QByteArray dir = chain(firstDir, 0);
    for (qsizetype off = 0; off + 128 <= dir.size(); off += 128) {
        const char* e = dir.constData() + off;
        Entry entry;
        const int nameBytes = std::min<int>(u16(e + 0x40), 64);
        entry.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(e), std::max(0, nameBytes / 2 - 1));
        entry.type = quint8(e[0x42]);
        entry.left = u32(e + 0x44);
        entry.right = u32(e + 0x48);
        entry.child = u32(e + 0x4C);
        entry.start = u32(e + 0x74);
        entry.size = u64(e + 0x78);
        // Version 3 files keep only 32 bits of size; some writers leave garbage in the high half.
        if (sectorSize_ == 512) entry.size &= 0xFFFFFFFFu;
        entries_.push_back(entry);
    }
    if (entries_.empty() || entries_[0].type != 5) fail(Fault::Corrupt, "no root entry");
    if (miniFatSectors > 0 && firstMiniFat <= kMaxRegular) {
        const QByteArray mf = chain(firstMiniFat, 0);
        miniFat_.resize(mf.size() / 4);
        for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = u32(mf.constData() + 4 * i);
    }

    // The root's children form a red-black tree; walk it in order, guarding against loops.
    std::vector<quint32> stack;
    std::unordered_set<quint32> seen;
    quint32 node = entries_[0].child;
    while (node != kNoStream || !stack.empty()) {
        while (node != kNoStream) {
            if (node >= entries_.size() || !seen.insert(node).second) fail(Fault::Corrupt, "directory tree broken");
            stack.push_back(node);
            node = entries_[node].left;
        }
        node = stack.back();
        stack.pop_back();
        rootChildren_.push_back(int(node));
        node = entries_[node].right;
    }
}

QByteArray CompoundFile::chain(quint32 start, quint64 size) const
{
    // size 0: follow the chain to its end (directory, mini FAT).
    QByteArray out;
    if (size > 0) {
        if (size > quint64(bytes_.size())) fail(Fault::Truncated, "stream longer than the file");
        out.reserve(qsizetype(size));
    }
    quint32 id = start;
    size_t steps = 0;
    while (size == 0 || quint64(out.size()) < size) {
        if (id == kEndOfChain) {
            if (size == 0) break;
            fail(Fault::Corrupt, "sector chain ends before the stream");
        }
        if (id >= fat_.size() || ++steps > fat_.size()) fail(Fault::Corrupt, "sector chain broken");
        const QByteArray s = sector(id);
        out += s;
        if (s.size() < sectorSize_ && size > 0 && quint64(out.size()) < size) fail(Fault::Truncated, "stream cut short");
        id = fat_[id];
    }
    if (size > 0) {
        if (quint64(out.size()) < size) fail(Fault::Truncated, "stream cut short");
        out.truncate(qsizetype(size));
    }
    return out;
}

QByteArray CompoundFile::miniChain(quint32 start, quint64 size) const
{
    if (!miniLoaded_) {
        miniStream_ = entries_[0].start == kEndOfChain ? QByteArray() : chain(entries_[0].start, entries_[0].size);
        miniLoaded_ = true;
    }
    QByteArray out;
    out.reserve(qsizetype(size));
    quint32 id = start;
    size_t steps = 0;
    while (quint64(out.size()) < size) {
        if (id >= miniFat_.size() || ++steps > miniFat_.size()) fail(Fault::Corrupt, "mini sector chain broken");
        const qint64 off = qint64(id) * miniSectorSize_;
        if (off + miniSectorSize_ > miniStream_.size()) fail(Fault::Truncated, "mini stream cut short");
        out.append(miniStream_.constData() + off, miniSectorSize_);
        id = miniFat_[id];
    }
    out.truncate(qsizetype(size));
    return out;
}

const CompoundFile::Entry* CompoundFile::findRoot(const QString& name) const
{
    for (int i : rootChildren_)
        if (entries_[i].type == 2 && entries_[i].name.compare(name, Qt::CaseInsensitive) == 0) return &entries_[i];
    return nullptr;
}

QStringList CompoundFile::rootStreams() const
{
    QStringList names;
    for (int i : rootChildren_)
        if (entries_[i].type == 2) names << entries_[i].name;
    return names;
}

bool CompoundFile::hasRootStream(const QString& name) const { return findRoot(name) != nullptr; }

QByteArray CompoundFile::rootStream(const QString& name) const
{
    const Entry* e = findRoot(name);
    if (!e || e->size == 0) return QByteArray();
    return e->size < miniCutoff_ ? miniChain(e->start, e->size) : chain(e->start, e->size);
}

}  // namespace oa::sheets
