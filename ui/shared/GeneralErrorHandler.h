#pragma once

#include <functional>

class QWidget;

namespace kelvane {

class MessageBoxes;

// Runs an interactive action; an error escaping it is shown to the user in an error box with its
// text instead of ending the program. Gives true when the action finished without an error.
bool RunGuarded(MessageBoxes& boxes, const std::function<void()>& action);
// The same with the program's real boxes over `parent`.
bool RunGuarded(QWidget* parent, const std::function<void()>& action);

}  // namespace kelvane
