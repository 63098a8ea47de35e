#pragma once

#include <QIcon>
#include <QPixmap>
#include <array>

#include "MarkState.h"

namespace kelvane {

// The fifteen 16x16 mark pictures, 0 to 14; a null pixmap for kNoMark or any other number.
QPixmap MarkPixmap(MarkState mark);
// The same picture as an icon for list rows; a null icon where there is no picture.
QIcon MarkIcon(MarkState mark);

// The mark pictures of list rows, made once. A row without a mark gets a blank of the same size,
// so that its text lines up with the others.
class RowMarkIcons {
  public:
    RowMarkIcons();
    const QIcon& operator()(MarkState mark) const;

  private:
    std::array<QIcon, kLastExceptionMark + 2> icons_;
};

// The "&Check e-mail" button's pictures: down while the list is empty, up when it holds rows.
QIcon CheckButtonIcon(bool listEmpty);
// The third button's picture while a run can be cancelled.
QIcon StopIcon();

inline constexpr int kMailFrameCount = 10;
// Frame `index` (0 to 9) of the mail animation of the progress window.
QPixmap MailFramePixmap(int index);

}  // namespace kelvane
