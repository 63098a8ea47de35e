#include "StarterRules.h"

#include <filesystem>
#include <system_error>

#include "RuleTableOperations.h"
#include "SpamSettings.h"

namespace kelvane {
namespace {

struct StarterPhrase {
    const char* op;
    const char* text;
};

// Phrases of a few words are matched anywhere; single words only as whole words, so that a
// "casino" rule leaves "Occasional" alone.
constexpr StarterPhrase kStarterPhrases[] = {
    {"Contains (whole word)", "viagra"}, {"Contains (whole word)", "casino"},
    {"Contains", "lose weight"},         {"Contains", "weight loss"},
    {"Contains", "work from home"},      {"Contains", "make money fast"},
    {"Contains", "100% free"},           {"Contains", "act now"},
    {"Contains", "limited time offer"},  {"Contains", "you have won"},
    {"Contains", "risk-free"},           {"Contains", "no prescription"},
};

constexpr RuleTableKind kRuleTables[] = {RuleTableKind::Subject, RuleTableKind::Header,
                                         RuleTableKind::Sender, RuleTableKind::Exceptions};

bool AnyRuleFileExists(const SpamSettings& spam) {
    for (RuleTableKind kind : kRuleTables) {
        std::error_code error;
        // When the folder cannot be looked at, assume rules are there: never write over them.
        if (std::filesystem::exists(spam.filePath(kind), error) || error) return true;
    }
    return false;
}

}  // namespace

std::vector<RuleRow> StarterSubjectRules() {
    std::vector<RuleRow> rules;
    for (const StarterPhrase& phrase : kStarterPhrases) {
        // Not case-sensitive; "No" in the deletion column gives the question mark.
        rules.push_back({"", phrase.op, phrase.text, "No", "No", "0"});
    }
    return rules;
}

bool WriteStarterRules(SpamSettings& spam, std::vector<std::string>& problems) {
    if (AnyRuleFileExists(spam)) return false;
    for (const RuleRow& rule : StarterSubjectRules()) AppendRule(spam.subjects(), rule);
    for (std::string& problem : spam.Savesettings()) problems.push_back(std::move(problem));
    return true;
}

}  // namespace kelvane
