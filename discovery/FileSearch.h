#pragma once

#include <functional>
#include <string>
#include <vector>

#include "FileIterator.h"

namespace kelvane {

inline constexpr const char* kInvalidSourceMessage = "Invalid Source";

// How a search ended.
struct FileSearchOutcome {
    std::vector<std::string> files;  // full paths in the order found; the first is selected
    std::string status;              // "Files found: " and the count
    std::string error;               // the no-files message; empty when a file was found
    bool operator==(const FileSearchOutcome&) const = default;
};

// Whether the file at `path` has the name sought, compared in capitals.
bool IsFileSought(const std::string& path, const std::string& sought);

// The search behind the file search window: it walks the source folder on a worker thread for
// files of the name sought and reports what the window shows. Its events are raised on the
// worker thread, as the iterator's are; the window hands their effects to its own thread.
class FileSearch {
  public:
    struct Events {
        std::function<void()> onStarted;  // the list is empty again, the count 0
        std::function<void(const std::string& folder)> onFolder;  // each file's folder in turn
        std::function<void(const std::string& path, int count)> onFound;
        std::function<void(const FileSearchOutcome& outcome)> onEnded;
    };

    explicit FileSearch(Events events);

    const std::string& Sought() const { return sought_; }
    // An empty name leaves the one sought as it was.
    void SetSought(const std::string& name);
    const std::string& Source() const { return source_; }
    void SetSource(const std::string& folder);
    // The source button's caption: "S&ource:  " and the source until a search starts, then
    // "Source: " and the folder searched.
    const std::string& SourceCaption() const { return sourceCaption_; }

    // Starts searching the source; EFileIteratorError "Invalid Source" when it is empty, and the
    // iterator's refusal while a search runs.
    void Start();
    // Asks a running search to end with what it has found so far.
    void Cancel() { iterator_.Stop(); }
    bool Running() const { return iterator_.State() != FileIteratorState::Idle; }
    // Waits until the search has ended; the window's close polls Running first so that it keeps
    // carrying out the handed-over events meanwhile.
    void WaitUntilEnded() { iterator_.WaitForWalkThread(); }

  private:
    void Started();
    void Query(const std::string& path, bool& add) const;
    void Found(const std::string& path);
    void Ended() const;

    Events events_;
    std::string sought_ = "foo";
    std::string source_ = "/";
    std::string sourceCaption_;
    // The search's own copies, which only the walking thread uses while it runs: the window may
    // change the name sought meanwhile.
    std::string searching_;
    std::string searchedCaption_;
    std::vector<std::string> found_;
    TFileIterator iterator_;  // last: its end stops and joins the walk using the above
};

}  // namespace kelvane
