#include "KeptMessageCommands.h"

#include <ctime>
#include <optional>
#include <ostream>
#include <string_view>

#include "AtomicFile.h"
#include "DisplayText.h"
#include "KeptMessageFile.h"
#include "Quarantine.h"

namespace kelvane {
namespace {

// Every line is made safe: an id or path typed by the user, or a system's reason, must not add
// lines or steer the terminal either.
void Problem(std::ostream& err, std::string_view kind, std::string_view text) {
    err << kind << ": " << SafeDisplayText(text) << "\n";
}

void SayUnknown(const std::string& id, std::ostream& err) {
    Problem(err, "error", "No deleted message is kept with the id " + id);
}

std::string DeletionTimeText(long long seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char text[32] = "";
    if (::gmtime_r(&time, &utc) == nullptr) return std::to_string(seconds);
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

bool PrintKeptMessages(const Quarantine& quarantine, std::ostream& out, std::ostream& err) {
    try {
        for (const KeptMessage& kept : quarantine.List()) {
            out << kept.id << "\t" << DeletionTimeText(kept.deletedAt) << "\t" << kept.mailbox
                << "\t" << SafeDisplayText(kept.subject) << "\t" << SafeDisplayText(kept.sender)
                << "\n";
        }
    } catch (const FileError& error) {
        out.flush();
        Problem(err, "error", error.what());
        return false;
    }
    return true;
}

bool RestoreKeptMessage(const Quarantine& quarantine, const std::string& id,
                        const std::string& path, std::ostream& err) {
    try {
        const std::optional<KeptMessage> kept =
            Quarantine::IsId(id) ? quarantine.Find(id) : std::nullopt;
        if (!kept) {
            SayUnknown(id, err);
            return false;
        }
        quarantine.Restore(id, path);
        if (!kept->whole) {
            Problem(err, "warning",
                    "Message " + id + " had " + std::to_string(kept->originalSize) +
                        " bytes: only its header block and the first " +
                        std::to_string(kBodyKeptOfLarge / 1024) + " KiB of its body were kept");
        }
    } catch (const FileError& error) {
        Problem(err, "error", error.what());
        return false;
    }
    return true;
}

bool ForgetKeptMessage(Quarantine& quarantine, const std::string& id, std::ostream& err) {
    try {
        if (Quarantine::IsId(id) && quarantine.Forget(id)) return true;
        SayUnknown(id, err);
    } catch (const FileError& error) {
        Problem(err, "error", error.what());
    }
    return false;
}

}  // namespace kelvane
