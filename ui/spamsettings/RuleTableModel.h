#pragma once

#include <QAbstractTableModel>

#include "RuleTable.h"

namespace kelvane {

class SpamSettings;

// One rule table of the spam settings as a grid: row i is rule row i + 1 (the table's row 0
// gives the headings). Only the "Matches" and hit cells take typing, and a hit cell only a
// count. The table is looked up on every call, so a reload of the settings is seen after
// reload().
class RuleTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    RuleTableModel(SpamSettings& spam, RuleTableKind kind, QObject* parent = nullptr);

    RuleTableKind kind() const { return kind_; }
    RuleTable& table() const;
    // The table changed as a whole (reloaded, sorted, rows added or moved).
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

  private:
    SpamSettings& spam_;
    RuleTableKind kind_;
};

}  // namespace kelvane
