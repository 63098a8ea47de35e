#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kelvane {
namespace {

std::string SystemReason(int error) {
    return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Closes a descriptor and removes a temporary file unless released.
class TempFile {
  public:
    TempFile(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!name_.empty()) ::unlink(name_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void Release() { name_.clear(); }

  private:
    int fd_;
    std::string name_;
};

[[noreturn]] void Fail(const std::string& path, const char* action, int error) {
    const std::string reason = SystemReason(error);
    throw FileError(path, std::string("Could not ") + action + " " + path + ": " + reason, reason);
}

[[noreturn]] void FailOpen(const std::string& path, const std::string& reason) {
    throw FileError(path, "Could not open " + path + ": " + reason, reason);
}

// Why `path` was refused: what stands there when it is no regular file, else the system's reason.
std::string OpenFailureReason(const std::string& path, int error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode)) return "Is a symbolic link";
        if (!S_ISREG(info.st_mode)) return "Not a regular file";
    }
    return SystemReason(error);
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

int OpenRegularFile(const std::string& path, int flags, mode_t mode) {
    // Non-blocking so that opening a FIFO without a reader fails instead of waiting; regular
    // files ignore the flag.
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK, mode);
    if (fd < 0) FailOpen(path, OpenFailureReason(path, errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        FailOpen(path, "Not a regular file");
    }
    return fd;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        Fail(path, "read", errno);
    }
    std::string content;
    struct stat info {};
    // One allocation for the whole file: large files (the header cache) are read at every check.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        content.reserve(static_cast<size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            Fail(path, "read", error);
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return content;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    struct stat existing {};
    const mode_t mode =
        ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode;
    WriteFileAtomicallyWithMode(path, bytes, mode);
}

// The temporary file is made 0600 by mkostemp and only then given `mode`, so the bytes are never
// readable by others before the final mode allows it.
void WriteFileAtomicallyWithMode(const std::string& path, std::string_view bytes, mode_t mode,
                                 Durability durability) {
    const bool durable = durability == Durability::Flushed;
    std::string pattern = path + ".tmp-XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) Fail(path, "write", errno);
    TempFile temp(fd, pattern);

    if (::fchmod(temp.fd(), mode) != 0) Fail(path, "write", errno);
    if (!WriteAll(temp.fd(), bytes)) Fail(path, "write", errno);
    if (durable && ::fsync(temp.fd()) != 0) Fail(path, "write", errno);
    if (temp.Close() != 0) Fail(path, "write", errno);
    if (::rename(temp.name().c_str(), path.c_str()) != 0) Fail(path, "write", errno);
    temp.Release();
    if (!durable) return;

    // Make the rename itself durable; a failure here leaves a complete file either way.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace kelvane
