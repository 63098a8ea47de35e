#include "LogTables.h"

#include "MailText.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace kelvane {

namespace {

constexpr std::string_view kCheckStart = "MAIL CHECK ";
constexpr std::string_view kDeletionStart = "DELETE SPAM";
constexpr std::size_t kMaxFieldToEnd = 255;
// No mailbox holds a billion messages: a longer count is a damaged or forged line, and the
// bound keeps every count far from the limits of the sums made of them.
constexpr std::size_t kMaxCountDigits = 9;
constexpr std::size_t kReadChunk = 1 << 20;

// The text from `from` (0-based) up to, not including, the next `stop`, or to the end.
std::string_view UpTo(std::string_view line, std::size_t from, char stop) {
    if (from >= line.size()) return {};
    const std::string_view rest = line.substr(from);
    return mailtext::Trim(rest.substr(0, rest.find(stop)));
}

std::string_view UpToBlank(std::string_view line, std::size_t from) {
    return UpTo(line, from, ' ');
}

std::string_view UpToQuote(std::string_view line, std::size_t from) {
    return UpTo(line, from, '"');
}

// The text from `from` to the end of the line, at most 255 bytes, not cutting a character.
std::string_view ToEnd(std::string_view line, std::size_t from) {
    if (from >= line.size()) return {};
    std::string_view rest = line.substr(from);
    if (rest.size() > kMaxFieldToEnd) {
        std::size_t cut = kMaxFieldToEnd;
        while (cut > 0 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80) --cut;
        rest = rest.substr(0, cut);
    }
    return mailtext::Trim(rest);
}

// The text after the label `label` found in `line`, read by `take`; empty without the label.
std::string_view AfterLabel(std::string_view line, std::string_view label, std::size_t skip,
                            std::string_view (*take)(std::string_view, std::size_t)) {
    const std::size_t at = line.find(label);
    return at == std::string_view::npos ? std::string_view{} : take(line, at + skip);
}

// A stamp's time of day: the last two blank-separated words of the line.
std::optional<std::string_view> StampTime(std::string_view line) {
    line = mailtext::Trim(line);
    const std::size_t last = line.rfind(' ');
    if (last == std::string_view::npos || last == 0) return std::nullopt;
    const std::size_t before = line.rfind(' ', last - 1);
    if (before == std::string_view::npos) return std::nullopt;
    return line.substr(before + 1);
}

bool IsCount(std::string_view text) {
    if (text.empty() || text.size() > kMaxCountDigits) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The time of day as the long time format writes it, for records without a readable stamp.
std::string LongTimeText(const LocalDateTime& when) {
    const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, when.minute, when.second,
                  when.hour < 12 ? "AM" : "PM");
    return text;
}

bool StartsRecord(std::string_view line) {
    return line.starts_with(kCheckStart) || line.starts_with(kDeletionStart);
}

}  // namespace

LogTableBuilder::LogTableBuilder(const LocalDateTime& now)
    : now_(now),
      nowMoment_(MomentOf(now)),
      century_(now.year / 100 * 100),
      nowTimeText_(LongTimeText(now)) {}

// Records are recognised at the start of a line only: a server's error text or a user name
// inside an error record can hold the same words, and must not become a record.
void LogTableBuilder::AddLine(std::string_view line) {
    if (blockLines_ > 0) {
        if (!StartsRecord(line)) {
            block_[blockLines_++].assign(line);
            if (blockLines_ == block_.size()) AddDeletion();
            return;
        }
        // A block cut short (the program stopped while writing it) ends where a record begins.
        SkipPendingBlock();
    }
    if (line.starts_with(kCheckStart))
        AddCheck(line);
    else if (line.starts_with(kDeletionStart))
        block_[blockLines_++].assign(line);
}

LogTables LogTableBuilder::Finish() {
    SkipPendingBlock();
    return std::move(tables_);
}

void LogTableBuilder::SkipPendingBlock() {
    tables_.skippedLines += blockLines_;
    blockLines_ = 0;
}

template <typename Entry>
void LogTableBuilder::ReadStamp(Entry& entry, std::string_view dateText, std::string_view line) {
    entry.date = ReadLogDate(dateText, century_).value_or(nowMoment_);
    entry.dateText = tables_.texts.Intern(dateText);
    const std::optional<std::string_view> time = StampTime(line);
    const std::optional<int> read = time ? ReadLogTime(*time) : std::nullopt;
    entry.minute = read.value_or(now_.hour * 60 + now_.minute);
    entry.timeText = tables_.texts.Intern(time ? *time : std::string_view(nowTimeText_));
}

