// Which reader a file needs is decided by its first bytes, not its name: schools rename .xlsx to .xls, save
// CSV under .xls, and download workbooks without a suffix.
#include "common/sheets/SheetReader.h"

#include "common/sheets/CompoundFile.h"
#include "common/sheets/SheetParts.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

namespace oa {

namespace {

// The date format the desktop shows, with Windows' two-digit years widened as Excel shows them.
QString desktopShortDate()
{
    QString f = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!f.contains(QLatin1String("yyyy"))) f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return f;
}

// Excel 2.x to 4.0 wrote bare BIFF streams, starting with a BOF record of their own.
bool isOldBiff(const QByteArray& b)
{
    if (b.size() < 4) return false;
    const quint16 type = qFromLittleEndian<quint16>(b.constData());
    return type == 0x0009 || type == 0x0209 || type == 0x0409 || type == 0x0809;
}

}  // namespace

Sheet SheetReader::read(const QString& path, const QString& shortDateFormat)
{
    using namespace sheets;
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) throw SheetError(msg::notFound(path));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw SheetError(msg::cannotOpen(path));
    const QByteArray bytes = f.readAll();
    if (bytes.isEmpty()) throw SheetError(msg::emptyFile(path));
    const QString fmt = shortDateFormat.isEmpty() ? desktopShortDate() : shortDateFormat;

    if (bytes.startsWith("PK\x03\x04")) return readXlsx(path, bytes, fmt);
    if (bytes.startsWith("PK\x05\x06")) throw SheetError(msg::emptySheet(path));
    if (CompoundFile::looksLikeOne(bytes)) return readXls(path, bytes, fmt);
    if (isOldBiff(bytes)) throw SheetError(msg::tooOld(path));
    return readCsv(path, bytes);
}

QString SheetReader::openFileFilter()
{
    return QStringLiteral("表格文件 (*.xlsx *.xls *.csv);;Excel 工作簿 (*.xlsx);;Excel 97-2003 工作簿 (*.xls);;"
                          "CSV 文本 (*.csv);;所有文件 (*)");
}

}  // namespace oa
