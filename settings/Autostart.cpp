#include "Autostart.h"

#include <filesystem>
#include <system_error>

#include "AtomicFile.h"

namespace kelvane {
namespace {

// A desktop entry's Exec value: the path quoted, so that a folder with blanks still starts the
// program. Inside the quotes ", `, $ and \ take a backslash, which the file's own string escaping
// doubles again; a % is doubled.
std::string QuotedExec(const std::string& program) {
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '\\')
            quoted += "\\\\\\\\";
        else if (c == '"' || c == '`' || c == '$')
            quoted += std::string("\\\\") + c;
        else if (c == '%')
            quoted += "%%";
        else
            quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::string AutostartEntryPath(const std::string& configHome) {
    return configHome + "/autostart/kelvane.desktop";
}

bool HasAutostartEntry(const std::string& configHome) {
    std::error_code error;
    return std::filesystem::exists(AutostartEntryPath(configHome), error);
}

void WriteAutostartEntry(const std::string& configHome, const std::string& program) {
    const std::string folder = configHome + "/autostart";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw FileError(folder, "Unable to create directory " + folder + ": " + error.message(),
                        error.message());
    }
    WriteFileAtomically(AutostartEntryPath(configHome),
                        "[Desktop Entry]\nType=Application\nName=Kelvane\n"
                        "Comment=Junk mail filter, started in the system tray\nExec=" +
                            QuotedExec(program) +
                            "\nIcon=kelvane\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
}

bool RemoveAutostartEntry(const std::string& configHome) {
    std::error_code error;
    std::filesystem::remove(AutostartEntryPath(configHome), error);
    return !error;
}

}  // namespace kelvane
