#include "registrar/imports/ImportGrid.h"

namespace oa {

void ImportGrid::setCell(int row, int column, const QString& text)
{
    if (row < 0 || column < 0) return;
    if (row >= rows_) rows_ = row + 1;
    if (column >= columns_) columns_ = column + 1;
    while (cells_.size() <= row) cells_.append(QStringList());
    QStringList& r = cells_[row];
    while (r.size() <= column) r.append(QString());
    r[column] = text;
}

void ImportGrid::clear()
{
    cells_.clear();
    rows_ = nominalRows_;
    columns_ = nominalColumns_;
}

int ImportGrid::rowsUntilEmpty(int column) const
{
    int r = 1;
    while (r < cells_.size() && !cell(r, column).isEmpty()) ++r;
    return r - 1;
}

int ImportGrid::lastHeaderColumn(int first) const
{
    int c = first;
    while (c < columns_ && !trimmed(0, c).isEmpty()) ++c;
    return c - 1;
}

void ImportGridModel::setGrid(const ImportGrid* grid)
{
    beginResetModel();
    grid_ = grid;
    endResetModel();
}

void ImportGridModel::refresh()
{
    beginResetModel();
    endResetModel();
}

int ImportGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !grid_ ? 0 : grid_->rowCount() - 1;
}

int ImportGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !grid_ ? 0 : grid_->columnCount() - 1;
}

QVariant ImportGridModel::data(const QModelIndex& index, int role) const
{
    if (!grid_ || !index.isValid()) return {};
    if (role == Qt::DisplayRole) return grid_->cell(index.row() + 1, index.column() + 1);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

QVariant ImportGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!grid_) return {};
    if (role == Qt::DisplayRole)
        return orientation == Qt::Horizontal ? grid_->cell(0, section + 1) : grid_->cell(section + 1, 0);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

}  // namespace oa
