#pragma once

#include <sys/types.h>

#include <string>

namespace kelvane {

// An exclusive advisory lock (flock) on `lockPath`, held for the object's lifetime, so that the
// window and the command-line companion never interleave their read-modify-write of the files
// the lock guards. The lock file is created with `mode` when missing and left in place. Throws
// FileError when it cannot be made, opened (a link or no regular file in its place) or locked:
// the caller must then not write what the lock guards.
class FileLock {
  public:
    FileLock(const std::string& lockPath, mode_t mode);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace kelvane
