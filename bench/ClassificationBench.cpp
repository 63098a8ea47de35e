// How fast the classification pass marks a large mailbox, and how fast the known-spammer list
// loads. The pass runs over 10,000 messages with header blocks of 20 to 40 lines against 1,000
// rules spread over the four tables; the list holds 100,000 entries in no particular order.
#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "DomainChecker.h"
#include "KnownSpammers.h"
#include "MailboxAccounts.h"
#include "RuleTableOperations.h"
#include "SpamClassifier.h"
#include "SpamSettings.h"

namespace {

using kelvane::RuleRow;
using kelvane::TmsHeaders;

constexpr int kMessages = 10000;
constexpr int kKnownEntries = 100000;

// Pseudo-words built from syllables, so that rules and messages share a vocabulary and some
// rules match some messages.
class Words {
  public:
    explicit Words(unsigned seed) : random_(seed) {}

    // Two to four syllables; rule values that look for a part of a word take three or more.
    std::string Word(int fewest = 2) {
        static const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "su", "ra", "ti", "vo",
                                                 "be", "do", "fu", "ga", "he", "jo", "pe", "zu"};
        std::string word;
        const int count = fewest + Next(5 - fewest);
        for (int i = 0; i < count; ++i) word += kSyllables[Next(16)];
        return word;
    }
    std::string Phrase(int words) {
        std::string phrase = Word();
        for (int i = 1; i < words; ++i) phrase += (Next(10) == 0 ? "! " : " ") + Word();
        return phrase;
    }
    // Appended piecewise: GCC 12 at -O3 warns (-Wrestrict) wrongly about literal + string.
    std::string Domain() {
        std::string domain = "d";
        domain += std::to_string(Next(500));
        return domain + ".example";
    }
    std::string Address() { return Word() + std::to_string(Next(100)) + "@" + Domain(); }
    int Next(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }

  private:
    std::mt19937 random_;
};

const char* YesNo(bool yes) {
    return yes ? "Yes" : "No";
}

void AddSubjectRules(kelvane::RuleTable& table, Words& words, int count) {
    static const char* const kOperators[] = {"Contains",
                                             "Contains",
                                             "Contains (whole word)",
                                             "Contains (whole word)",
                                             "Contains (whole word)",
                                             "Equals",
                                             "Starts with",
                                             "Ends with"};
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 99) {
            kelvane::AppendRule(table, {"", "Is UPPERCASE", "", "", "No", "0"});
            continue;
        }
        const std::string op = kOperators[words.Next(8)];
        const std::string value = op == "Contains" ? words.Word(3) : words.Word();
        kelvane::AppendRule(
            table, {"", op, value, YesNo(words.Next(5) == 0), YesNo(words.Next(3) != 0), "0"});
    }
}

void AddSenderRules(kelvane::RuleTable& table, Words& words, int count) {
    for (int i = 0; i < count; ++i) {
        const int kind = words.Next(10);
        RuleRow row{"", "E-mail address", "Equals", words.Address(), "Yes", "0"};
        if (kind < 3) row = {"", "Domain name", "Equals", words.Domain(), "Yes", "0"};
        if (kind == 3) row = {"", "Domain name", "Ends with", ".d1" + words.Word(), "No", "0"};
        if (kind == 4) row = {"", "E-mail address", "Contains", words.Word(4), "No", "0"};
        if (i % 50 == 49) row = {"", "E-mail address", "All numeric", "", "No", "0"};
        kelvane::AppendRule(table, row);
    }
}

void AddHeaderRules(kelvane::RuleTable& table, Words& words, int count) {
    kelvane::AppendRule(table, {"", "Sender", "does not match Reply-to", "No", "No", "0"});
    kelvane::AppendRule(table, {"", "To does not contain", "ann - MailBox #1", "No", "Yes", "0"});
    kelvane::AppendRule(table, {"", "Sender", "equals To field", "No", "No", "0"});
    static const char* const kOperators[] = {"Contains",    "Contains", "Contains (whole word)",
                                             "Starts with", "Equals",   "Ends with"};
    for (int i = 3; i < count; ++i) {
        const std::string op = kOperators[words.Next(6)];
        const std::string value = words.Next(2) == 0 ? "X-Mailer: " + words.Word() : words.Word(4);
        kelvane::AppendRule(
            table, {"", op, value, YesNo(words.Next(4) == 0), YesNo(words.Next(2) == 0), "0"});
    }
}

