#include "FileSearch.h"

#include <algorithm>

namespace kelvane {
namespace {

std::string Capitals(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; });
    return text;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool IsFileSought(const std::string& path, const std::string& sought) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return Capitals(name) == Capitals(sought);
}

FileSearch::FileSearch(Events events) : events_(std::move(events)) {
    SetSource(source_);
    iterator_.SetOptions(kAllFileIteratorOptions);
    iterator_.SetOnActivate([this] { Started(); });
    iterator_.SetOnAddFileQuery(
        [this](const std::string& path, const FileDetails&, bool& add) { Query(path, add); });
    iterator_.SetOnAddFile([this](const std::string& path, const FileDetails&) { Found(path); });
    iterator_.SetOnTerminate([this] { Ended(); });
}

void FileSearch::SetSought(const std::string& name) {
    if (!name.empty()) sought_ = name;
}

void FileSearch::SetSource(const std::string& folder) {
    source_ = folder;
    sourceCaption_ = "S&ource:  " + folder;
}

void FileSearch::Start() {
    if (source_.empty()) throw EFileIteratorError(kInvalidSourceMessage);
    iterator_.SetRootFolder(source_);  // refused while a search runs
    sourceCaption_ = "Source: " + source_;
    searching_ = sought_;
    searchedCaption_ = sourceCaption_;
    iterator_.WalkInThread();
}

void FileSearch::Started() {
    found_.clear();
    if (events_.onStarted) events_.onStarted();
}

void FileSearch::Query(const std::string& path, bool& add) const {
    if (events_.onFolder) events_.onFolder(FolderOf(path));
    add = IsFileSought(path, searching_);
}

void FileSearch::Found(const std::string& path) {
    found_.push_back(path);
    if (events_.onFound) events_.onFound(path, static_cast<int>(found_.size()));
}

void FileSearch::Ended() const {
    FileSearchOutcome outcome{found_, "Files found: " + std::to_string(found_.size()), {}};
    if (found_.empty()) {
        outcome.error =
            "No files with the name of " + searching_ + " were found on " + searchedCaption_;
    }
    if (events_.onEnded) events_.onEnded(outcome);
}

}  // namespace kelvane
