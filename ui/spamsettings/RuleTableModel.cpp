#include "RuleTableModel.h"

#include "MarkPictures.h"
#include "RuleGridEditing.h"
#include "ShownText.h"
#include "SpamSettings.h"

#include <QBrush>
#include <QFont>

namespace kelvane {

namespace {

int VisibleColumns(const RuleTable& table) {
    return table.kind() == RuleTableKind::Exceptions ? kExceptionPictureNumberColumn
                                                     : table.columnCount();
}

}  // namespace

RuleTableModel::RuleTableModel(SpamSettings& spam, RuleTableKind kind, QObject* parent)
    : QAbstractTableModel(parent), spam_(spam), kind_(kind) {}

RuleTable& RuleTableModel::table() const {
    return spam_.table(kind_);
}

void RuleTableModel::reload() {
    beginResetModel();
    endResetModel();
}

int RuleTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table().rowCount() - 1;
}

int RuleTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : VisibleColumns(table());
}

QVariant RuleTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const RuleTable& rules = table();
    const int row = index.row() + 1;
    const int column = index.column();
    const RuleTableLayout& layout = rules.layout();
    const bool rule = !rules.cell(1, row).empty();
    switch (role) {
        case Qt::DisplayRole:
            if (column == layout.pictureColumn) return {};
            return ShownText(rules.cell(column, row));
        case Qt::EditRole:
            return QString::fromStdString(rules.cell(column, row));
        case Qt::DecorationRole:
            if (column != layout.pictureColumn || !rule) return {};
            return MarkIcon(rules.picture(row));
        case Qt::TextAlignmentRole:
            if (column == layout.hitColumn)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        case Qt::FontRole:
            if (column == MatchesColumn(kind_) &&
                (kind_ == RuleTableKind::Exceptions || rules.cell(4, row) == "Yes")) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::ForegroundRole:
            if (column == MatchesColumn(kind_) && kind_ != RuleTableKind::Exceptions && rule &&
                rules.cell(4, row) != "Yes") {
                return QBrush(Qt::blue);
            }
            return {};
        default:
            return {};
    }
}

bool RuleTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const std::string text = value.toString().toStdString();
    if (index.column() == table().layout().hitColumn && !IsValidHitText(text)) return false;
    table().setCell(index.column(), index.row() + 1, text);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

Qt::ItemFlags RuleTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && IsEditableInPlace(kind_, index.column())) flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant RuleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= VisibleColumns(table())) return {};
    return QString::fromLatin1(table().layout().headings[static_cast<std::size_t>(section)]);
}

void RuleTableModel::sort(int column, Qt::SortOrder order) {
    if (!IsSortableColumn(kind_, column)) return;
    beginResetModel();
    SortRules(table(), column, order == Qt::AscendingOrder);
    endResetModel();
}

}  // namespace kelvane
