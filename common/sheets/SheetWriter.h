#pragma once
#include <QList>
#include <QPair>
#include <QString>

namespace oa {

// Builds one worksheet in memory and writes it as an .xlsx workbook. Cells count from 0.
class SheetWriter {
public:
    void setSheetName(const QString& name) { name_ = name; }
    void setCell(int r, int c, const QString& text);
    void setCell(int r, int c, double v);
    void setColumnWidth(int c, double width) { widths_.append({c, width}); }

    // Throws SheetError naming the file when it cannot be written.
    void save(const QString& path);

    // Exports get ".xlsx" unless the chosen name already ends with it (in any case).
    static QString withXlsxSuffix(const QString& path);

private:
    struct Cell {
        int r, c;
        bool number;
        QString text;
        double value;
    };
    QString name_;
    QList<QPair<int, double>> widths_;
    QList<Cell> cells_;
};

}  // namespace oa