void AddExceptionRules(kelvane::RuleTable& table, Words& words, int count) {
    for (int i = 0; i < count; ++i) {
        const int kind = words.Next(10);
        RuleRow row{"E-mail address", "Equals", words.Address(), "No", "0", "", "3"};
        if (kind < 2) row = {"Domain name", "Equals", words.Domain(), "No", "0", "", "4"};
        if (kind == 2) row = {"Subject", "Contains", words.Phrase(2), "No", "0", "", "5"};
        if (kind == 3)
            row = {"Any Header", "Contains", "List-Id: " + words.Word(), "No", "0", "", "6"};
        if (kind == 4) row = {"CC:", "Contains", words.Address(), "No", "0", "", "7"};
        kelvane::AppendRule(table, row);
    }
}

TmsHeaders HeaderBlock(Words& words, const std::string& from, const std::string& subject) {
    TmsHeaders lines;
    const int received = 6 + words.Next(10);  // with the fields below, 20 to 40 lines
    for (int i = 0; i < received; ++i) {
        lines.push_back("Received: from " + words.Domain() + " (" + words.Domain() + ")");
        lines.push_back("\tby mx" + std::to_string(i) + ".example.net with SMTP id " +
                        words.Word());
    }
    lines.push_back("From: " + words.Word() + " <" + from + ">");
    lines.push_back("To: ann@pop.example.org");
    if (words.Next(4) == 0) lines.push_back("Reply-To: " + words.Address());
    if (words.Next(5) == 0) lines.push_back("CC: " + words.Address());
    lines.push_back("Subject: " + subject);
    lines.push_back("Date: Mon, 3 Mar 2003 10:00:00 +0000");
    lines.push_back("Message-ID: <" + words.Word() + "@" + words.Domain() + ">");
    lines.push_back("X-Mailer: " + words.Word());
    lines.push_back("MIME-Version: 1.0");
    lines.push_back("Content-Type: text/plain; charset=us-ascii");
    return lines;
}

// Answers every domain from a table filled up front, as a resolver's cache would.
class CachedDomainChecker : public kelvane::DomainChecker {
  public:
    kelvane::DomainAnswer CheckDomainExists(const std::string& domain) override {
        const auto found = answers.find(domain);
        return found == answers.end() ? kelvane::DomainAnswer::Exists : found->second;
    }
    std::map<std::string, kelvane::DomainAnswer> answers;
};

struct Mailbox {
    Mailbox() : settings("/nonexistent-kelvane-folder") {
        Words words(7);
        AddSubjectRules(settings.subjects(), words, 300);
        AddSenderRules(settings.senders(), words, 300);
        AddHeaderRules(settings.headers(), words, 200);
        AddExceptionRules(settings.exceptions(), words, 200);
        for (int i = 0; i < 25; ++i)
            dns.answers[words.Domain()] = kelvane::DomainAnswer::DoesNotExist;
        std::vector<std::string> listed;
        for (int i = 0; i < 10000; ++i) listed.push_back(words.Address());
        known.Assign(std::move(listed));
        accounts.Account(1) = {"pop.example.org", "ann", true, "", 0, ""};
        for (int i = 0; i < kMessages; ++i) {
            kelvane::MessageEntry row;
            row.subject = words.Phrase(3 + words.Next(6));
            row.sender = words.Address();
            row.size = std::to_string(500 + words.Next(40000));
            headers.push_back(HeaderBlock(words, row.sender, row.subject));
            rows.push_back(std::move(row));
        }
    }

    kelvane::SpamSettings settings;
    CachedDomainChecker dns;
    kelvane::KnownSpammers known;
    kelvane::MailboxAccounts accounts;
    std::vector<kelvane::MessageEntry> rows;
    std::vector<TmsHeaders> headers;
};

