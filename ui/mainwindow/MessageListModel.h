#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <vector>

#include "MarkPictures.h"
#include "MarkState.h"
#include "MessageEntry.h"

namespace kelvane {

// The main window's message list over a run's rows, which it only reads: row i is message i,
// with its mark picture in front of the subject. Whoever changes the rows says what changed.
class MessageListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { kSubject, kSender, kSize, kDate, kColumnCount };
    // A row's mark as its number, on the Subject cell.
    static constexpr int kMarkRole = Qt::UserRole;

    explicit MessageListModel(QObject* parent = nullptr);

    // Lists `*rows` from now on, nothing for null; they must be replaced before they go.
    void setRows(const std::vector<MessageEntry>* rows);
    // The rows were emptied or replaced as a whole.
    void rowsReset();
    // Row `index` was added at the end of the rows.
    void rowAppended(int index);
    // Marks of any rows changed; the rows themselves stayed.
    void marksChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    const MessageEntry* row(int index) const;
    QVariant cellText(const MessageEntry& entry, int column) const;

    const std::vector<MessageEntry>* rows_ = nullptr;
    // The rows the views know of: the rows change first and are announced afterwards.
    int shown_ = 0;
    // Index 0 is the blank picture of an unmarked row, then one per mark.
    RowMarkIcons icons_;
};

}  // namespace kelvane
