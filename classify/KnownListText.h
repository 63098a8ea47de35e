#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The known-spammer file as its editor shows it, and the editor's text back as the file's lines.
// The editor can hold only display-safe text, so a line of the file that is not (bytes that are
// not UTF-8, control characters) is shown made safe and keeps its own bytes unless the user
// changes it.
class KnownListText {
  public:
    explicit KnownListText(std::string_view fileBytes = {});

    // Every line made safe to show, each ended by LF as in the file (the last one only when the
    // file ends with a line break).
    const std::string& shown() const { return shown_; }
    bool unchanged(std::string_view edited) const { return edited == shown_; }

    // `edited`, lines ended by LF, with every line still as shown given its bytes from the file
    // back; lines typed or changed are taken as they are. Two file lines shown alike go back in
    // file order.
    std::string FileText(std::string_view edited) const;

  private:
    std::string shown_;
    // The file's lines that showing changed, by how they are shown, in file order.
    std::map<std::string, std::vector<std::string>, std::less<>> changedByShowing_;
};

// The list as "known.lst" holds it: one entry a line, each ended by CR LF.
std::string KnownListFileBytes(const std::vector<std::string>& entries);

// Replaces the file at `path` with the list, atomically. A file its owner made read-only is
// refused as the system refuses any other write, rather than replaced behind its back. Throws
// FileError naming the path and the reason.
void WriteKnownListFile(const std::string& path, const std::vector<std::string>& entries);

}  // namespace kelvane
