#include "ExceptionTest.h"

#include "MarkState.h"
#include "RuleTableOperations.h"

namespace kelvane {
namespace {

constexpr int kHighestExceptionOperator = 4;  // up to "Ends with"

// The reason lines of the two address kinds name the operator the dialogs store for them.
constexpr std::string_view kAddressKindOperator = "Equals";

// An exception only ever accepts: a picture number that is no exception picture shows the
// default one, so that a hand-edited file cannot turn an exception into a deletion.
int ExceptionPictureOf(const RuleTable& table, int row) {
    const int picture = table.picture(row);
    return IsExceptionMark(picture) ? picture : kDefaultExceptionPicture;
}

}  // namespace

ExceptionTest::ExceptionTest(const RuleTable& table) {
    for (int r = 1; r < table.rowCount(); ++r) {
        const std::string& kindText = table.cell(0, r);
        if (kindText.empty()) continue;
        const std::string& value = table.cell(2, r);
        const int picture = ExceptionPictureOf(table, r);
        if (kindText == kExceptionKindDomain || kindText == kExceptionKindAddress) {
            const bool domain = kindText == kExceptionKindDomain;
            const MatchOperator op = domain ? MatchOperator::EndsWith : MatchOperator::StartsWith;
            rules_.push_back({r, domain ? Kind::Domain : Kind::Address, kindText,
                              TextMatch(op, value, false), picture});
            continue;
        }
        const Kind kind = kindText == kExceptionKindSubject     ? Kind::Subject
                          : kindText == kExceptionKindAnyHeader ? Kind::AnyHeader
                                                                : Kind::Field;
        rules_.push_back({r, kind, kindText,
                          TextMatch(OperatorUpTo(table.cell(1, r), kHighestExceptionOperator),
                                    value, table.cell(3, r) == "Yes"),
                          picture});
    }
}

std::optional<int> ExceptionTest::Run(MessageTexts& message, RuleTable& table,
                                      ReasonLog& log) const {
    for (size_t i = 0; i < rules_.size(); ++i) {
        if (const std::optional<int> picture = TestRule(i, message, table, log)) return picture;
    }
    return std::nullopt;
}

std::optional<int> ExceptionTest::TestRule(size_t position, MessageTexts& message, RuleTable& table,
                                           ReasonLog& log) const {
    const Rule& rule = rules_[position];
    if (!Matches(rule, message, log)) return std::nullopt;
    BumpUpGrid(table, rule.row, log.explaining());
    return rule.picture;
}

bool ExceptionTest::Matches(const Rule& row, MessageTexts& message, ReasonLog& log) const {
    const TextMatch& match = row.match;
    switch (row.kind) {
        case Kind::Domain:
        case Kind::Address:
            if (!match.Matches(message.sender())) return false;
            log.whyExcept(row.kindText, kAddressKindOperator, match.value(), false);
            return true;
        case Kind::Subject:
            if (!match.Matches(message.subject())) return false;
            log.whyExcept(row.kindText, StoredName(*match.op()), match.value(),
                          match.caseSensitive());
            return true;
        case Kind::AnyHeader:
            return AnyHeaderMatches(row, message, log);
        case Kind::Field: {
            const FoldedText field = message.field(row.kindText);
            if (!match.Matches(field)) return false;
            log.whyExcept(row.kindText + " " + std::string(field.text), StoredName(*match.op()),
                          match.value(), match.caseSensitive());
            return true;
        }
    }
    return false;
}

bool ExceptionTest::AnyHeaderMatches(const Rule& row, MessageTexts& message, ReasonLog& log) {
    if (!row.match.MayMatchWithin(message.block())) return false;
    bool matched = false;
    for (size_t i = 0; i < message.lineCount(); ++i) {
        const FoldedText line = message.line(i);
        if (!row.match.Matches(line)) continue;
        matched = true;
        // An explanation lists every matching line; otherwise the first one settles it.
        log.whyExcept(std::string(kExceptionKindAnyHeader) + " " + std::string(line.text),
                      StoredName(*row.match.op()), row.match.value(), row.match.caseSensitive());
        if (!log.explaining()) break;
    }
    return matched;
}

}  // namespace kelvane
