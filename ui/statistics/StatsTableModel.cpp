#include "StatsTableModel.h"

#include "ShownText.h"

namespace kelvane {

StatsTableModel::StatsTableModel(const LogTables& tables, StatsGrid grid, QObject* parent)
    : QAbstractTableModel(parent), tables_(tables), grid_(grid) {}

void StatsTableModel::setRows(std::vector<std::uint32_t> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void StatsTableModel::sortRows(int column, bool ascending) {
    emit layoutAboutToBeChanged();
    SortGridRows(tables_, grid_, rows_, column, ascending);
    emit layoutChanged();
}

int StatsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(1, dataRowCount());
}

int StatsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(GridHeadings(grid_).size());
}

QVariant StatsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole) {
        return index.column() == kGridNumberColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole || index.row() >= dataRowCount()) return {};
    return ShownText(GridCell(tables_, grid_, rows_[index.row()], index.column()));
}

QVariant StatsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return QString::fromStdString(GridHeadings(grid_).at(section));
}

}  // namespace kelvane
