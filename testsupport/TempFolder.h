#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelvane::testsupport {

// A fresh folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    bool IsEmpty() const { return std::filesystem::is_empty(path_); }

  private:
    std::filesystem::path path_;
};

// The file's bytes; empty when it does not exist or cannot be read (a /proc file of a process
// that has just ended fails its read, and the stream library throws on that).
inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    try {
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

// The permission bits of the file (such as 0600); 0 when it does not exist.
inline unsigned FilePermissions(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

// Writes `bytes` as the whole file.
inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace kelvane::testsupport
