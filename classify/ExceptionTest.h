#pragma once

#include <optional>
#include <string>
#include <vector>

#include "MessageTexts.h"
#include "ReasonLog.h"
#include "RuleTable.h"
#include "TextMatch.h"

namespace kelvane {

// Exception kinds with a test of their own; any other kind names a header field.
inline constexpr std::string_view kExceptionKindDomain = "Domain name";
inline constexpr std::string_view kExceptionKindAddress = "E-mail address";
inline constexpr std::string_view kExceptionKindSubject = "Subject";
inline constexpr std::string_view kExceptionKindAnyHeader = "Any Header";

// The exception rules, read once from the table for a pass over many messages.
class ExceptionTest {
  public:
    // Takes every row with a kind; rows without one are passed over.
    explicit ExceptionTest(const RuleTable& table);

    // The picture of the first row that matches, counting its hit in `table`; nothing when none
    // does.
    std::optional<int> Run(MessageTexts& message, RuleTable& table, ReasonLog& log) const;
    // Tests the rule at `position` as Run does: its picture when it matches.
    std::optional<int> TestRule(size_t position, MessageTexts& message, RuleTable& table,
                                ReasonLog& log) const;

    enum class Kind { Domain, Address, Subject, AnyHeader, Field };
    struct Rule {
        int row;
        Kind kind;
        std::string kindText;  // for Field, the field's name
        TextMatch match;
        int picture;
    };
    const std::vector<Rule>& rules() const { return rules_; }

  private:
    bool Matches(const Rule& rule, MessageTexts& message, ReasonLog& log) const;
    static bool AnyHeaderMatches(const Rule& rule, MessageTexts& message, ReasonLog& log);

    std::vector<Rule> rules_;
};

}  // namespace kelvane
