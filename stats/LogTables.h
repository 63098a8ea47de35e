#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "LogDates.h"
#include "TextPool.h"

namespace kelvane {

// One "MAIL CHECK" record. The texts are as the log has them, without outer blanks; `date` and
// `minute` are them read back (the moment of reading where they do not read).
struct CheckEntry {
    TextId countText = TextPool::kEmpty;
    TextId mailbox = TextPool::kEmpty;
    TextId server = TextPool::kEmpty;
    TextId dateText = TextPool::kEmpty;
    TextId timeText = TextPool::kEmpty;
    std::int64_t count = 0;
    StatsMoment date = 0;
    int minute = 0;
};

// One five-line "DELETE SPAM" block; the sender in lower case, the domain after its first "@".
struct DeletionEntry {
    TextId mailbox = TextPool::kEmpty;
    TextId server = TextPool::kEmpty;
    TextId dateText = TextPool::kEmpty;
    TextId timeText = TextPool::kEmpty;
    TextId size = TextPool::kEmpty;
    TextId sender = TextPool::kEmpty;
    TextId domain = TextPool::kEmpty;
    StatsMoment date = 0;
    int minute = 0;
};

// What one reading of an activity log gives: both record tables in file order, the mailboxes
// of the check records (first spelling, first appearance; case does not make a new one) and
// the number of lines that looked like records but could not be read.
struct LogTables {
    TextPool texts;
    std::vector<CheckEntry> checks;
    std::vector<DeletionEntry> deletions;
    std::vector<std::string> mailboxes;
    std::uint64_t skippedLines = 0;

    const std::string& Text(TextId id) const { return texts.Text(id); }
};

// Longest line taken whole; the rest of a longer one is dropped (no record comes near it).
constexpr std::size_t kMaxLogLine = 64 * 1024;

// The parser of log lines, fed one line at a time (without its line break). `now` stands in
// for dates and times that do not read.
class LogTableBuilder {
  public:
    explicit LogTableBuilder(const LocalDateTime& now);
    void AddLine(std::string_view line);
    // Ends the input: a deletion block still waiting for lines is skipped.
    LogTables Finish();

  private:
    void AddCheck(std::string_view line);
    void AddDeletion();
    void SkipPendingBlock();
    // Sets the entry's date and time from its stamp: `dateText` and the line's last two words.
    template <typename Entry>
    void ReadStamp(Entry& entry, std::string_view dateText, std::string_view line);
    void NoteMailbox(std::string_view name);

    LocalDateTime now_;
    StatsMoment nowMoment_;
    int century_;
    std::string nowTimeText_;
    LogTables tables_;
    // The lines of the deletion block being read; kept between blocks for their capacity.
    std::array<std::string, 5> block_;
    std::size_t blockLines_ = 0;
    std::unordered_set<std::string> foldedMailboxes_;
};

// Cuts a log's bytes, fed in pieces of any size, into lines for a LogTableBuilder: LF or
// CR LF ends a line, a byte order mark before the first is dropped, and a line longer than
// kMaxLogLine keeps only its start.
class LogLineSplitter {
  public:
    explicit LogLineSplitter(LogTableBuilder& builder) : builder_(builder) {}
    void Feed(std::string_view bytes);
    void Finish();

  private:
    void Deliver(std::string_view line);

    LogTableBuilder& builder_;
    std::string partial_;    // a line that goes on in the next piece
    bool dropping_ = false;  // the rest of an over-long line
    bool first_ = true;
};

enum class LogReadResult { Read, Missing, Unreadable };

// Reads the log file `path` into `tables`. `progress(bytesRead, fileSize)` is called now and
// then while it reads.
LogReadResult readInLogFile(const std::string& path, const LocalDateTime& now, LogTables& tables,
                            const std::function<void(std::uint64_t, std::uint64_t)>& progress = {});

// The errors the window shows for the two failures.
constexpr const char* kLogMissingText =
    "The activity log file does not exist!  Either you have cleared/deleted the activity log or "
    "you have not yet begun to use Kelvane.";
constexpr const char* kLogUnreadableText = "Could not open Activity log file for reading!";

}  // namespace kelvane
