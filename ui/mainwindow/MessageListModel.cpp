#include "MessageListModel.h"

#include <QPixmap>

#include "MarkPictures.h"
#include "ShownText.h"

namespace kelvane {

namespace {

// An int, as every view of every Qt version reads it.
constexpr int kRightAligned = Qt::AlignRight | Qt::AlignVCenter;

}  // namespace

MessageListModel::MessageListModel(QObject* parent) : QAbstractTableModel(parent) {}

void MessageListModel::setRows(const std::vector<MessageEntry>* rows) {
    rows_ = rows;
    rowsReset();
}

void MessageListModel::rowsReset() {
    beginResetModel();
    shown_ = rows_ ? static_cast<int>(rows_->size()) : 0;
    endResetModel();
}

void MessageListModel::rowAppended(int index) {
    // A row the list already holds means the rows changed unannounced: show them afresh.
    if (index < shown_) {
        rowsReset();
        return;
    }
    beginInsertRows(QModelIndex(), shown_, index);
    shown_ = index + 1;
    endInsertRows();
}

void MessageListModel::marksChanged() {
    if (shown_ == 0) return;
    emit dataChanged(index(0, kSubject), index(shown_ - 1, kSubject),
                     {Qt::DecorationRole, kMarkRole});
}

int MessageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int MessageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

const MessageEntry* MessageListModel::row(int index) const {
    if (!rows_ || index < 0 || index >= shown_ || index >= static_cast<int>(rows_->size()))
        return nullptr;
    return &(*rows_)[index];
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const {
    const MessageEntry* entry = row(index.row());
    if (!entry) return {};
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return cellText(*entry, column);
        case Qt::DecorationRole:
            return column == kSubject ? QVariant(icons_(entry->mark)) : QVariant();
        case kMarkRole:
            return column == kSubject ? QVariant(entry->mark) : QVariant();
        case Qt::TextAlignmentRole:
            return column == kSize ? QVariant(kRightAligned) : QVariant();
        default:
            return {};
    }
}

// The rows keep every byte for the rules; what the list shows is made safe.
QVariant MessageListModel::cellText(const MessageEntry& entry, int column) const {
    switch (column) {
        case kSubject:
            return ShownText(entry.subject);
        case kSender:
            return ShownText(entry.sender);
        case kSize:
            return ShownText(entry.size);
        case kDate:
            return ShownText(entry.date);
        default:
            return {};
    }
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole && section == kSize) return QVariant(kRightAligned);
    if (role != Qt::DisplayRole) return {};
    switch (section) {
        case kSubject:
            return tr("Subject");
        case kSender:
            return tr("Sender");
        case kSize:
            return tr("Size");
        case kDate:
            return tr("Date");
        default:
            return {};
    }
}

// Read-only: the list shows the rows, it never edits them.
Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

}  // namespace kelvane
