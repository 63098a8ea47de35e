#include "HeaderRuleTest.h"

#include <charconv>

namespace kelvane {
namespace {

constexpr int kHighestHeaderOperator = 4;  // up to "Ends with"

// Case is ignored; an empty text is never contained, as nothing can be found by looking for it.
bool ContainsFolded(FoldedText text, FoldedText part) {
    return !part.folded.empty() && text.folded.find(part.folded) != std::string_view::npos;
}

// A mailbox number written in plain decimal digits; nothing for any other text.
std::optional<int> MailboxNumber(std::string_view text) {
    int number = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, number);
    if (text.empty() || text.front() == '-' || error != std::errc() || end != last) {
        return std::nullopt;
    }
    return number;
}

// The To field is not empty and does not hold the address, whatever the case.
bool ToDoesNotContain(const TextMatch& address, bool deletes, MessageTexts& message,
                      ReasonLog& log) {
    const FoldedText to = message.field("To:");
    if (to.text.empty() || ContainsFolded(to, {address.value(), address.foldedValue()})) {
        return false;
    }
    log.whyAdd(deletes, "Header \"" + std::string(to.text) + "\"", kToDoesNotContain,
               address.value(), address.caseSensitive());
    return true;
}

// There is a Reply-To and neither it nor the sender address holds the other.
bool ReplyToMismatch(bool caseFlag, bool deletes, MessageTexts& message, ReasonLog& log) {
    const FoldedText replyTo = message.field("Reply-to:");
    const FoldedText from = message.fieldAddress("From:");
    if (replyTo.text.empty() || ContainsFolded(replyTo, from) || ContainsFolded(from, replyTo)) {
        return false;
    }
    log.whyAdd(deletes, "Header", kSenderRuleWord,
               std::string(replyTo.text) + " " + std::string(kDoesNotMatchReplyTo) + " " +
                   std::string(from.text),
               caseFlag);
    return true;
}

// There is a To address and it or the sender address holds the other.
bool EqualsToField(bool caseFlag, bool deletes, MessageTexts& message, ReasonLog& log) {
    const FoldedText to = message.fieldAddress("To:");
    const FoldedText from = message.fieldAddress("From:");
    if (to.text.empty() || !(ContainsFolded(to, from) || ContainsFolded(from, to))) return false;
    log.whyAdd(
        deletes, "Header", kSenderRuleWord,
        std::string(to.text) + " " + std::string(kEqualsToField) + " " + std::string(from.text),
        caseFlag);
    return true;
}

}  // namespace

HeaderRuleTest::HeaderRuleTest(const RuleTable& table) {
    for (int r = 1; r < table.rowCount() && !table.cell(1, r).empty(); ++r) {
        const bool deletes = table.cell(4, r) == "Yes";
        const bool caseSensitive = table.cell(3, r) == "Yes";
        const std::string& value = table.cell(2, r);
        const Kind kind = KindOf(table.cell(1, r), value);
        if (kind == Kind::ToDoesNotContain) {
            AddToDoesNotContain(r, deletes, value, caseSensitive);
            continue;
        }
        std::optional<MatchOperator> op;
        if (kind == Kind::Ordinary) op = OperatorUpTo(table.cell(1, r), kHighestHeaderOperator);
        rules_.push_back({r, deletes, kind, TextMatch(op, value, caseSensitive)});
    }
}

HeaderRuleTest::Kind HeaderRuleTest::KindOf(const std::string& word, const std::string& value) {
    if (word == kToDoesNotContain) return Kind::ToDoesNotContain;
    if (word != kSenderRuleWord) return Kind::Ordinary;
    return value == kDoesNotMatchReplyTo ? Kind::ReplyToMismatch : Kind::EqualsToField;
}

void HeaderRuleTest::AddToDoesNotContain(int r, bool deletes, const std::string& value,
                                         bool caseSensitive) {
    // Rows that name no mailbox, or no address to look for, can never match.
    const size_t marker = value.find(kMailboxMarker);
    if (marker == std::string::npos || marker == 0) return;
    const std::optional<int> mailbox =
        MailboxNumber(std::string_view(value).substr(marker + kMailboxMarker.size()));
    if (!mailbox) return;
    rules_.push_back({r, deletes, Kind::ToDoesNotContain,
                      TextMatch(MatchOperator::Contains, value.substr(0, marker), caseSensitive),
                      *mailbox});
}

RuleScanResult HeaderRuleTest::Run(MessageTexts& message, int mailbox, RuleTable& table,
                                   ReasonLog& log) const {
    RuleScanResult result;
    for (size_t i = 0; i < rules_.size(); ++i) {
        if (TestRule(i, message, mailbox, table, log, result)) break;
    }
    return result;
}

bool HeaderRuleTest::TestRule(size_t position, MessageTexts& message, int mailbox, RuleTable& table,
                              ReasonLog& log, RuleScanResult& result) const {
    const Rule& rule = rules_[position];
    if (rule.kind == Kind::Ordinary) return RunOrdinary(rule, message, result, table, log);
    if (!SpecialMatches(rule, message, mailbox, log)) return false;
    return RecordRuleMatch(result, table, rule.row, rule.deletes, log.explaining());
}

bool HeaderRuleTest::RunOrdinary(const Rule& row, MessageTexts& message, RuleScanResult& result,
                                 RuleTable& table, ReasonLog& log) {
    if (!row.match.MayMatchWithin(message.block())) return false;
    for (size_t i = 0; i < message.lineCount(); ++i) {
        if (!row.match.Matches(message.line(i))) continue;
        log.whyAdd(row.deletes, "Header", StoredName(*row.match.op()), row.match.value(),
                   row.match.caseSensitive());
        if (RecordRuleMatch(result, table, row.row, row.deletes, log.explaining())) return true;
    }
    return false;
}

bool HeaderRuleTest::SpecialMatches(const Rule& row, MessageTexts& message, int mailbox,
                                    ReasonLog& log) {
    switch (row.kind) {
        case Kind::ToDoesNotContain:
            return mailbox != 0 && row.mailbox == mailbox &&
                   ToDoesNotContain(row.match, row.deletes, message, log);
        case Kind::ReplyToMismatch:
            return ReplyToMismatch(row.match.caseSensitive(), row.deletes, message, log);
        case Kind::EqualsToField:
            return EqualsToField(row.match.caseSensitive(), row.deletes, message, log);
        case Kind::Ordinary:
            break;
    }
    return false;
}

}  // namespace kelvane
