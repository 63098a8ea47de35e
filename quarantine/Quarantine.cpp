#include "Quarantine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <utility>

#include "AtomicFile.h"
#include "KeptMessageFile.h"
#include "ProgramPaths.h"

namespace kelvane {
namespace {

constexpr const char* kEnding = ".kept";
constexpr const char* kTempPrefix = ".keeping-";
constexpr int kMostPerSecond = 9999;
constexpr long long kSecondsPerDay = 24 * 60 * 60;
// A temporary file older than this was left by a program that stopped while writing it.
constexpr long long kStaleTempSeconds = kSecondsPerDay;
// What is read of a file first to find its description; most descriptions fit.
constexpr std::size_t kFirstRead = 16 * 1024;

[[noreturn]] void Fail(const std::string& path, const std::string& action, int error) {
    const std::string reason = std::strerror(error);
    throw FileError(path, "Could not " + action + " " + path + ": " + reason, reason);
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int Close() { return ::close(std::exchange(fd_, -1)); }

  private:
    int fd_;
};

// Up to `count` bytes from `offset`; fewer at the end of the file.
std::string ReadAt(int fd, std::size_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

std::string IdStem(long long when) {
    const std::time_t time = static_cast<std::time_t>(when);
    std::tm utc{};
    ::gmtime_r(&time, &utc);
    char stem[32];
    std::strftime(stem, sizeof stem, "%Y%m%d-%H%M%S-", &utc);
    return stem;
}

// Gives `temp` the name `target` unless a file has it already (another program keeping a
// message in the same second); false then.
bool NameWithoutReplacing(const std::string& temp, const std::string& target) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EEXIST) return false;
    if (errno != EINVAL && errno != ENOSYS) Fail(target, "keep", errno);
    // A file system without the exclusive rename: a hard link refuses an existing name too.
    if (::link(temp.c_str(), target.c_str()) != 0) {
        if (errno == EEXIST) return false;
        Fail(target, "keep", errno);
    }
    ::unlink(temp.c_str());
    return true;
}

}  // namespace

std::string QuarantineFolder(const std::string& programDirectory) {
    return paths::JoinPath(programDirectory, "deleted");
}

Quarantine::Quarantine(std::string folder) : folder_(std::move(folder)) {}

bool Quarantine::IsId(std::string_view id) {
    if (id.size() != 20 || id[8] != '-' || id[15] != '-') return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (i != 8 && i != 15 && (id[i] < '0' || id[i] > '9')) return false;
    }
    return true;
}

std::string Quarantine::PathOf(const std::string& id) const {
    return paths::JoinPath(folder_, id + kEnding);
}

// Made for the user alone; one that others could read is closed to them, since it holds mail.
void Quarantine::MakeFolder() const {
    if (::mkdir(folder_.c_str(), 0700) == 0) return;
    if (errno != EEXIST) Fail(folder_, "make the folder", errno);
    struct stat info {};
    if (::lstat(folder_.c_str(), &info) != 0) Fail(folder_, "open the folder", errno);
    if (!S_ISDIR(info.st_mode)) Fail(folder_, "open the folder", ENOTDIR);
    if ((info.st_mode & 077) != 0 && ::chmod(folder_.c_str(), info.st_mode & 0700) != 0) {
        Fail(folder_, "make private the folder", errno);
    }
}

