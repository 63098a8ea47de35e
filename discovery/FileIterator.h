#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {

// What a walk reports, as a set of these bits.
enum FileIteratorOption : unsigned {
    fiPath = 1u << 0,            // each file's full path rather than its bare name
    fiDetails = 1u << 1,         // each file's mode, size and time
    fiRecurseFolders = 1u << 2,  // descend into sub-folders
};
using FileIteratorOptions = unsigned;
inline constexpr FileIteratorOptions kAllFileIteratorOptions =
    fiPath | fiDetails | fiRecurseFolders;

enum class FileIteratorState { Idle, Running, StopRequested };

// A file's details; all zero unless fiDetails is set.
struct FileDetails {
    std::uint32_t mode = 0;  // type and permission bits, as stat gives them
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // seconds since 1970
};

// A refused request to an iterator or to the file search.
class EFileIteratorError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kIteratorBusyMessage =
    "Iterator is not available at the moment. Please call later, but do call";
inline constexpr const char* kOptionsLockedMessage = "Cannot change options on fly. Try later";

// The properties and handlers a walk works with; a walk takes a copy when it begins.
struct FileIteratorSetup {
    using ActivateEvent = std::function<void()>;
    // `add` comes preset to true; a handler that leaves it so has the file reported to OnAddFile.
    using AddFileQueryEvent =
        std::function<void(const std::string& name, const FileDetails& details, bool& add)>;
    using AddFileEvent = std::function<void(const std::string& name, const FileDetails& details)>;
    using TerminateEvent = std::function<void()>;

    std::string rootFolder = "/";
    FileIteratorOptions options = kAllFileIteratorOptions;
    // The kernel's views of processes, the system and devices: never entered, since walking them
    // is useless and reading some of their files blocks.
    std::vector<std::string> skippedFolders{"/proc", "/sys", "/dev"};
    ActivateEvent onActivate;
    AddFileQueryEvent onAddFileQuery;
    AddFileEvent onAddFile;
    TerminateEvent onTerminate;
};

class TFileIteratorThread;

// Walks a folder tree depth first and reports its files through events. Folders whose names
// begin with "." are not entered, nor is a symbolic link to a folder ever followed, so a walk
// cannot loop; a folder that cannot be read is passed over.
//
// Threads: the events are raised on the thread that walks, the caller's for Walk and the
// worker's for WalkInThread; a window that may be touched only from its own thread must hand
// their effects over to it, and must keep carrying out what was handed over while it waits for
// the walk to end, or the two threads block each other. Stop and State may be called from any
// thread, everything else from the thread that owns the iterator. A handler must not destroy the
// iterator, start a walk or wait for the worker.
class TFileIterator {
  public:
    TFileIterator();
    // Stops a walk running on the worker and waits for it to end.
    ~TFileIterator();
    TFileIterator(const TFileIterator&) = delete;
    TFileIterator& operator=(const TFileIterator&) = delete;

    // Changing the root, the options or the skipped folders is refused with EFileIteratorError
    // unless the iterator is idle.
    std::string RootFolder() const;
    void SetRootFolder(std::string folder);
    FileIteratorOptions Options() const;
    void SetOptions(FileIteratorOptions options);
    std::vector<std::string> SkippedFolders() const;
    void SetSkippedFolders(std::vector<std::string> folders);

    // A new handler serves the walks that begin after it was set.
    void SetOnActivate(FileIteratorSetup::ActivateEvent handler);
    void SetOnAddFileQuery(FileIteratorSetup::AddFileQueryEvent handler);
    void SetOnAddFile(FileIteratorSetup::AddFileEvent handler);
    void SetOnTerminate(FileIteratorSetup::TerminateEvent handler);

    FileIteratorState State() const { return state_.load(); }

    // Walks the root folder in the calling thread: OnActivate, the files, OnTerminate. Refused
    // with EFileIteratorError unless idle; does nothing when neither OnAddFile nor
    // OnAddFileQuery is set. An error from a handler ends the walk: OnTerminate is still called
    // and the iterator is idle again before the error goes on.
    void Walk();
    // The same walk on a worker thread, returning at once; a refusal is thrown here.
    void WalkInThread();
    // Waits until the worker's walk has ended and rethrows the error that ended it, if any.
    void WaitForWalkThread();
    // Asks a running walk to end, which it does before its next entry; nothing when not running.
    void Stop();

  private:
    friend class TFileIteratorThread;

    // Moves from idle to running and takes the walk's copy of the setup; false when there is
    // nothing to walk for.
    bool BeginWalk();
    // The walk begun by BeginWalk, on whichever thread runs it.
    void RunBegunWalk();
    void Terminate() const;
    template <class Change>
    void ChangeWhileIdle(Change change);

    mutable std::mutex mutex_;  // guards setup_ against a walk beginning meanwhile
    FileIteratorSetup setup_;
    FileIteratorSetup walk_;  // only the walking thread uses it, from BeginWalk until idle
    std::atomic<FileIteratorState> state_{FileIteratorState::Idle};
    std::unique_ptr<TFileIteratorThread> worker_;
};

}  // namespace kelvane
