// How long a rule being typed takes to try on the messages of a large last listing: each kind of
// rule over 5,000 header blocks of 20 to 40 lines, the goal being at most 50 ms a trial, and the
// once-per-list preparation the trials rely on.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "RuleTrial.h"

namespace {

using kelvane::ExceptionChoice;
using kelvane::ExceptionRuleFields;
using kelvane::HeaderChoice;
using kelvane::HeaderRuleFields;
using kelvane::SenderRuleFields;
using kelvane::SubjectRuleFields;
using kelvane::TmsHeaders;
using kelvane::TrialMessage;
using kelvane::TrialSource;

constexpr int kMessages = 5000;
constexpr int kDeleted = 500;  // of them, kept by earlier deletions

// Pseudo-words from syllables, so that the rules find some of what they look for.
class Words {
  public:
    explicit Words(unsigned seed) : random_(seed) {}

    std::string Word() {
        static const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "su", "ra", "ti", "vo",
                                                 "be", "do", "fu", "ga", "he", "jo", "pe", "zu"};
        std::string word;
        const int count = 2 + Next(3);
        for (int i = 0; i < count; ++i) word += kSyllables[Next(16)];
        return word;
    }
    std::string Phrase(int words) {
        std::string phrase = Word();
        for (int i = 1; i < words; ++i) phrase += " " + Word();
        return phrase;
    }
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

TmsHeaders HeaderBlock(Words& words, const std::string& from, const std::string& subject) {
    TmsHeaders lines;
    const int received = 6 + words.Next(10);
    for (int i = 0; i < received; ++i) {
        lines.push_back("Received: from " + words.Domain() + " (" + words.Domain() + ")");
        lines.push_back("\tby mx" + std::to_string(i) + ".example.net with SMTP id " +
                        words.Word());
    }
    lines.push_back("From: " + words.Word() + " <" + from + ">");
    lines.push_back("To: ann@pop.example.org");
    if (words.Next(4) == 0) lines.push_back("Reply-To: " + words.Address());
    if (words.Next(5) == 0) lines.push_back("CC: " + words.Address());
    if (words.Next(8) == 0) lines.push_back("List-Id: <" + words.Word() + ".lists.example>");
    lines.push_back("Subject: " + subject);
    lines.push_back("Date: Mon, 3 Mar 2003 10:00:00 +0000");
    lines.push_back("Message-ID: <" + words.Word() + "@" + words.Domain() + ">");
    lines.push_back("X-Mailer: " + words.Word());
    lines.push_back("MIME-Version: 1.0");
    lines.push_back("Content-Type: text/plain; charset=us-ascii");
    return lines;
}

std::vector<TrialMessage> Messages() {
    Words words(17);
    std::vector<TrialMessage> messages;
    for (int i = 0; i < kMessages; ++i) {
        TrialMessage message;
        message.source =
            i < kMessages - kDeleted ? TrialSource::LastListing : TrialSource::DeletedJunk;
        message.mailbox = 1;
        message.subject = words.Phrase(3 + words.Next(6));
        message.sender = words.Address();
        message.headers = HeaderBlock(words, message.sender, message.subject);
        messages.push_back(std::move(message));
    }
    return messages;
}

kelvane::RuleTrial& Trial() {
    static kelvane::RuleTrial trial(Messages());
    return trial;
}

template <class Fields>
void BM_TryRule(benchmark::State& state, Fields fields) {
    kelvane::RuleTrial& trial = Trial();
    int matches = 0;
    for (auto _ : state) {
        const auto result = trial.Try(fields);
        matches = result ? result->listingMatches + result->deletedMatches : -1;
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = matches;
    state.counters["messages"] = static_cast<double>(trial.messages().size());
}

HeaderRuleFields HeaderLine(int op, std::string text) {
    HeaderRuleFields fields;
    fields.op = op;
    fields.text = std::move(text);
    return fields;
}

HeaderRuleFields Special(HeaderChoice choice) {
    HeaderRuleFields fields;
    fields.choice = choice;
    fields.address = "ann@";
    fields.mailbox = 1;
    return fields;
}

ExceptionRuleFields Exception(ExceptionChoice choice, std::string value, int headerLine = 0) {
    ExceptionRuleFields fields;
    fields.choice = choice;
    fields.address = fields.domain = fields.text = std::move(value);
    fields.headerLine = headerLine;
    return fields;
}

// Rules that look at every message and, for the header rules, at every line.
BENCHMARK_CAPTURE(BM_TryRule, subject_whole_word, SubjectRuleFields{1, "kalo", false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, subject_all_uppercase, SubjectRuleFields{6, "", false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, header_line_contains, HeaderLine(0, "X-Mailer: kalo"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, header_line_ends_with, HeaderLine(4, ".example>"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, header_reply_to_mismatch, Special(HeaderChoice::ReplyToMismatch))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, header_to_does_not_contain, Special(HeaderChoice::ToDoesNotContain))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, sender_domain_ends_with, SenderRuleFields{true, 4, "7.example"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, sender_half_numeric, SenderRuleFields{false, 8, ""})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, exception_domain, Exception(ExceptionChoice::Domain, "d42.example"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, exception_cc_line, Exception(ExceptionChoice::HeaderLine, "kalo", 1))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TryRule, exception_any_header,
                  Exception(ExceptionChoice::HeaderLine, "lists.example", 4))
    ->Unit(benchmark::kMillisecond);

// What a dialog pays once when it opens over a list: the texts extracted and folded, then with
// the first trial of a rule that reads fields no trial has read before.
void BM_PrepareTrial(benchmark::State& state, bool firstTrial) {
    const std::vector<TrialMessage> messages = Messages();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TrialMessage> copy = messages;
        state.ResumeTiming();
        auto trial = std::make_unique<kelvane::RuleTrial>(std::move(copy));
        benchmark::DoNotOptimize(trial->listingCount());
        if (firstTrial)
            benchmark::DoNotOptimize(trial->Try(Special(HeaderChoice::ReplyToMismatch)));
        state.PauseTiming();
        trial.reset();
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_PrepareTrial, prepare_only, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareTrial, prepare_and_first_trial, true)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
