// Runs whose sender-domain lookups go to a DNS server that never answers. A cancel during such a
// wait, deep below the handler of a message being listed, must unwind the run and tidy up once,
// at its top; nothing may start another run or touch its rows meanwhile.
#include <gmock/gmock.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "CheckRunFixture.h"
#include "DomainCheck.h"
#include "EventPump.h"
#include "MXDomainChecker.h"
#include "TextChecks.h"
#include "UdpFakeDns.h"

namespace kelvane::checktest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::CountOccurrences;

class SilentDnsRunTest : public CheckRunFixture {
  protected:
    SilentDnsRunTest() : silentDns([](const std::string&) { return std::nullopt; }) {
        checker.resolver().DNSAddress = "127.0.0.1";
        checker.resolver().Port = silentDns.port();
        checker.resolver().TimeOut = 20;  // far longer than the test waits for the cancel
        run = std::make_unique<CheckRun>(spam, model, store, client, log, known, checker, front);
    }

    // Presses Cancel once the lookup of the first sender's domain waits, then tries what a
    // user could click during that wait; records what each attempt gave.
    void CancelDuringTheLookup() {
        SetEventPump([this] {
            if (pressed || silentDns.queries().empty()) return;
            pressed = true;
            run->Cancel();
            nested.push_back(run->Check() == RunOutcome::Stopped ? "check refused" : "check ran");
            nested.push_back(run->Delete() == RunOutcome::Stopped ? "delete refused"
                                                                  : "delete ran");
            run->AutoMark();
            rowsSeenAfterCancel = run->rows().size();
        });
    }

    testsupport::UdpFakeDns silentDns;
    MXDomainChecker checker;
    bool pressed = false;
    std::vector<std::string> nested;
    std::size_t rowsSeenAfterCancel = 0;
};

const std::vector<std::string> kFromSlowDomain{"From: ann@slow.test", "Subject: one"};

TEST_F(SilentDnsRunTest, CancelInTheDomainLookupUnwindsTheCheck) {
    Serve(
        Join({Login("+OK 2 300"), ListingStart({100, 200}), Top(1, kFromSlowDomain), {"silence"}}));
    CancelDuringTheLookup();

    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Failed);

    EXPECT_TRUE(pressed);
    EXPECT_THAT(nested, ElementsAre("check refused", "delete refused"));
    EXPECT_EQ(rowsSeenAfterCancel, 1u) << "the rows stay the run's until it has unwound";
    EXPECT_TRUE(run->rows().empty());
    EXPECT_FALSE(run->running());
    EXPECT_EQ(run->lastError(), "Operation has been canceled");
    EXPECT_THAT(front.boxes.shown, ElementsAre("error: Operation has been canceled"));
    EXPECT_EQ(front.requests.back(), "hide");
    EXPECT_EQ(std::count(front.requests.begin(), front.requests.end(), "idle"), 1);
    const std::string text = LogText();
    EXPECT_EQ(CountOccurrences(text, "OPERATION CANCELED FOR ann"), 1);
    EXPECT_EQ(CountOccurrences(text, "ERROR Operation has been canceled FOR ann"), 1);
    EXPECT_THAT(text, ::testing::Not(HasSubstr("MAIL CHECK")));
    EXPECT_EQ(silentDns.queries().size(), 1u);
    EXPECT_TRUE(server->WaitUntilClosed(3000)) << server->failure();
}

// The next check after a cancel runs normally: the cancel is not held against it.
TEST_F(SilentDnsRunTest, NextCheckAfterACancelRuns) {
    Serve(Join({Login("+OK 1 100"), Listing({{100, kFromSlowDomain}}), {"silence"}}));
    CancelDuringTheLookup();
    ASSERT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Failed);
    SetEventPump({});

    spam.options().checkValidDomain = false;
    Serve(Join({Login("+OK 1 100"), Listing({{100, kFromSlowDomain}}), Quit()}));
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Done);
    EXPECT_EQ(run->rows().size(), 1u);
}

// A time-out turns the lookups off for the run; the user learns it after the totals, which would
// otherwise cover the notice at once.
TEST_F(SilentDnsRunTest, UnansweredLookupIsShownAfterTheTotals) {
    checker.resolver().TimeOut = 1;
    Serve(Join({Login("+OK 1 100"), Listing({{100, kFromSlowDomain}}), Quit()}));
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Done);
    ASSERT_GE(front.statuses.size(), 2u);
    EXPECT_EQ(front.statuses[front.statuses.size() - 2], "Message Total: 1 Number Marked: 0");
    EXPECT_EQ(front.statuses.back(), kDomainsNotCheckedNotice);
}

}  // namespace
}  // namespace kelvane::checktest
