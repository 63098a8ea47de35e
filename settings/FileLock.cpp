#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "AtomicFile.h"

namespace kelvane {
namespace {

[[noreturn]] void FailLock(const std::string& lockPath, const std::string& reason) {
    throw FileError(lockPath, "Could not lock " + lockPath + ": " + reason, reason);
}

}  // namespace

FileLock::FileLock(const std::string& lockPath, mode_t mode) {
    try {
        fd_ = OpenRegularFile(lockPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, mode);
    } catch (const FileError& error) {
        FailLock(lockPath, error.reason());
    }
    // Only an interrupt is worth another try; going on without the lock would let two programs
    // overwrite each other's changes.
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const std::string reason = std::strerror(errno);
        ::close(fd_);
        FailLock(lockPath, reason);
    }
}

FileLock::~FileLock() {
    ::close(fd_);
}

}  // namespace kelvane
