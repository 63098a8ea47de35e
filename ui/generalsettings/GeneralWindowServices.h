#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DiscoveryEnvironment.h"
#include "LocalDateTime.h"
#include "SoundPlayer.h"

class QWidget;

namespace kelvane {

class MessageBoxes;
class SecretStore;

// Everything the general settings window does outside itself, so that tests can put their own
// in its place. An empty function (or player) gets the default when the window is made.
struct GeneralWindowServices {
    DiscoveryEnvironment discovery = DiscoveryEnvironment::OfThisProcess();
    // The dial-up entries, sorted; default: the pppd peers.
    std::function<std::vector<std::string>()> dialUpEntries;
    // The mail program search; nothing when the user cancelled it. Default: always cancelled,
    // until the program supplies its search window.
    std::function<std::optional<std::string>()> findMailProgram;
    // Starts the program as the main window's launch command does. Default: does nothing.
    std::function<void(const std::string& program)> launchMailProgram;
    // Opens a file with the desktop's application for it; false when that failed.
    std::function<bool(const std::string& path)> openFile;
    // Shows a help topic; default: the program's HTML help in the browser.
    std::function<void(int topic)> showHelp;
    // The file dialogs, starting at `current`; nothing when cancelled.
    std::function<std::optional<std::string>(const std::string& current)> browseSoundFile;
    std::function<std::optional<std::string>(const std::string& current)> browseLogFile;
    std::function<LocalDateTime()> today;
    // Where the login autostart entry goes (default: the discovery's config home) and the
    // program it starts (default: this program's executable).
    std::string autostartConfigHome;
    std::string programPath;
    std::shared_ptr<SoundPlayer> sound;
    // The "Test" button's sound: on with the file and whether it loops, or off. Default: an
    // alarm player over `sound` (Qt Multimedia when empty).
    std::function<void(bool on, const std::string& file, bool repeat)> alarm;
    // Opens an address (already encoded) in the user's web browser; false when that failed.
    // Default: the desktop's browser.
    std::function<bool(const std::string& url)> openBrowser;
    // The desktop keyring passwords are kept in; none keeps them in the settings file.
    SecretStore* keyring = nullptr;
};

// Fills what `services` leaves empty with the defaults. Help opens programFolder/kelvane.html and
// tells `boxes` when it cannot; the file dialogs belong to `dialogParent`.
void CompleteGeneralWindowServices(GeneralWindowServices& services,
                                   const std::string& programFolder, MessageBoxes& boxes,
                                   QWidget* dialogParent);

}  // namespace kelvane
