#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "StatsGrids.h"

namespace kelvane {

// One of the statistics window's two tables over the log's rows that pass the filter. Without
// such rows it shows one empty row under its headings.
class StatsTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    StatsTableModel(const LogTables& tables, StatsGrid grid, QObject* parent = nullptr);

    void setRows(std::vector<std::uint32_t> rows);
    int dataRowCount() const { return static_cast<int>(rows_.size()); }
    // Sorts the rows by a column, keeping the order of equal rows.
    void sortRows(int column, bool ascending);
    StatsGrid grid() const { return grid_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const LogTables& tables_;
    StatsGrid grid_;
    std::vector<std::uint32_t> rows_;
};

}  // namespace kelvane
