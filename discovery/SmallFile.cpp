#include "SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kelvane {
namespace {

// Closes the descriptor whatever way the read ends.
class OpenFile {
  public:
    explicit OpenFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {}
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit) {
    if (path.empty()) return std::nullopt;
    const OpenFile file(path);
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[16384];
    // The size may change while the file is read; the limit holds for what is read.
    for (;;) {
        const ssize_t n = ::read(file.fd(), buffer, sizeof buffer);
        if (n == 0) return bytes;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || bytes.size() + static_cast<std::size_t>(n) > limit) return std::nullopt;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace kelvane
