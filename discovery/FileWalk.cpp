#include "FileWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace kelvane {
namespace {

struct ListedEntry {
    std::string name;
    unsigned char type;  // d_type: DT_UNKNOWN when the file system does not tell
};

// A folder's entries in the order the file system gives them, and the folder's identity. The
// folder is closed before its entries are visited, so a deep tree holds no descriptors.
struct FolderListing {
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<ListedEntry> entries;
};

std::optional<FolderListing> ListFolder(const std::string& path, bool followLink) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return std::nullopt;
    FolderListing listing;
    struct stat info {};
    DIR* dir = ::fstat(fd, &info) == 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    listing.device = info.st_dev;
    listing.inode = info.st_ino;
    while (const dirent* entry = ::readdir(dir)) {
        listing.entries.push_back({entry->d_name, entry->d_type});
    }
    ::closedir(dir);
    return listing;
}

enum class EntryKind { Folder, File, Other };

// A symbolic link counts as the file it leads to, but never as a folder.
EntryKind KindOf(const std::string& path, unsigned char type) {
    if (type == DT_DIR) return EntryKind::Folder;
    if (type == DT_REG) return EntryKind::File;
    struct stat info {};
    if (type == DT_UNKNOWN) {
        if (::lstat(path.c_str(), &info) != 0) return EntryKind::Other;
        if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
        if (S_ISREG(info.st_mode)) return EntryKind::File;
        if (!S_ISLNK(info.st_mode)) return EntryKind::Other;
    } else if (type != DT_LNK) {
        return EntryKind::Other;
    }
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? EntryKind::File
                                                                     : EntryKind::Other;
}

std::string WithoutTrailingSlash(std::string folder) {
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
}

class FileWalk {
  public:
    FileWalk(const FileIteratorSetup& setup, const std::atomic<FileIteratorState>& state)
        : setup_(setup), state_(state) {
        for (const std::string& folder : setup.skippedFolders) {
            skipped_.push_back(WithoutTrailingSlash(folder));
        }
    }

    void Run() { Folder(WithoutTrailingSlash(setup_.rootFolder), true); }

  private:
    bool Has(FileIteratorOption option) const { return (setup_.options & option) != 0; }
    bool StopRequested() const { return state_.load() == FileIteratorState::StopRequested; }

    // `folder` has no trailing slash: the root folder is the empty text, so that its entries
    // read "/name".
    void Folder(const std::string& folder, bool isRoot) {
        if (std::find(skipped_.begin(), skipped_.end(), folder) != skipped_.end()) return;
        const auto listing = ListFolder(folder.empty() ? "/" : folder, isRoot);
        if (!listing) return;
        // A folder met again below itself (a bind mount) would make the walk endless.
        const std::pair<dev_t, ino_t> identity{listing->device, listing->inode};
        if (std::find(open_.begin(), open_.end(), identity) != open_.end()) return;
        open_.push_back(identity);
        for (const ListedEntry& entry : listing->entries) {
            if (StopRequested()) break;
            Entry(folder, entry);
        }
        open_.pop_back();
    }

    void Entry(const std::string& folder, const ListedEntry& entry) {
        const std::string path = folder + "/" + entry.name;
        switch (KindOf(path, entry.type)) {
            case EntryKind::Folder:
                if (entry.name.front() != '.' && Has(fiRecurseFolders)) Folder(path, false);
                break;
            case EntryKind::File:
                File(path, entry.name);
                break;
            case EntryKind::Other:
                break;
        }
    }

    void File(const std::string& path, const std::string& name) {
        FileDetails details;
        if (Has(fiDetails)) {
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0) return;  // gone since the folder was listed
            details.mode = info.st_mode;
            details.size = static_cast<std::uint64_t>(info.st_size);
            details.modified = info.st_mtim.tv_sec;
        }
        const std::string& reported = Has(fiPath) ? path : name;
        bool add = true;
        if (setup_.onAddFileQuery) setup_.onAddFileQuery(reported, details, add);
        if (add && setup_.onAddFile) setup_.onAddFile(reported, details);
    }

    const FileIteratorSetup& setup_;
    const std::atomic<FileIteratorState>& state_;
    std::vector<std::string> skipped_;
    std::vector<std::pair<dev_t, ino_t>> open_;  // the folders from the root down to this one
};

}  // namespace

void WalkFileTree(const FileIteratorSetup& setup, const std::atomic<FileIteratorState>& state) {
    FileWalk(setup, state).Run();
}

}  // namespace kelvane
