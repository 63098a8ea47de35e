#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace kelvane {

// What the Deleted junk window does outside itself, so that tests can put their own in its place.
// An empty function gets the default when the window is made.
struct DeletedJunkServices {
    // The file a message is restored to, offered under the bare name `suggested`; nothing when
    // the user cancelled. Default: a save dialog that never offers to replace a file.
    std::function<std::optional<std::string>(const std::string& suggested)> chooseRestoreFile;
    // The mail program setting as the runs read it. Default: none.
    std::function<std::string()> mailProgram;
    // Starts a program detached, the program then its arguments; false when it did not start.
    std::function<bool(const std::vector<std::string>& command)> startProgram;
};

// Fills what `services` leaves empty; the dialogs belong to `dialogParent`.
void CompleteDeletedJunkServices(DeletedJunkServices& services, QWidget* dialogParent);

}  // namespace kelvane
