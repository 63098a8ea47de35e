#pragma once

#include <QString>
#include <functional>

#include "CommandGate.h"

class QAbstractButton;
class QAction;
class QObject;

namespace kelvane {

// The property that marks a control whose command goes through the gate; a test walks the
// windows and menus for any control without it.
inline constexpr const char* kGatedCommandProperty = "kelvaneCommand";

// Connects a button's click or a menu item's trigger to `body`, run through `gate` as `command`.
void ConnectGated(CommandGate& gate, QAbstractButton* button, Command command,
                  std::function<void()> body);
void ConnectGated(CommandGate& gate, QAction* action, Command command, std::function<void()> body);
// For a control whose command depends on the moment (the third button: Cancel or Exit).
void MarkGated(QObject* control, const char* commandName);
// The command a control was connected to; empty when it bypasses the gate.
QString GatedCommandOf(const QObject* control);

}  // namespace kelvane
