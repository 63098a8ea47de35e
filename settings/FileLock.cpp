#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "AtomicFile.h"

namespace kelvane {

FileLock::FileLock(const std::string& lockPath, mode_t mode) {
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode);
    if (fd_ < 0) {
        const std::string reason = std::strerror(errno);
        throw FileError(lockPath, "Could not lock " + lockPath + ": " + reason, reason);
    }
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

FileLock::~FileLock() {
    ::close(fd_);
}

}  // namespace kelvane