void LogTableBuilder::AddCheck(std::string_view line) {
    const std::string_view count = UpToBlank(line, kCheckStart.size());
    if (!IsCount(count)) {
        ++tables_.skippedLines;
        return;
    }
    CheckEntry entry;
    entry.countText = tables_.texts.Intern(count);
    for (char c : count) entry.count = entry.count * 10 + (c - '0');
    const std::string_view mailbox = AfterLabel(line, "for \"", 5, UpToQuote);
    entry.mailbox = tables_.texts.Intern(mailbox);
    entry.server = tables_.texts.Intern(AfterLabel(line, "on server ", 10, UpToBlank));
    // The stamp follows the last " at ": a user name may hold the word too.
    const std::size_t at = line.rfind(" at ");
    const std::string_view dateText =
        at == std::string_view::npos ? std::string_view{} : UpToBlank(line, at + 8);
    ReadStamp(entry, dateText, line);
    tables_.checks.push_back(entry);
    NoteMailbox(mailbox);
}

void LogTableBuilder::AddDeletion() {
    const std::string_view first = block_[0];
    const std::string_view serverLine = block_[1];
    const std::string_view senderLine = block_[3];
    const std::string_view sizeLine = block_[4];

    DeletionEntry entry;
    ReadStamp(entry, UpToBlank(first, 19), first);
    if (serverLine.find("Server:") != std::string_view::npos)
        entry.server = tables_.texts.Intern(UpToBlank(serverLine, 12));
    entry.mailbox = tables_.texts.Intern(AfterLabel(serverLine, "Mailbox:", 9, ToEnd));
    entry.size = tables_.texts.Intern(AfterLabel(sizeLine, "Size:", 9, UpToBlank));
    const std::string sender = mailtext::Lower(AfterLabel(senderLine, "Sender:", 9, ToEnd));
    entry.sender = tables_.texts.Intern(sender);
    const std::size_t atSign = sender.find('@');
    if (atSign != std::string::npos)
        entry.domain = tables_.texts.Intern(std::string_view(sender).substr(atSign + 1));
    tables_.deletions.push_back(entry);
    blockLines_ = 0;
}

void LogTableBuilder::NoteMailbox(std::string_view name) {
    if (name.empty()) return;
    if (foldedMailboxes_.insert(mailtext::Lower(name)).second) tables_.mailboxes.emplace_back(name);
}

void LogLineSplitter::Feed(std::string_view bytes) {
    for (std::size_t end; (end = bytes.find('\n')) != std::string_view::npos;) {
        std::string_view line = bytes.substr(0, end);
        if (!partial_.empty() || dropping_) {
            if (!dropping_) partial_.append(line.substr(0, kMaxLogLine - partial_.size()));
            line = partial_;
        }
        Deliver(line.substr(0, kMaxLogLine));
        partial_.clear();
        dropping_ = false;
        bytes.remove_prefix(end + 1);
    }
    if (!dropping_) partial_.append(bytes.substr(0, kMaxLogLine - partial_.size()));
    dropping_ = partial_.size() >= kMaxLogLine;
}

void LogLineSplitter::Finish() {
    if (!partial_.empty()) Deliver(partial_);
    partial_.clear();
    dropping_ = false;
}

void LogLineSplitter::Deliver(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first_ && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    first_ = false;
    builder_.AddLine(line);
}

LogReadResult readInLogFile(const std::string& path, const LocalDateTime& now, LogTables& tables,
                            const std::function<void(std::uint64_t, std::uint64_t)>& progress) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return LogReadResult::Missing;
    if (std::filesystem::is_directory(path, error)) return LogReadResult::Unreadable;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) return LogReadResult::Unreadable;
    std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) size = 0;

    LogTableBuilder builder(now);
    LogLineSplitter lines(builder);
    std::string chunk(kReadChunk, '\0');
    std::uint64_t done = 0;
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get())) {
        lines.Feed(std::string_view(chunk.data(), got));
        done += got;
        if (progress) progress(std::min(done, size), size);
    }
    if (std::ferror(file.get())) return LogReadResult::Unreadable;
    lines.Finish();
    tables = builder.Finish();
    return LogReadResult::Read;
}

}  // namespace kelvane
