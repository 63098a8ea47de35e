#pragma once

#include <QStyledItemDelegate>

namespace kelvane {

// Right-aligns every cell of the column it is set on, however the row was added.
class RightAlignDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Public so that the layout a cell gets can be checked without painting it.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

}  // namespace kelvane
