#pragma once

#include <QAbstractTableModel>
#include <cstddef>
#include <memory>
#include <vector>

#include "RuleTrial.h"

namespace kelvane {

// The messages a rule matched in a trial: subject, sender and where each comes from, the
// message texts made safe for display.
class TrialMatchesModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Subject, Sender, WhereFrom, ColumnCount };

    // `shown` are positions in `trial`'s messages.
    TrialMatchesModel(std::shared_ptr<const RuleTrial> trial, std::vector<std::size_t> shown,
                      QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::shared_ptr<const RuleTrial> trial_;
    std::vector<std::size_t> shown_;
};

}  // namespace kelvane
