// The indexed pass against the rule-by-rule one, over generated rule tables and messages: the
// same marks, the same hit counts and the same reasons, rule for rule.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ClassificationFixture.h"
#include "RuleTableOperations.h"

namespace kelvane::passfixture {
namespace {

// Rules and messages drawn from one small vocabulary in every letter case, so that rules of
// every operator match often, partly, or only but for case.
class Generator {
  public:
    explicit Generator(unsigned seed) : random_(seed) {}

    int Next(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }
    bool OneIn(int n) { return Next(n) == 0; }
    template <size_t N>
    const char* Pick(const char* const (&items)[N]) {
        return items[Next(static_cast<int>(N))];
    }

    std::string Word() {
        static const char* const kWords[] = {
            "free", "offer", "win",  "ann",  "example",          "news",
            "x",    "re:",   "1234", "42",   "list-id",          "mailer",
            "a",    "b@c",   ".org", "cash", "\xC3\xA9t\xC3\xA9"};
        std::string word = Pick(kWords);
        if (OneIn(3)) word = UpperAscii(word);
        if (OneIn(5) && !word.empty()) word[0] = static_cast<char>(std::toupper(word[0]));
        return word;
    }
    std::string Text(int most) {
        std::string text;
        const int words = Next(most + 1);
        for (int i = 0; i < words; ++i) {
            if (i > 0) text += OneIn(4) ? "" : Pick({" ", ", ", "-", "!"});
            text += Word();
        }
        return text;
    }
    std::string Address() {
        if (OneIn(8)) return Text(1);  // no '@'
        return Text(2) + "@" + Pick({"example.org", "spam.example", "ann.example", "EXAMPLE.ORG"});
    }
    const char* YesNo() { return OneIn(2) ? "Yes" : "No"; }
    const char* Operator(int highest) {
        static const char* const kNames[] = {"Contains",     "Contains (whole word)",
                                             "Equals",       "Starts with",
                                             "Ends with",    "Is blank",
                                             "Is UPPERCASE", "All numeric",
                                             "50% numeric",  "First char numeric"};
        if (OneIn(25)) return "contains";  // no operator
        return kNames[Next(highest + 1)];
    }
    // A value the rule's own message texts are likely to hold, or a random one.
    std::string Value() {
        if (OneIn(12)) return "";
        return Text(3);
    }

  private:
    std::mt19937 random_;
};

void AddTables(Generator& g, SpamSettings& settings) {
    for (int i = g.Next(12); i > 0; --i) {
        AppendRule(settings.subjects(), {"", g.Operator(9), g.Value(), g.YesNo(), g.YesNo(), "0"});
    }
    for (int i = g.Next(12); i > 0; --i) {
        const char* kind = g.OneIn(2) ? "Domain name" : "E-mail address";
        AppendRule(settings.senders(), {"", kind, g.Operator(9), g.Value(), g.YesNo(), "0"});
    }
    for (int i = g.Next(12); i > 0; --i) {
        RuleRow row{"",        g.Operator(6), g.OneIn(3) ? "X-Mailer: " + g.Value() : g.Value(),
                    g.YesNo(), g.YesNo(),     "0"};
        if (g.OneIn(10)) row = {"", "Sender", "does not match Reply-to", g.YesNo(), g.YesNo(), "0"};
        if (g.OneIn(10)) row = {"", "Sender", "equals To field", g.YesNo(), g.YesNo(), "0"};
        if (g.OneIn(10)) {
            row = {"",
                   "To does not contain",
                   g.Address() + " - MailBox #" + g.Pick({"1", "2"}),
                   g.YesNo(),
                   g.YesNo(),
                   "0"};
        }
        AppendRule(settings.headers(), row);
    }
    for (int i = g.Next(10); i > 0; --i) {
        static const char* const kKinds[] = {
            "Domain name", "E-mail address", "Subject", "Any Header", "CC:", "X-Mailer:", "To", ""};
        AppendRule(settings.exceptions(), {g.Pick(kKinds), g.Operator(5), g.Value(), g.YesNo(), "0",
                                           "", g.Pick({"3", "9", "", "0", "x"})});
    }
}

TestMessage Message(Generator& g) {
    TestMessage message;
    message.subject = g.OneIn(10) ? std::string(g.Pick({"", "  ", "FREE!", "1234"})) : g.Text(4);
    message.sender = g.Address();
    message.size = std::to_string(g.Next(3000));
    if (g.OneIn(6)) return message;  // no header block
    static const char* const kFields[] = {
        "To: ", "CC: ", "Reply-To: ", "X-Mailer: ", "List-Id: ", "Received: from ", "\t"};
    message.headers.push_back("From: " + g.Text(1) + " <" + message.sender + ">");
    for (int i = g.Next(8); i > 0; --i) {
        std::string line = g.Pick(kFields) + (g.OneIn(2) ? g.Address() : g.Text(3));
        if (g.OneIn(15)) line = "Subject: =?utf-8?Q?" + g.Word() + "?=";
        message.headers.push_back(line);
    }
    return message;
}

// The two passes over the same tables and messages.
class PassPair {
  public:
    PassPair() {
        indexed_.classifier.setRulePass(RulePass::Indexed);
        ruleByRule_.classifier.setRulePass(RulePass::RuleByRule);
    }