std::string Quarantine::Keep(KeptMessage kept, std::string_view message,
                             const QuarantineLimits& limits) {
    MakeFolder();
    const std::string_view part = KeptPart(message, limits.wholeLimit);
    kept.originalSize = static_cast<long long>(message.size());
    kept.whole = part.size() == message.size();
    kept.keptSize = static_cast<long long>(part.size());
    const std::string temp = WriteTemporary(FormatKeptMessage(kept, part));
    try {
        return NameKept(temp, IdStem(kept.deletedAt));
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

// A private file of its own name in the folder, complete but not yet flushed.
std::string Quarantine::WriteTemporary(std::string_view bytes) const {
    std::string temp = paths::JoinPath(folder_, std::string(kTempPrefix) + "XXXXXX");
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) Fail(folder_, "keep the message in", errno);
    if (!WriteAll(fd.get(), bytes) || fd.Close() != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        Fail(temp, "keep the message in", error);
    }
    return temp;
}

// Gives `temp` the first free id of the second `stem`; a run keeps many messages in the same
// second, so numbering goes on from the last id given.
std::string Quarantine::NameKept(const std::string& temp, const std::string& stem) {
    if (stem != lastStem_) {
        lastStem_ = stem;
        nextNumber_ = 1;
    }
    char number[12];
    for (; nextNumber_ <= kMostPerSecond; ++nextNumber_) {
        std::snprintf(number, sizeof number, "%04d", nextNumber_);
        if (NameWithoutReplacing(temp, PathOf(stem + number))) {
            ++nextNumber_;
            return stem + number;
        }
    }
    Fail(PathOf(stem + "9999"), "keep", EEXIST);
}

void Quarantine::Flush() {
    Descriptor fd(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) Fail(folder_, "open the folder", errno);
    // One flush of the file system for all the files kept in a run, instead of one per file.
    if (::syncfs(fd.get()) != 0) Fail(folder_, "write to disk", errno);
}

std::optional<KeptMessage> Quarantine::ReadDescription(const std::string& id,
                                                       long long* fileSize) const {
    if (!IsId(id)) return std::nullopt;
    int raw = -1;
    try {
        raw = OpenRegularFile(PathOf(id), O_RDONLY | O_CLOEXEC, 0);
    } catch (const FileError&) {
        return std::nullopt;
    }
    Descriptor fd(raw);
    struct stat info {};
    // Only files this user wrote: another's file planted here is not ours to show or remove.
    if (::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid()) return std::nullopt;
    const auto total = static_cast<std::size_t>(info.st_size);
    std::string start = ReadAt(fd.get(), 0, std::min(total, kFirstRead));
    if (start.find("\n\n") == std::string::npos && total > start.size()) {
        start = ReadAt(fd.get(), 0, std::min(total, kLongestDescription + 1));
    }
    auto parsed = ParseKeptMessage(start, total);
    if (!parsed) return std::nullopt;
    parsed->kept.id = id;
    if (fileSize != nullptr) *fileSize = static_cast<long long>(total);
    return parsed->kept;
}

std::vector<Quarantine::Entry> Quarantine::Entries() const {
    std::vector<Entry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(folder_.c_str()), ::closedir);
    if (!folder) return entries;
    const std::size_t ending = std::strlen(kEnding);
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string_view name = entry->d_name;
        if (name.size() <= ending || name.substr(name.size() - ending) != kEnding) continue;
        long long size = 0;
        if (auto one = ReadDescription(std::string(name.substr(0, name.size() - ending)), &size)) {
            entries.push_back({std::move(*one), size});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.kept.deletedAt != b.kept.deletedAt ? a.kept.deletedAt > b.kept.deletedAt
                                                    : a.kept.id > b.kept.id;
    });
    return entries;
}

std::vector<KeptMessage> Quarantine::List() const {
    std::vector<KeptMessage> kept;
    for (Entry& entry : Entries()) kept.push_back(std::move(entry.kept));
    return kept;
}

std::optional<KeptMessage> Quarantine::Find(const std::string& id) const {
    return ReadDescription(id, nullptr);
}

std::optional<std::string> Quarantine::Message(const std::string& id) const {
    if (!ReadDescription(id, nullptr)) return std::nullopt;
    const auto file = ReadWholeFile(PathOf(id));
    if (!file) return std::nullopt;
    const auto parsed = ParseKeptMessage(*file);
    if (!parsed) return std::nullopt;
    return file->substr(parsed->messageOffset);
}

void Quarantine::Restore(const std::string& id, const std::string& path) const {
    const auto message = Message(id);
    if (!message) throw FileError(id, "There is no deleted message " + id + ".");
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         kPrivateFileMode));
    if (fd.get() < 0) {
        if (errno == EEXIST) {
            throw FileError(path, path + " already exists; it was not replaced.", "File exists");
        }
        Fail(path, "write", errno);
    }
    if (!WriteAll(fd.get(), *message) || ::fsync(fd.get()) != 0 || fd.Close() != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        Fail(path, "write", error);
    }
}

bool Quarantine::Forget(const std::string& id) {
    if (!ReadDescription(id, nullptr)) return false;
    if (::unlink(PathOf(id).c_str()) != 0) Fail(PathOf(id), "remove", errno);
    return true;
}

int Quarantine::Expire(const QuarantineLimits& limits, long long now) {
    const std::vector<Entry> entries = Entries();
    int removed = 0;
    auto remove = [&](const Entry& entry) {
        const std::string path = PathOf(entry.kept.id);
        if (::unlink(path.c_str()) != 0) Fail(path, "remove", errno);
        ++removed;
    };
    const long long oldest = now - static_cast<long long>(limits.days) * kSecondsPerDay;
    long long total = 0;
    std::vector<const Entry*> young;
    for (const Entry& entry : entries) {
        if (entry.kept.deletedAt < oldest) {
            remove(entry);
        } else {
            young.push_back(&entry);
            total += entry.fileSize;
        }
    }
    // Oldest first until the rest fit.
    for (auto entry = young.rbegin(); entry != young.rend() && total > limits.totalBytes; ++entry) {
        remove(**entry);
        total -= (*entry)->fileSize;
    }
    RemoveStaleTemporaries(now);
    return removed;
}

// A program that stopped while keeping a message leaves its temporary file behind.
void Quarantine::RemoveStaleTemporaries(long long now) const {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(folder_.c_str()), ::closedir);
    if (!folder) return;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name.rfind(kTempPrefix, 0) != 0) continue;
        const std::string path = paths::JoinPath(folder_, name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid() && now - info.st_mtime > kStaleTempSeconds) {
            ::unlink(path.c_str());
        }
    }
}

}  // namespace kelvane
