#include "MarkPictures.h"

// The pictures live in a static library, so their resource file has to be pulled in by name.
static void LoadMarkResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(marks);
        return true;
    }();
    (void)loaded;
}

namespace kelvane {

namespace {

QPixmap PictureFile(const QString& name) {
    LoadMarkResources();
    return QPixmap(QStringLiteral(":/marks/") + name + QStringLiteral(".png"));
}

}  // namespace

QPixmap MarkPixmap(MarkState mark) {
    if (mark < kCheckMark || mark > kLastExceptionMark) return {};
    return PictureFile(QStringLiteral("mark%1").arg(mark));
}

QIcon MarkIcon(MarkState mark) {
    const QPixmap picture = MarkPixmap(mark);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

QIcon CheckButtonIcon(bool listEmpty) {
    return QIcon(
        PictureFile(listEmpty ? QStringLiteral("check_down") : QStringLiteral("check_up")));
}

QIcon StopIcon() {
    return QIcon(PictureFile(QStringLiteral("stop")));
}

QPixmap MailFramePixmap(int index) {
    if (index < 0 || index >= kMailFrameCount) return {};
    return PictureFile(QStringLiteral("mail%1").arg(index));
}

RowMarkIcons::RowMarkIcons() {
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    icons_[0] = QIcon(blank);
    for (MarkState mark = kCheckMark; mark <= kLastExceptionMark; ++mark)
        icons_[mark + 1] = MarkIcon(mark);
}

const QIcon& RowMarkIcons::operator()(MarkState mark) const {
    const bool pictured = mark >= kCheckMark && mark <= kLastExceptionMark;
    return icons_[pictured ? mark + 1 : 0];
}

}  // namespace kelvane
