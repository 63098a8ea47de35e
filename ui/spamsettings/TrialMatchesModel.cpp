#include "TrialMatchesModel.h"

#include "ShownText.h"

namespace kelvane {

TrialMatchesModel::TrialMatchesModel(std::shared_ptr<const RuleTrial> trial,
                                     std::vector<std::size_t> shown, QObject* parent)
    : QAbstractTableModel(parent), trial_(std::move(trial)), shown_(std::move(shown)) {}

int TrialMatchesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int TrialMatchesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrialMatchesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const std::size_t position = shown_[static_cast<std::size_t>(index.row())];
    if (position >= trial_->messages().size()) return {};
    const TrialMessage& message = trial_->messages()[position];
    switch (index.column()) {
        case Subject:
            return ShownText(message.subject);
        case Sender:
            return ShownText(message.sender);
        case WhereFrom: {
            const std::string_view name = TrialSourceName(message.source);
            return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        }
        default:
            return {};
    }
}

QVariant TrialMatchesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Subject:
            return tr("Subject");
        case Sender:
            return tr("Sender");
        case WhereFrom:
            return tr("Where from");
        default:
            return {};
    }
}

}  // namespace kelvane
