#include "GeneralErrorHandler.h"

#include "QtMessageBoxes.h"

#include <exception>

namespace kelvane {

bool RunGuarded(MessageBoxes& boxes, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        boxes.Error(error.what());
        return false;
    }
}

bool RunGuarded(QWidget* parent, const std::function<void()>& action) {
    QtMessageBoxes boxes(parent);
    return RunGuarded(boxes, action);
}

}  // namespace kelvane
