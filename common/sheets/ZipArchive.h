#pragma once
// Reading the entries of a zip archive held in memory (an .xlsx package). Deflate and stored entries; each
// entry's checksum is verified. zlib only: the zip code bundled with libxlsxwriter exports the same symbols
// as other minizip copies, so a second zip library cannot be linked next to it.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace oa::sheets {

class ZipArchive {
public:
    enum class Fault { None, NotZip, Truncated, Corrupt, Encrypted };

    explicit ZipArchive(const QByteArray& bytes);
    Fault fault() const { return fault_; }

    QStringList names() const;
    bool contains(const QString& name) const { return entries_.contains(name); }
    // The entry's contents; ok is false when its data is damaged, cut short or of an unknown method.
    QByteArray read(const QString& name, bool* ok) const;

private:
    struct Entry {
        quint16 flags = 0, method = 0;
        quint32 crc = 0;
        quint64 compressed = 0, size = 0, localOffset = 0;
    };
    bool readDirectory();

    const QByteArray bytes_;
    Fault fault_ = Fault::None;
    QHash<QString, Entry> entries_;
    QStringList order_;
};

}  // namespace oa::sheets
