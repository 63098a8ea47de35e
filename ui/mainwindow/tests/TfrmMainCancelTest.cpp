// Cancel pressed while the run waits for a DNS server that never answers, deep below the handler
// that lists a message: the run unwinds from the lookup, tidies up once, and nothing the user
// clicks meanwhile starts a second run.
#include "MXDomainChecker.h"
#include "Pop3Script.h"
#include "ScriptedServer.h"
#include "TextChecks.h"
#include "UdpFakeDns.h"
#include "WindowRunFixture.h"

#include <gmock/gmock.h>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <optional>

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using testsupport::CountOccurrences;
using testsupport::Join;
using testsupport::ListingStart;
using testsupport::Login;
using testsupport::Top;

class TfrmMainCancelTest : public windowtest::WindowRunFixture {
  protected:
    TfrmMainCancelTest() : silentDns([](const std::string&) { return std::nullopt; }) {
        checker.resolver().DNSAddress = "127.0.0.1";
        checker.resolver().Port = silentDns.port();
        checker.resolver().TimeOut = 20;  // far longer than the cancel takes
        domains.real = &checker;
    }
    ~TfrmMainCancelTest() override { domains.real = nullptr; }

    testsupport::UdpFakeDns silentDns;
    MXDomainChecker checker;
};

TEST_F(TfrmMainCancelTest, CancelDuringTheDomainLookupUnwindsAndBlocksASecondCheck) {
    testsupport::ScriptedServer server(Join({Login("+OK 2 300"),
                                             ListingStart({100, 200}),
                                             Top(1, {"From: ann@slow.test", "Subject: one"}),
                                             {"silence"}}));
    Configure(1, server.address(), "ann", true);
    bool checkEnabledAfterCancel = true;
    std::optional<RunOutcome> secondCheck;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (silentDns.queries().empty()) return;
        poll.stop();
        QTest::mouseClick(button("btExit"), Qt::LeftButton);
        checkEnabledAfterCancel = button("btList")->isEnabled();
        QTest::mouseClick(button("btList"), Qt::LeftButton);
        secondCheck = run.Check();
    });
    poll.start();

    QTest::mouseClick(button("btList"), Qt::LeftButton);

    EXPECT_FALSE(checkEnabledAfterCancel) << "Cancel only asks; the run re-enables on its way out";
    EXPECT_EQ(secondCheck, RunOutcome::Stopped);
    EXPECT_THAT(boxes.shown, ElementsAre("error: Operation has been canceled"));
    EXPECT_EQ(listedRows(), 0);
    ExpectIdle();
    EXPECT_EQ(silentDns.queries().size(), 1u);
    const std::string text = LogText();
    EXPECT_EQ(CountOccurrences(text, "OPERATION CANCELED FOR ann"), 1) << text;
    EXPECT_EQ(CountOccurrences(text, "ERROR Operation has been canceled FOR ann"), 1) << text;
}

}  // namespace
}  // namespace kelvane
