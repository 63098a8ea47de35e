#include "ActivityLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "AtomicFile.h"
#include "LogFileNames.h"
#include "LogStamp.h"

namespace kelvane {

namespace {

// The log names senders and subjects of the user's mail.
constexpr mode_t kNewLogMode = 0600;

std::string SystemReason(const char* action, const std::string& name, int error) {
    return std::string(action) + " " + name + ": " + std::strerror(error);
}

}  // namespace

ActivityLog::ActivityLog(FileNameSource fileName, Clock clock)
    : fileName_(std::move(fileName)), clock_(std::move(clock)) {}

ActivityLog::~ActivityLog() {
    CloseLogFile();
}

void ActivityLog::OpenLogFile() {
    if (IsOpen()) return;
    std::string name = fileName_();
    if (IsBlankLogFileName(name)) return;
    // O_APPEND makes every write land at the end as a whole, so that the window and a
    // command-line run appending at the same time never interleave their records. A link in
    // the log's place (say, to the user's shell start-up file) is refused, not followed.
    try {
        file_ = OpenRegularFile(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY,
                                kNewLogMode);
    } catch (const FileError& error) {
        lastError_ = "Could not open log file " + name + ": " + error.reason();
        return;
    }
    openName_ = std::move(name);
    lastError_.clear();
}

void ActivityLog::CloseLogFile() {
    if (!IsOpen()) return;
    if (::close(file_) != 0)
        lastError_ = SystemReason("Could not close log file", openName_, errno);
    file_ = -1;
}

bool ActivityLog::WriteCheckRecord(std::size_t count, std::string_view user,
                                   std::string_view server) {
    return WriteSingleRecord(CheckRecord(count, user, server, Stamp()));
}

bool ActivityLog::WriteErrorRecord(std::string_view error, std::string_view user,
                                   std::string_view server) {
    return WriteSingleRecord(ErrorRecord(error, user, server, Stamp()));
}

bool ActivityLog::WriteCancellationRecord(std::string_view user, std::string_view server) {
    return WriteSingleRecord(CancellationRecord(user, server, Stamp()));
}

bool ActivityLog::WriteModeRecord(bool enabled) {
    return WriteSingleRecord(ModeRecord(enabled, Stamp()));
}

bool ActivityLog::WriteDeletionBlock(const DeletedMessage& message) {
    if (!IsOpen()) return false;
    return Append(DeletionBlock(message, Stamp()));
}

std::string ActivityLog::Stamp() const {
    return FormatLogStamp(clock_());
}

bool ActivityLog::WriteSingleRecord(const std::string& record) {
    const bool wasOpen = IsOpen();
    OpenLogFile();
    const bool written = Append(record);
    if (!wasOpen) CloseLogFile();
    return written;
}

bool ActivityLog::Append(std::string_view bytes) {
    if (!IsOpen()) return false;
    // One call normally takes the whole record; the loop only finishes a write that a signal
    // or a nearly full disk cut short.
    while (!bytes.empty()) {
        const ssize_t written = ::write(file_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            lastError_ = SystemReason("Could not write log file", openName_, errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    lastError_.clear();
    return true;
}

}  // namespace kelvane
