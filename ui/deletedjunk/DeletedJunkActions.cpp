#include "DeletedJunkActions.h"

#include "DisplayText.h"
#include "KeptMessageFile.h"
#include "ListActions.h"
#include "MailHeaders.h"
#include "MailProgramLaunch.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"

namespace kelvane {
namespace {

// Longest subject part of an offered file name, in bytes.
constexpr std::size_t kLongestNameStem = 60;

bool FitsFileName(unsigned char c) {
    return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z') || c == ' ' || c == '-' || c == '_' || c == '.' || c == ',';
}

// Cut at a character boundary of the UTF-8 text.
std::string CutUtf8Text(std::string text, std::size_t most) {
    if (text.size() <= most) return text;
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text;
}

std::string FileNameStem(std::string_view subject) {
    std::string stem;
    for (const char c : SafeDisplayText(subject)) {
        const bool fits = FitsFileName(static_cast<unsigned char>(c));
        // Runs of anything else become one underscore, and blanks never pile up.
        const char next = fits ? c : '_';
        if (!stem.empty() && (next == '_' || next == ' ') && stem.back() == next) continue;
        stem.push_back(next);
    }
    // No hidden file, no blanks at the ends.
    const std::size_t first = stem.find_first_not_of(" ._");
    if (first == std::string::npos) return {};
    stem = CutUtf8Text(stem.substr(first), kLongestNameStem);
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
    return stem;
}

}  // namespace

std::vector<std::string> KeptReasonLines(const KeptMessage& kept) {
    if (kept.reasons.empty()) return {kNoReasonLine};
    return kept.reasons;
}

std::vector<std::string> KeptHeaderLines(std::string_view message) {
    return SplitHeaderLines(HeaderBlockOf(message));
}

std::vector<std::string> KeptBodyLines(std::string message) {
    return MessageBodyLinesOf(std::move(message));
}

std::string RestoreFileName(const KeptMessage& kept) {
    const std::string stem = FileNameStem(kept.subject);
    return (stem.empty() ? kept.id : stem) + ".eml";
}

std::string PartlyKeptText(const KeptMessage& kept) {
    return "This message was larger than the quarantine keeps whole: only its header block and "
           "the first " +
           std::to_string(kBodyKeptOfLarge / 1024) + " KiB of its body were kept (" +
           std::to_string(kept.keptSize) + " of " + std::to_string(kept.originalSize) +
           " bytes). The restored file holds that part alone.";
}

std::vector<std::string> MailProgramOpening(const std::string& program, const std::string& file) {
    std::vector<std::string> command = MailProgramCommand(program);
    if (!command.empty()) command.push_back(file);
    return command;
}

SenderException AddSenderException(RuleTable& exceptions, std::string_view sender) {
    if (TrimmedField(sender).empty()) return SenderException::NoSender;
    const RuleRow rule = ExceptionAddressRule(sender);
    if (HoldsRule(exceptions, rule)) return SenderException::AlreadyListed;
    AppendRule(exceptions, rule);
    return SenderException::Added;
}

}  // namespace kelvane
