#include "ClassificationFixture.h"

#include "RuleTableOperations.h"

namespace kelvane::passfixture {

DomainAnswer FakeDomainChecker::CheckDomainExists(const std::string& domain) {
    asked.push_back(domain);
    if (onLookup) onLookup();
    const auto found = answers.find(domain);
    return found == answers.end() ? DomainAnswer::Exists : found->second;
}

RuleRow SubjectRow(const char* op, const char* value, const char* deletes,
                   const char* caseSensitive) {
    return {"", op, value, caseSensitive, deletes, "0"};
}

RuleRow SenderRow(const char* kind, const char* op, const char* value, const char* deletes) {
    return {"", kind, op, value, deletes, "0"};
}

RuleRow HeaderRow(const char* what, const char* value, const char* deletes,
                  const char* caseSensitive) {
    return {"", what, value, caseSensitive, deletes, "0"};
}

RuleRow ExceptionRow(const char* kind, const char* op, const char* value, const char* caseSensitive,
                     const char* picture) {
    return {kind, op, value, caseSensitive, "0", "", picture};
}

std::vector<std::string> Hits(const RuleTable& table) {
    std::vector<std::string> hits;
    for (int r = 1; r < table.rowCount(); ++r)
        hits.push_back(table.cell(table.layout().hitColumn, r));
    return hits;
}

ClassifierTest::ClassifierTest()
    : classifier(
          settings,
          [this](int index) -> const TmsHeaders* {
              if (index < 0 || index >= static_cast<int>(headerBlocks.size())) return nullptr;
              return &headerBlocks[static_cast<size_t>(index)];
          },
          rows, dns, known, accounts) {
    accounts.Account(1) = {"pop.example.org", "ann", true, "", 0, ""};
    accounts.Account(2) = {"pop.example.org", "bob", true, "", 0, ""};
    classifier.SetCurrentMailbox("pop.example.org", "ann");
}

int ClassifierTest::AddMessage(TestMessage message) {
    MessageEntry entry;
    entry.subject = std::move(message.subject);
    entry.sender = std::move(message.sender);
    entry.size = std::move(message.size);
    rows.push_back(std::move(entry));
    headerBlocks.push_back(std::move(message.headers));
    return static_cast<int>(rows.size()) - 1;
}

void ClassifierTest::AddRules(RuleTableKind kind, const std::vector<RuleRow>& rules) {
    for (const RuleRow& rule : rules) AppendRule(settings.table(kind), rule);
}

}  // namespace kelvane::passfixture
