#include "ListActions.h"

#include <algorithm>
#include <charconv>

#include "MailMessage.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"
#include "SpamClassifier.h"
#include "TmsRemoteInfo.h"

namespace kelvane {

namespace {

const std::string kAsterisks(38, '*');

bool Listed(const std::vector<MessageEntry>& rows, int index) {
    return index >= 0 && index < static_cast<int>(rows.size());
}

// The size a row's Size text gives, or -1 when it is not a number.
long long ListedSize(std::string_view sizeText) {
    long long size = 0;
    const char* end = sizeText.data() + sizeText.size();
    const auto [stop, error] = std::from_chars(sizeText.data(), end, size);
    return error == std::errc() && stop == end ? size : -1;
}

}  // namespace

const char* NadaSelectedText(bool listHasRows) {
    return listHasRows ? kNothingSelected : kNothingListed;
}

void ToggleMarks(std::vector<MessageEntry>& rows, const std::vector<int>& selected) {
    for (int index : selected) {
        if (!Listed(rows, index)) continue;
        MarkState& mark = rows[static_cast<std::size_t>(index)].mark;
        mark = IsMarkedForDeletion(mark) ? kNoMark : kCheckMark;
    }
}

void ResetMarks(std::vector<MessageEntry>& rows) {
    for (MessageEntry& row : rows) row.mark = kNoMark;
}

std::vector<std::string> WhyLines(SpamClassifier& classifier, const std::vector<MessageEntry>& rows,
                                  int index) {
    if (!Listed(rows, index)) return {};
    const MessageEntry& row = rows[static_cast<std::size_t>(index)];
    std::vector<std::string> lines{"Message from " + row.sender, "Subject of   " + row.subject, ""};
    const MarkState shown = row.mark;
    MarkState passMark = kNoMark;
    const std::vector<std::string> reasons = classifier.Explain(index, &passMark);
    lines.insert(lines.end(), reasons.begin(), reasons.end());
    if (reasons.empty()) lines.emplace_back(kNoReasonLine);
    if (shown == kCheckMark && passMark != kCheckMark) lines.emplace_back(kYouMarked);
    if (shown == kNoMark && passMark != kNoMark) lines.emplace_back(kYouUnmarked);
    return lines;
}

std::vector<std::string> HeaderLines(const std::vector<MessageEntry>& rows,
                                     const TmsRemoteInfo& info, const std::vector<int>& selected) {
    std::vector<std::string> lines;
    for (int index : selected) {
        if (!Listed(rows, index)) continue;
        const MessageEntry& row = rows[static_cast<std::size_t>(index)];
        lines.push_back(kAsterisks);
        lines.push_back("Subject : " + row.subject + " Sender : " + row.sender);
        lines.push_back(kAsterisks);
        if (index < info.Count()) {
            const TmsHeaders& headers = info.Items(index).Headers;
            lines.insert(lines.end(), headers.begin(), headers.end());
        }
    }
    return lines;
}

bool BodyNeedsQuestion(std::string_view sizeText) {
    return ListedSize(sizeText) > kLargestUnaskedBody;
}

std::string LargeBodyQuestion(std::string_view sizeText) {
    return "The message you have selected to view is quite large - " + std::string(sizeText) +
           " bytes. Are you sure you wish to download and view it?";
}

std::string ViewedMessageFile(const std::string& folder, int index) {
    return folder + "msg_" + std::to_string(index) + ".eml";
}

namespace {

// Whatever the bytes hold, the reader gets text: the body, or why there is none.
template <class Load>
std::vector<std::string> BodyLinesOr(Load load) {
    try {
        TmsMessage message;
        load(message);
        return message.Body;
    } catch (const std::exception& error) {
        return {"This message could not be decoded:", error.what()};
    }
}

}  // namespace

std::vector<std::string> MessageBodyLines(const std::string& file) {
    return BodyLinesOr([&](TmsMessage& message) { message.LoadFromFile(file); });
}

std::vector<std::string> MessageBodyLinesOf(std::string bytes) {
    return BodyLinesOr([&](TmsMessage& message) { message.LoadFromBytes(std::move(bytes)); });
}

int AddSendersToExceptions(RuleTable& exceptions, const std::vector<MessageEntry>& rows,
                           const std::vector<int>& selected) {
    int added = 0;
    for (int index : selected) {
        if (!Listed(rows, index)) continue;
        const RuleRow rule = ExceptionAddressRule(rows[static_cast<std::size_t>(index)].sender);
        if (HoldsRule(exceptions, rule)) continue;
        AppendRule(exceptions, rule);
        ++added;
    }
    return added;
}

std::vector<SpamCandidate> SpamCandidates(const std::vector<MessageEntry>& rows,
                                          const std::vector<int>& selected) {
    std::vector<SpamCandidate> candidates;
    for (int index : selected) {
        if (static_cast<int>(candidates.size()) == kMarkDialogRows) break;
        if (!Listed(rows, index)) continue;
        const MessageEntry& row = rows[static_cast<std::size_t>(index)];
        candidates.push_back({row.subject, row.sender});
    }
    return candidates;
}

void AddSpamRules(RuleTable& subjects, RuleTable& senders,
                  const std::vector<SpamCandidate>& candidates, bool bySubject, bool bySender) {
    const auto insert = [](RuleTable& table, const RuleRow& rule) {
        if (!HoldsRule(table, rule)) InsertRuleAtTop(table, rule);
    };
    for (const SpamCandidate& candidate : candidates) {
        if (candidate.subject.empty()) continue;
        if (bySubject) insert(subjects, SpamSubjectRule(candidate.subject));
        if (bySender) insert(senders, SpamSenderRule(candidate.sender));
    }
}

}  // namespace kelvane