void BM_ClassifyMailbox(benchmark::State& state) {
    Mailbox mailbox;
    kelvane::SpamClassifier classifier(
        mailbox.settings, [&](int index) { return &mailbox.headers[static_cast<size_t>(index)]; },
        mailbox.rows, mailbox.dns, mailbox.known, mailbox.accounts);
    classifier.SetCurrentMailbox("pop.example.org", "ann");
    int marked = 0;
    for (auto _ : state) {
        marked = classifier.AutoMark();
        benchmark::DoNotOptimize(marked);
    }
    state.counters["marked"] = marked;
    state.counters["messages/s"] = benchmark::Counter(
        static_cast<double>(kMessages), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ClassifyMailbox)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A check classifies each row as it arrives, then all rows again once the listing is complete.
void BM_ClassifyRowsAsTheyArrive(benchmark::State& state) {
    Mailbox mailbox;
    kelvane::SpamClassifier classifier(
        mailbox.settings, [&](int index) { return &mailbox.headers[static_cast<size_t>(index)]; },
        mailbox.rows, mailbox.dns, mailbox.known, mailbox.accounts);
    classifier.SetCurrentMailbox("pop.example.org", "ann");
    for (auto _ : state) {
        for (kelvane::MessageEntry& row : mailbox.rows) row.mark = kelvane::kNoMark;
        for (int i = 0; i < kMessages; ++i) classifier.MarkForDeletion(i);
        classifier.MarkForDeletion(-1);
    }
}
BENCHMARK(BM_ClassifyRowsAsTheyArrive)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Rules of every operator and both case modes that match none of the generated messages: their
// values are words of five or six syllables (the messages' words have at most four) and domains
// numbered from 1000 (the messages' stop at 499), so every rule is tested and none decides.
class UnmatchedRules {
  public:
    explicit UnmatchedRules(unsigned seed) : words_(seed) {}

    void AddTo(kelvane::SpamSettings& settings, int count) {
        for (int i = 0; i < count; ++i) {
            const int table = words_.Next(20);
            if (table < 7) {
                kelvane::AppendRule(settings.subjects(), SubjectRule());
            } else if (table < 12) {
                kelvane::AppendRule(settings.headers(), HeaderRule());
            } else if (table < 17) {
                kelvane::AppendRule(settings.senders(), SenderRule());
            } else {
                kelvane::AppendRule(settings.exceptions(), ExceptionRule());
            }
        }
    }

  private:
    std::string Long() { return words_.Word(2) + words_.Word(3); }
    // Upper case at the start of every other syllable, for the case-sensitive rules.
    std::string Mixed(std::string text) {
        for (size_t i = 0; i < text.size(); i += 4)
            text[i] = static_cast<char>(std::toupper(text[i]));
        return text;
    }
    std::string Domain() { return "d" + std::to_string(1000 + words_.Next(9000)) + ".example"; }
    std::string Address() { return Long() + "@" + Domain(); }
    // A value for `op`, written as a case-sensitive rule would hold it when `caseSensitive`.
    std::string Value(const std::string& op, bool caseSensitive, const std::string& prefix) {
        std::string value = prefix + Long();
        if (op == "Equals" || op == "Starts with") value = prefix + words_.Word() + " " + Long();
        return caseSensitive ? Mixed(value) : value;
    }

    RuleRow SubjectRule() {
        static const char* const kOperators[] = {
            "Contains", "Contains (whole word)", "Equals", "Starts with", "Ends with", "Contains"};
        if (words_.Next(200) == 0) return {"", "Is blank", "", "", "No", "0"};
        const std::string op = kOperators[words_.Next(6)];
        const bool caseSensitive = words_.Next(3) == 0;
        return {
            "", op, Value(op, caseSensitive, ""), YesNo(caseSensitive), YesNo(words_.Next(2) == 0),
            "0"};
    }
    RuleRow HeaderRule() {
        static const char* const kOperators[] = {"Contains", "Contains (whole word)", "Equals",
                                                 "Starts with", "Ends with"};
        static const char* const kPrefixes[] = {"", "X-Mailer: ", "Received: from ", "Subject: "};
        const std::string op = kOperators[words_.Next(5)];
        const bool caseSensitive = words_.Next(3) == 0;
        return {"",
                op,
                Value(op, caseSensitive, kPrefixes[words_.Next(4)]),
                YesNo(caseSensitive),
                YesNo(words_.Next(2) == 0),
                "0"};
    }
    RuleRow SenderRule() {
        switch (words_.Next(8)) {
            case 0:
                return {"", "Domain name", "Equals", Domain(), "Yes", "0"};
            case 1:
                return {"", "Domain name", "Ends with", "." + Long(), "No", "0"};
            case 2:
                return {"", "E-mail address", "Contains", Long(), "No", "0"};
            case 3:
                return {"", "E-mail address", "Starts with", Long(), "Yes", "0"};
            case 4:
                return {"", "E-mail address", "Contains (whole word)", Long(), "No", "0"};
            case 5:
                if (words_.Next(20) == 0)
                    return {"", "E-mail address", "All numeric", "", "No", "0"};
                [[fallthrough]];
            default:
                return {"", "E-mail address", "Equals", Address(), "Yes", "0"};
        }
    }
    RuleRow ExceptionRule() {
        const bool caseSensitive = words_.Next(3) == 0;
        switch (words_.Next(6)) {
            case 0:
                return {"Domain name", "Equals", Domain(), "No", "0", "", "4"};
            case 1:
                return {"Subject",
                        "Contains",
                        Value("Contains", caseSensitive, ""),
                        YesNo(caseSensitive),
                        "0",
                        "",
                        "5"};
            case 2:
                return {"Any Header",
                        "Contains",
                        Value("Contains", caseSensitive, "List-Id: "),
                        YesNo(caseSensitive),
                        "0",
                        "",
                        "6"};
            case 3:
                return {"CC:", "Contains", Address(), "No", "0", "", "7"};
            default:
                return {"E-mail address", "Equals", Address(), "No", "0", "", "3"};
        }
    }

    Words words_;
};

// 5,000 messages against `rules` rules that match none of them, none of the other tests on.
struct UnmatchedMailbox {
    static constexpr int kCount = 5000;

    explicit UnmatchedMailbox(int rules) : settings("/nonexistent-kelvane-folder") {
        UnmatchedRules(23).AddTo(settings, rules);
        settings.options().checkValidDomain = false;
        settings.options().compareKnownSpammers = false;
        Words words(7);
        for (int i = 0; i < kCount; ++i) {
            kelvane::MessageEntry row;
            row.subject = words.Phrase(3 + words.Next(6));
            row.sender = words.Address();
            row.size = std::to_string(500 + words.Next(40000));
            headers.push_back(HeaderBlock(words, row.sender, row.subject));
            rows.push_back(std::move(row));
        }
    }

    kelvane::SpamSettings settings;
    CachedDomainChecker dns;
    kelvane::KnownSpammers known;
    kelvane::MailboxAccounts accounts;
    std::vector<kelvane::MessageEntry> rows;
    std::vector<TmsHeaders> headers;
};

// Arguments: the number of rules, and 1 for the rule-by-rule pass the indexed one replaced.
void BM_ClassifyUnmatchedRules(benchmark::State& state) {
    UnmatchedMailbox mailbox(static_cast<int>(state.range(0)));
    kelvane::SpamClassifier classifier(
        mailbox.settings, [&](int index) { return &mailbox.headers[static_cast<size_t>(index)]; },
        mailbox.rows, mailbox.dns, mailbox.known, mailbox.accounts);
    classifier.SetCurrentMailbox("pop.example.org", "ann");
    if (state.range(1) != 0) classifier.setRulePass(kelvane::RulePass::RuleByRule);
    int marked = 0;
    for (auto _ : state) {
        marked = classifier.AutoMark();
        benchmark::DoNotOptimize(marked);
    }
    if (marked != 0) state.SkipWithError("a rule meant to match nothing matched");
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(UnmatchedMailbox::kCount),
                           benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ClassifyUnmatchedRules)
    ->ArgNames({"rules", "rule_by_rule"})
    ->Args({200, 0})
    ->Args({200, 1})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond);

