#pragma once

#include <sys/types.h>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace kelvane {

// A file that could not be read or written; the text names the path and the system's reason.
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& path, const std::string& what, std::string reason = {})
        : std::runtime_error(what), path_(path), reason_(std::move(reason)) {}
    const std::string& path() const { return path_; }
    // The system's reason alone ("Permission denied"), for a caller that words its own message;
    // empty when there is none.
    const std::string& reason() const { return reason_; }

  private:
    std::string path_;
    std::string reason_;
};

// Files that name the user's mail, correspondents or passwords are for the user alone.
inline constexpr mode_t kPrivateFileMode = 0600;

// The whole content of a file, or nothing when the file does not exist.
// Throws FileError when the file exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces `path` with `bytes` so that readers see either the old or the new file, never a
// half-written one: a temporary file in the same folder is written, flushed to disk and renamed.
// A new file gets `newFileMode`; an existing one keeps its permissions. Throws FileError.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         mode_t newFileMode = 0644);

// Whether a replaced file must be on disk before the call returns. A file that only saves work
// and checks itself when read (the header cache) may skip the flush: after a crash it is either
// the old file, the new one, or caught as damaged.
enum class Durability { Flushed, Unflushed };

// Like WriteFileAtomically, but the file has `mode` afterwards whatever it had before: for files
// that must stay private even when someone loosened them.
void WriteFileAtomicallyWithMode(const std::string& path, std::string_view bytes, mode_t mode,
                                 Durability durability = Durability::Flushed);

// Writes all of `bytes` to `fd`, going on after interruptions; false with errno set on failure.
bool WriteAll(int fd, std::string_view bytes);

// Opens `path` with `flags` (O_CREAT and the like; O_NOFOLLOW and O_NONBLOCK are added) and
// returns the descriptor, but only when it is a regular file reached without a symbolic link in
// its own place: a link or a FIFO planted there must not lead the write to another file or block
// it. Throws FileError naming the path; reason() is "Is a symbolic link", "Not a regular file"
// or the system's reason.
int OpenRegularFile(const std::string& path, int flags, mode_t mode);

}  // namespace kelvane
