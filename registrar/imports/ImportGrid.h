#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace oa {

// The text grid a sheet is loaded into: row 0 holds the sheet's header row, column 0 a row ordinal, and cell
// (r, c) the text of a sheet cell exactly as read. It has a nominal size (50 columns; 5000 or 8000 rows) and
// grows when a sheet is longer or wider, so a sheet is always loaded whole. Only written rows take memory.
class ImportGrid {
public:
    explicit ImportGrid(int rows = 8000, int columns = 50)
        : rows_(rows), columns_(columns), nominalRows_(rows), nominalColumns_(columns) {}

    int rowCount() const { return rows_; }
    int columnCount() const { return columns_; }
    QString cell(int row, int column) const
    {
        if (row < 0 || row >= cells_.size()) return {};
        const QStringList& r = cells_[row];
        return column >= 0 && column < r.size() ? r[column] : QString();
    }
    QString trimmed(int row, int column) const { return cell(row, column).trimmed(); }
    void setCell(int row, int column, const QString& text);
    // Empties every cell, the header row included, and returns to the nominal size.
    void clear();
    // Rows 1, 2, … up to (not including) the first whose given column is empty.
    int rowsUntilEmpty(int column) const;
    // Columns from `first` up to (not including) the first whose trimmed header (row 0) is empty.
    int lastHeaderColumn(int first) const;

private:
    int rows_;
    int columns_;
    int nominalRows_;
    int nominalColumns_;
    QList<QStringList> cells_;
};

// The one grid model every import window shows sheet text with. Row 0 of the grid is the horizontal header
// and column 0 the vertical header, so both stay in view while scrolling, as fixed rows do; every cell is
// centred on one line.
class ImportGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ImportGridModel(const ImportGrid* grid, QObject* parent = nullptr) : QAbstractTableModel(parent), grid_(grid) {}
    void setGrid(const ImportGrid* grid);
    // The grid changed (loaded or emptied).
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ImportGrid* grid_;
};

}  // namespace oa