std::string KnownListFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() /
                          ("kelvane-known-bench-" + std::to_string(::getpid()) + ".lst");
        Words words(11);
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < kKnownEntries; ++i) {
            out << (i % 5 == 0 ? words.Domain() : words.Address()) << "\r\n";
        }
        return file.string();
    }();
    return path;
}

void BM_LoadKnownList(benchmark::State& state) {
    const std::string path = KnownListFile();
    kelvane::KnownSpammers list;
    for (auto _ : state) {
        list.LoadUpKnownList(path);
        benchmark::DoNotOptimize(list.entries().data());
    }
    state.counters["entries"] = static_cast<double>(list.entries().size());
}
BENCHMARK(BM_LoadKnownList)->Unit(benchmark::kMillisecond);

void BM_SearchKnownList(benchmark::State& state) {
    kelvane::KnownSpammers list;
    list.LoadUpKnownList(KnownListFile());
    Words words(13);
    std::vector<std::string> senders;
    for (int i = 0; i < 1000; ++i) senders.push_back(words.Address());
    for (auto _ : state) {
        for (const std::string& sender : senders) {
            benchmark::DoNotOptimize(list.isInKnownList(sender));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(senders.size()));
}
BENCHMARK(BM_SearchKnownList)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(KnownListFile());
    return 0;
}
