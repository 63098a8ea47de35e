#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QLocale>
#include <vector>

#include "KeptMessage.h"
#include "MarkPictures.h"
#include "MarkState.h"

namespace kelvane {

// The Deleted junk window's list over the quarantine's messages as listed, newest first: the main
// list's columns, then the mailbox and the time of deletion.
class DeletedJunkModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { kSubject, kSender, kSize, kDate, kMailbox, kDeleted, kColumnCount };
    // What the columns sort by: the size and the time of deletion as numbers, the rest as shown.
    static constexpr int kSortRole = Qt::UserRole;
    // The kept message's id, on every cell.
    static constexpr int kIdRole = Qt::UserRole + 1;

    // Times of deletion are written in `locale`'s short formats, in local time.
    explicit DeletedJunkModel(QObject* parent = nullptr, QLocale locale = QLocale::system());

    void setMessages(std::vector<KeptMessage> messages);
    const std::vector<KeptMessage>& messages() const { return messages_; }
    // The message of row `row`; null outside the list.
    const KeptMessage* message(int row) const;
    // The row of the message with `id`; -1 when it is not listed.
    int rowOf(const std::string& id) const;
    QString deletedText(long long deletedAt) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    QVariant cellText(const KeptMessage& kept, int column) const;
    QVariant sortKey(const KeptMessage& kept, int column) const;

    std::vector<KeptMessage> messages_;
    QLocale locale_;
    QString deletedFormat_;
    // Index 0 is the blank picture of an unmarked row, then one per mark.
    RowMarkIcons icons_;
};

}  // namespace kelvane
