#pragma once
// The OLE compound file (structured storage) that holds a .xls workbook, and also an encrypted .xlsx.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

namespace oa::sheets {

class CompoundFile {
public:
    enum class Fault { NotCompound, Truncated, Corrupt };
    struct Error : std::runtime_error {
        Error(Fault f, const char* what) : std::runtime_error(what), fault(f) {}
        Fault fault;
    };

    static bool looksLikeOne(const QByteArray& bytes);

    // Reads the header, the sector tables and the directory; throws Error.
    explicit CompoundFile(const QByteArray& bytes);

    // Streams directly under the root storage, in directory order.
    QStringList rootStreams() const;
    // A stream directly under the root, by name (case-insensitive); empty when absent. Throws Error.
    bool hasRootStream(const QString& name) const;
    QByteArray rootStream(const QString& name) const;

private:
    struct Entry {
        QString name;
        int type = 0;
        quint32 left = 0, right = 0, child = 0, start = 0;
        quint64 size = 0;
    };

    QByteArray chain(quint32 start, quint64 size) const;
    QByteArray miniChain(quint32 start, quint64 size) const;
    QByteArray sector(quint32 id) const;
    const Entry* findRoot(const QString& name) const;

    const QByteArray bytes_;
    int sectorSize_ = 512;
    int miniSectorSize_ = 64;
    quint32 miniCutoff_ = 4096;
    std::vector<quint32> fat_, miniFat_;
    std::vector<Entry> entries_;
    std::vector<int> rootChildren_;
    mutable QByteArray miniStream_;
    mutable bool miniLoaded_ = false;
};

}  // namespace oa::sheets
