// Runs the classification pass on a message and rules made from arbitrary bytes. The input is
// sections separated by "\n%%\n": rule rows ("S|", "H|", "F|" or "E|" then the cells, split at
// '|'), the header block, then the row's subject, sender and size lines and an options byte.
// Checks that every mark is one the list can show, that a second pass keeps the marks (as the
// check run relies on) and that explaining a row changes neither its mark nor any hit count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "MailboxAccounts.h"
#include "RuleTableOperations.h"
#include "SpamClassifier.h"
#include "SpamSettings.h"

namespace {

using namespace kelvane;

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + separator.size());
    }
}

// Answers by the domain's length, so that every kind of answer turns up.
class LengthDomainChecker : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string& domain) override {
        return static_cast<DomainAnswer>(domain.size() % 4);
    }
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

void ApplyOptions(SpamOptions& options, unsigned char bits) {
    options.smallerOn = bits & 1;
    options.largerOn = bits & 2;
    options.smallerCheckMark = bits & 4;
    options.largerCheckMark = bits & 8;
    options.checkValidDomain = bits & 16;
    options.compareKnownSpammers = bits & 32;
    options.invalidDomainCheckMark = bits & 64;
    options.smallerLimit = 300;
    options.largerLimit = 3000;
}

std::vector<std::string> AllHits(const SpamSettings& settings) {
    std::vector<std::string> hits;
    for (int kind = 0; kind < 4; ++kind) {
        const RuleTable& table = settings.table(static_cast<RuleTableKind>(kind));
        for (int r = 1; r < table.rowCount(); ++r)
            hits.push_back(table.cell(table.layout().hitColumn, r));
    }
    return hits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto sections =
        Split(std::string_view(reinterpret_cast<const char*>(data), size), "\n%%\n");
    SpamSettings settings("/nonexistent-kelvane-folder");
    for (std::string_view line : Split(sections[0], "\n")) AddRule(settings, line);
    const TmsHeaders headers = SplitHeaderLines(sections.size() > 1 ? sections[1] : "");
    const auto row = Split(sections.size() > 2 ? sections[2] : "", "\n");
    std::vector<MessageEntry> rows(2);
    rows[0].subject = row[0];
    rows[0].sender = row.size() > 1 ? row[1] : "";
    rows[0].size = row.size() > 2 ? row[2] : "";
    rows[1] = rows[0];
    ApplyOptions(settings.options(), row.size() > 3 && !row[3].empty() ? row[3][0] : 0xFF);

    LengthDomainChecker dns;
    KnownSpammers known;
    known.LoadFromText(rows[0].sender + "\nspam.example\n" +
                       std::string(row.size() > 4 ? row[4] : ""));
    MailboxAccounts accounts;
    accounts.Account(1).server = "pop.example.org";
    accounts.Account(1).userName = "ann";
    // Row 1 has no header block at all.
    SpamClassifier classifier(
        settings, [&](int index) { return index == 0 ? &headers : nullptr; }, rows, dns, known,
        accounts);
    classifier.SetCurrentMailbox("pop.example.org", "ann");

    classifier.AutoMark();
    const MarkState first = rows[0].mark;
    if (first < kNoMark || first > kLastExceptionMark) std::abort();
    classifier.MarkForDeletion(-1);
    if (rows[0].mark != first) std::abort();

    const std::vector<std::string> hits = AllHits(settings);
    classifier.Explain(0);
    classifier.Explain(1);
    if (rows[0].mark != first || AllHits(settings) != hits || classifier.explaining()) std::abort();
    return 0;
}
