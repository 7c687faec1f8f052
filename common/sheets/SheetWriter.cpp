#include "common/sheets/SheetReader.h"

#include <QFileInfo>
#include <xlsxwriter.h>

namespace oa {

void SheetWriter::setCell(int r, int c, const QString& text) { cells_.append({r, c, false, text, 0}); }
void SheetWriter::setCell(int r, int c, double v) { cells_.append({r, c, true, QString(), v}); }

QString SheetWriter::withXlsxSuffix(const QString& path)
{
    return path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ? path : path + QStringLiteral(".xlsx");
}

void SheetWriter::save(const QString& path)
{
    const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    lxw_workbook* wb = workbook_new(file.constData());
    if (!wb) throw SheetError(QStringLiteral("不能创建文件 %1").arg(path));
    const QByteArray name = name_.left(31).toUtf8();
    lxw_worksheet* ws = workbook_add_worksheet(wb, name_.isEmpty() ? nullptr : name.constData());
    lxw_format* centred = workbook_add_format(wb);
    format_set_align(centred, LXW_ALIGN_VERTICAL_CENTER);
    for (const auto& w : widths_) worksheet_set_column(ws, lxw_col_t(w.first), lxw_col_t(w.first), w.second, nullptr);
    for (const Cell& c : cells_) {
        if (c.number) {
            worksheet_write_number(ws, lxw_row_t(c.r), lxw_col_t(c.c), c.value, centred);
        } else {
            const QByteArray t = c.text.toUtf8();
            worksheet_write_string(ws, lxw_row_t(c.r), lxw_col_t(c.c), t.constData(), centred);
        }
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR)
        throw SheetError(QStringLiteral("不能保存文件 %1：%2").arg(path, QString::fromUtf8(lxw_strerror(err))));
}

}  // namespace oa
