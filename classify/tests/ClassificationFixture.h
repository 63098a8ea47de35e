#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DomainChecker.h"
#include "KnownSpammers.h"
#include "MailboxAccounts.h"
#include "MessageEntry.h"
#include "RuleTable.h"
#include "SpamClassifier.h"
#include "SpamSettings.h"

namespace kelvane::passfixture {

// Answers from a table (Exists for any other domain) and remembers every domain asked about.
class FakeDomainChecker : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string& domain) override;

    std::map<std::string, DomainAnswer> answers;
    std::vector<std::string> asked;
    // Runs while a lookup waits, as the handlers of pumped events would.
    std::function<void()> onLookup;
};

// Rule rows in their stored form, the hit count starting at "0".
RuleRow SubjectRow(const char* op, const char* value, const char* deletes,
                   const char* caseSensitive = "No");
RuleRow SenderRow(const char* kind, const char* op, const char* value, const char* deletes);
RuleRow HeaderRow(const char* what, const char* value, const char* deletes,
                  const char* caseSensitive = "No");
RuleRow ExceptionRow(const char* kind, const char* op, const char* value,
                     const char* caseSensitive = "No", const char* picture = "3");

// The hit cells of every rule row of the table, top to bottom.
std::vector<std::string> Hits(const RuleTable& table);

// A message row with its header block.
struct TestMessage {
    std::string subject;
    std::string sender;
    TmsHeaders headers;
    std::string size = "1000";
};

// A classifier over rows the test adds, with empty rule tables, the default options, an empty
// known-spammer list and a name server that knows every domain. Mailbox 1 is being checked.
class ClassifierTest : public ::testing::Test {
  protected:
    ClassifierTest();

    int AddMessage(TestMessage message);
    void AddRules(RuleTableKind kind, const std::vector<RuleRow>& rows);
    MarkState MarkOf(int index) const { return rows.at(static_cast<size_t>(index)).mark; }

    SpamSettings settings{"/nonexistent-kelvane-folder"};
    std::vector<MessageEntry> rows;
    std::vector<TmsHeaders> headerBlocks;
    FakeDomainChecker dns;
    KnownSpammers known;
    MailboxAccounts accounts;
    SpamClassifier classifier;
};

}  // namespace kelvane::passfixture
