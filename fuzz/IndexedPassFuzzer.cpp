// Runs the indexed classification pass and the rule-by-rule one on the same rules and messages
// made from arbitrary bytes, and stops at the first difference in a mark, a hit count or a
// reason line. The input is sections separated by "\n%%\n": first the rule rows ("S|", "H|",
// "F|" or "E|" then the cells, split at '|'), then one section per message: its subject, sender
// and size lines, then its header lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "MailboxAccounts.h"
#include "RuleTableOperations.h"
#include "SpamClassifier.h"
#include "SpamSettings.h"

namespace {

using namespace kelvane;

constexpr size_t kMostMessages = 8;

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + separator.size());
    }
}

class NoDomainChecker : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string&) override { return DomainAnswer::Exists; }
};

void AddRule(SpamSettings& settings, std::string_view line) {
    if (line.size() < 2 || line[1] != '|') return;
    const std::string_view kinds = "SHFE";
    const size_t kind = kinds.find(line[0]);
    if (kind == std::string_view::npos) return;
    RuleRow row;
    for (std::string_view cell : Split(line.substr(2), "|")) row.emplace_back(cell);
    AppendRule(settings.table(static_cast<RuleTableKind>(kind)), row);
}

// One pass's settings, rows and classifier.
struct Side {
    Side(std::string_view rules, const std::vector<std::string_view>& messages, RulePass pass)
        : classifier(
              settings, [this](int index) { return &headerBlocks[static_cast<size_t>(index)]; },
              rows, dns, known, accounts) {
        for (std::string_view line : Split(rules, "\n")) AddRule(settings, line);
        settings.options().smallerOn = true;
        settings.options().checkValidDomain = false;
        for (std::string_view message : messages) {
            const auto lines = Split(message, "\n");
            MessageEntry row;
            row.subject = lines[0];
            row.sender = lines.size() > 1 ? lines[1] : "";
            row.size = lines.size() > 2 ? lines[2] : "";
            rows.push_back(row);
            headerBlocks.emplace_back();
            for (size_t i = 3; i < lines.size(); ++i) headerBlocks.back().emplace_back(lines[i]);
        }
        known.Assign({"spam.example"});
        accounts.Account(1).server = "pop.example.org";
        accounts.Account(1).userName = "ann";
        classifier.SetCurrentMailbox("pop.example.org", "ann");
        classifier.setRulePass(pass);
    }

    std::vector<std::string> State() const {
        std::vector<std::string> state;
        for (const MessageEntry& row : rows) state.push_back(std::to_string(row.mark));
        for (int kind = 0; kind < 4; ++kind) {
            const RuleTable& table = settings.table(static_cast<RuleTableKind>(kind));
            for (int r = 1; r < table.rowCount(); ++r)
                state.push_back(table.cell(table.layout().hitColumn, r));
        }
        return state;
    }

    SpamSettings settings{"/nonexistent-kelvane-folder"};
    std::vector<MessageEntry> rows;
    std::vector<TmsHeaders> headerBlocks;
    NoDomainChecker dns;
    KnownSpammers known;
    MailboxAccounts accounts;
    SpamClassifier classifier;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto sections = Split(std::string_view(reinterpret_cast<const char*>(data), size), "\n%%\n");
    const std::string_view rules = sections[0];
    sections.erase(sections.begin());
    if (sections.size() > kMostMessages) sections.resize(kMostMessages);

    auto indexed = std::make_unique<Side>(rules, sections, RulePass::Indexed);
    auto ruleByRule = std::make_unique<Side>(rules, sections, RulePass::RuleByRule);
    indexed->classifier.AutoMark();
    ruleByRule->classifier.AutoMark();
    if (indexed->State() != ruleByRule->State()) std::abort();
    indexed->classifier.MarkForDeletion(-1);
    ruleByRule->classifier.MarkForDeletion(-1);
    if (indexed->State() != ruleByRule->State()) std::abort();
    for (int i = 0; i < static_cast<int>(sections.size()); ++i) {
        MarkState indexedMark = kNoMark;
        MarkState ruleByRuleMark = kNoMark;
        if (indexed->classifier.Explain(i, &indexedMark) !=
                ruleByRule->classifier.Explain(i, &ruleByRuleMark) ||
            indexedMark != ruleByRuleMark) {
            std::abort();
        }
    }
    return 0;
}
