#include "DeletedJunkModel.h"

#include <QDateTime>
#include <QPixmap>

#include "LocaleListDate.h"
#include "MarkPictures.h"
#include "RuleDialogFields.h"
#include "ShownText.h"

namespace kelvane {
namespace {

constexpr int kRightAligned = Qt::AlignRight | Qt::AlignVCenter;

}  // namespace

DeletedJunkModel::DeletedJunkModel(QObject* parent, QLocale locale)
    : QAbstractTableModel(parent),
      locale_(std::move(locale)),
      deletedFormat_(FourDigitYear(locale_.dateFormat(QLocale::ShortFormat)) + QLatin1Char(' ') +
                     locale_.timeFormat(QLocale::ShortFormat)) {}

void DeletedJunkModel::setMessages(std::vector<KeptMessage> messages) {
    beginResetModel();
    messages_ = std::move(messages);
    endResetModel();
}

const KeptMessage* DeletedJunkModel::message(int row) const {
    if (row < 0 || row >= static_cast<int>(messages_.size())) return nullptr;
    return &messages_[static_cast<std::size_t>(row)];
}

int DeletedJunkModel::rowOf(const std::string& id) const {
    for (std::size_t row = 0; row < messages_.size(); ++row) {
        if (messages_[row].id == id) return static_cast<int>(row);
    }
    return -1;
}

QString DeletedJunkModel::deletedText(long long deletedAt) const {
    const QDateTime local = QDateTime::fromSecsSinceEpoch(deletedAt).toLocalTime();
    return locale_.toString(local, deletedFormat_);
}

int DeletedJunkModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(messages_.size());
}

int DeletedJunkModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant DeletedJunkModel::data(const QModelIndex& index, int role) const {
    const KeptMessage* kept = message(index.row());
    if (!kept) return {};
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return cellText(*kept, column);
        case Qt::DecorationRole:
            return column == kSubject ? QVariant(icons_(kept->mark)) : QVariant();
        case Qt::TextAlignmentRole:
            return column == kSize ? QVariant(kRightAligned) : QVariant();
        case Qt::ToolTipRole:
            if (column == kSubject && !kept->whole)
                return tr("Only the start of this message was kept");
            return {};
        case kSortRole:
            return sortKey(*kept, column);
        case kIdRole:
            return QString::fromStdString(kept->id);
        default:
            return {};
    }
}

// Everything but the time of deletion came from the message or its server.
QVariant DeletedJunkModel::cellText(const KeptMessage& kept, int column) const {
    switch (column) {
        case kSubject:
            return ShownText(kept.subject);
        case kSender:
            return ShownText(kept.sender);
        case kSize:
            return ShownText(kept.size);
        case kDate:
            return ShownText(kept.date);
        case kMailbox:
            return ShownText(MailboxEntryText(kept.mailbox, kept.user, kept.server));
        case kDeleted:
            return deletedText(kept.deletedAt);
        default:
            return {};
    }
}

QVariant DeletedJunkModel::sortKey(const KeptMessage& kept, int column) const {
    switch (column) {
        case kSize:
            return kept.originalSize;
        case kDeleted:
            return kept.deletedAt;
        default:
            return cellText(kept, column);
    }
}

QVariant DeletedJunkModel::headerData(int section, Qt::Orientation orientation, int role) const {
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
        case kMailbox:
            return tr("Mailbox");
        case kDeleted:
            return tr("Deleted");
        default:
            return {};
    }
}

Qt::ItemFlags DeletedJunkModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

}  // namespace kelvane
