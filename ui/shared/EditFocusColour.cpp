#include "EditFocusColour.h"

#include <QAbstractSpinBox>
#include <QEvent>
#include <QLineEdit>
#include <QSpinBox>

namespace kelvane {

EditFocusColour::EditFocusColour(QWidget* window) : QObject(window), window_(window) {}

void EditFocusColour::InstallOn(QWidget* window) {
    auto* filter = new EditFocusColour(window);
    QList<QWidget*> fields;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        // A spin box's own editor follows the spin box's colours.
        if (!qobject_cast<QAbstractSpinBox*>(edit->parentWidget())) fields << edit;
    }
    for (QSpinBox* spin : window->findChildren<QSpinBox*>()) fields << spin;
    for (QWidget* field : fields) {
        field->installEventFilter(filter);
        filter->colour(field, field->hasFocus());
    }
}

bool EditFocusColour::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        colour(static_cast<QWidget*>(watched), event->type() == QEvent::FocusIn);
    }
    return QObject::eventFilter(watched, event);
}

void EditFocusColour::colour(QWidget* field, bool focused) const {
    QPalette palette = field->palette();
    const QPalette& window = window_->palette();
    palette.setColor(QPalette::Base,
                     focused ? window.color(QPalette::Base) : window.color(QPalette::Button));
    field->setPalette(palette);
}

}  // namespace kelvane