    void Fill(unsigned seed) {
        for (Side* side : {&indexed_, &ruleByRule_}) {
            Generator g(seed);
            AddTables(g, side->settings);
            side->settings.options().checkValidDomain = false;
            side->settings.options().smallerOn = g.OneIn(3);
            side->known.Assign({"spam.example", g.Address()});
            for (int i = 1 + g.Next(12); i > 0; --i) side->Add(Message(g));
        }
    }

    void ExpectSame(const std::string& step) const {
        for (size_t i = 0; i < indexed_.rows.size(); ++i) {
            EXPECT_EQ(indexed_.rows[i].mark, ruleByRule_.rows[i].mark) << step << ", row " << i;
        }
        for (const RuleTableKind kind : {RuleTableKind::Subject, RuleTableKind::Header,
                                         RuleTableKind::Sender, RuleTableKind::Exceptions}) {
            EXPECT_EQ(Hits(indexed_.settings.table(kind)), Hits(ruleByRule_.settings.table(kind)))
                << step << ", table " << static_cast<int>(kind);
        }
    }

    void Run(unsigned seed) {
        Fill(seed);
        indexed_.classifier.AutoMark();
        ruleByRule_.classifier.AutoMark();
        ExpectSame("first pass");
        // The check run passes over the rows again, from the marks they hold.
        indexed_.classifier.MarkForDeletion(-1);
        ruleByRule_.classifier.MarkForDeletion(-1);
        ExpectSame("second pass");
        for (int i = 0; i < static_cast<int>(indexed_.rows.size()); ++i) {
            MarkState indexedMark = kNoMark;
            MarkState ruleByRuleMark = kNoMark;
            EXPECT_EQ(indexed_.classifier.Explain(i, &indexedMark),
                      ruleByRule_.classifier.Explain(i, &ruleByRuleMark))
                << "reasons, row " << i;
            EXPECT_EQ(indexedMark, ruleByRuleMark) << "explained mark, row " << i;
        }
    }

  private:
    struct Side {
        Side()
            : classifier(
                  settings,
                  [this](int index) -> const TmsHeaders* {
                      return &headerBlocks.at(static_cast<size_t>(index));
                  },
                  rows, dns, known, accounts) {
            accounts.Account(1) = {"pop.example.org", "ann", true, "", 0, ""};
            classifier.SetCurrentMailbox("pop.example.org", "ann");
        }
        void Add(TestMessage message) {
            MessageEntry entry;
            entry.subject = message.subject;
            entry.sender = message.sender;
            entry.size = message.size;
            rows.push_back(entry);
            headerBlocks.push_back(message.headers);
        }

        SpamSettings settings{"/nonexistent-kelvane-folder"};
        std::vector<MessageEntry> rows;
        std::vector<TmsHeaders> headerBlocks;
        FakeDomainChecker dns;
        KnownSpammers known;
        MailboxAccounts accounts;
        SpamClassifier classifier;
    };

    Side indexed_;
    Side ruleByRule_;
};

TEST(IndexedPassTest, AgreesWithTheRuleByRulePassOnGeneratedTablesAndMessages) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        PassPair().Run(seed);
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace kelvane::passfixture
