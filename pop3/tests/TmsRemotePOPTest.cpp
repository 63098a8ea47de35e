#include "TmsRemotePOP.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CaseName.h"
#include "EventPump.h"
#include "MailErrors.h"
#include "Pop3Session.h"

namespace kelvane {
namespace {

using pop3test::DataBlock;
using pop3test::HeadersOf;
using pop3test::Join;
using pop3test::Listing;
using pop3test::ListingCommands;
using pop3test::Login;
using pop3test::LoginCommands;
using pop3test::PlainCapa;
using pop3test::Quit;
using pop3test::RaisedText;
using pop3test::Recheck;
using pop3test::Script;
using pop3test::Sizes;
using pop3test::Top;
using ::testing::ElementsAre;
using ::testing::Not;

class UpdateInfoTest : public pop3test::Pop3Session {};

TEST_F(UpdateInfoTest, EmptyMailboxClosesBeforeReportingTheListing) {
    pop.Info().Add(TmsRemoteInfoItem{});  // left over from an earlier check
    Serve(Join({Login("+OK 0 0"), Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(), Join({LoginCommands(), {"QUIT"}}));
    EXPECT_THAT(events,
                ElementsAre("OnOpen", "OnUpdatingInfo", "OnClosing", "OnClosed", "OnInfoUpdated"));
    EXPECT_EQ(pop.Info().Count(), 0);
    EXPECT_FALSE(pop.Connected());
}

// Each message is announced once it is complete in Info, with the total already known.
TEST_F(UpdateInfoTest, ThreeMessagesAreAnnouncedInOrderAsTheyArrive) {
    Serve(Join({Login("+OK 3 600"), Listing({100, 200, 300}), Quit()}));
    pop.OnNextInfoUpdated = [&](TagSocket&, int num) {
        const TmsRemoteInfoItem& item = pop.Info().Items(num);
        events.push_back("OnNextInfoUpdated " + std::to_string(num) + ": " + item.Headers.at(1) +
                         ", " + std::to_string(item.Size) + " bytes, " +
                         std::to_string(pop.Info().Count()) + " of " +
                         std::to_string(pop.MessageCount()));
    };
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(), Join({LoginCommands(), ListingCommands(3), {"QUIT"}}));
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnUpdatingInfo",
                                    "OnNextInfoUpdated 0: Subject: message 1, 100 bytes, 1 of 3",
                                    "OnNextInfoUpdated 1: Subject: message 2, 200 bytes, 2 of 3",
                                    "OnNextInfoUpdated 2: Subject: message 3, 300 bytes, 3 of 3",
                                    "OnClosing", "OnClosed", "OnInfoUpdated"));
    ASSERT_EQ(pop.Info().Count(), 3);
    for (int num = 0; num < 3; ++num) {
        const TmsRemoteInfoItem& item = pop.Info().Items(num);
        EXPECT_EQ(item.Headers, HeadersOf(num + 1));
        EXPECT_EQ(item.UIDL, "");
        EXPECT_EQ(item.Flags, 0);
    }
    EXPECT_EQ(pop.MailboxSize(), 600);
}

struct TopCase {
    const char* name;
    std::vector<std::string> block;  // the lines after "+OK" to TOP, before the terminator
    TmsHeaders headers;
};

class TopBlockTest : public pop3test::Pop3Session, public ::testing::WithParamInterface<TopCase> {};

TEST_P(TopBlockTest, HeadersEndAtTheFirstEmptyLine) {
    Serve(Join({Login("+OK 1 80"),
                Sizes({80}),
                {"C: TOP 1 1", "S: +OK"},
                DataBlock(GetParam().block),
                Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    ASSERT_EQ(pop.Info().Count(), 1);
    EXPECT_EQ(pop.Info().Items(0).Headers, GetParam().headers);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, TopBlockTest,
    ::testing::Values(
        TopCase{"headers-and-body",
                {"From: a@x", "Subject: s", "", "body"},
                {"From: a@x", "Subject: s"}},
        TopCase{"no-body-keeps-the-terminator",
                {"From: a@x", "Subject: s"},
                {"From: a@x", "Subject: s", "."}},
        TopCase{"empty-line-without-body", {"From: a@x", ""}, {"From: a@x"}},
        TopCase{"folded-field-stays-two-lines",
                {"Subject: one", "\ttwo", "", "x"},
                {"Subject: one", "\ttwo"}},
        TopCase{
            "dot-stuffed-line-keeps-its-dots", {"X-Art: a", "..b", "", "c"}, {"X-Art: a", "..b"}},
        TopCase{"nothing-but-the-terminator", {}, {"."}},
        TopCase{"body-line-that-looks-like-a-header", {"From: a@x", "", "To: b@x"}, {"From: a@x"}}),
    testsupport::ParamName());

struct ListCase {
    const char* name;
    std::string line;  // of the LIST block
    long long size;
};

class ListSizeTest : public pop3test::Pop3Session,
                     public ::testing::WithParamInterface<ListCase> {};

TEST_P(ListSizeTest, SizeIsTheNumberAfterTheMessageNumber) {
    Serve(Join({Login("+OK 1 80"),
                {"C: LIST", "S: +OK", "S: " + GetParam().line, "S: .", "C: TOP 1 1", "S: +OK"},
                DataBlock(HeadersOf(1)),
                Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    ASSERT_EQ(pop.Info().Count(), 1);
    EXPECT_EQ(pop.Info().Items(0).Size, GetParam().size);
}

// Sizes that are not numbers are refused (see HostileServerTest).
INSTANTIATE_TEST_SUITE_P(Replies, ListSizeTest,
                         ::testing::Values(ListCase{"number", "1 1320", 1320},
                                           ListCase{"more-after-the-size", "1 1320 octets", 1320},
                                           ListCase{"zero", "1 0", 0},
                                           ListCase{"beyond-32-bits", "1 5000000000",
                                                    5000000000LL}),
                         testsupport::ParamName());

// A failing fetch ends the check; what was listed before it stays listed.
TEST_F(UpdateInfoTest, RefusedTopKeepsTheMessagesListedBeforeIt) {
    Serve(Join({Login("+OK 3 600"),
                Sizes({100, 200, 300}),
                Top(1),
                {"C: TOP 2 1", "S: -ERR message 2 is locked"},
                {"silence"}}));
    EXPECT_EQ(RaisedText<EServerError>([&] { pop.UpdateInfo(); }), "-ERR message 2 is locked");
    ASSERT_EQ(pop.Info().Count(), 1);
    EXPECT_EQ(pop.Info().Items(0).Headers, HeadersOf(1));
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnUpdatingInfo", "OnNextInfoUpdated 0"));
    EXPECT_TRUE(pop.Connected());
}

// A handler that fails on a message (say, a header it cannot decode) ends the check, and the
// message it was looking at stays in Info, complete.
TEST_F(UpdateInfoTest, HandlerErrorKeepsItsMessageListed) {
    Serve(Join({Login("+OK 3 600"), Sizes({100, 200, 300}), Top(1), Top(2), {"silence"}}));
    pop.OnNextInfoUpdated = [&](TagSocket&, int num) {
        if (num == 1) throw EMessageParserError(kInvalidCharacter);
    };
    EXPECT_EQ(RaisedText<EMessageParserError>([&] { pop.UpdateInfo(); }), kInvalidCharacter);
    ASSERT_EQ(pop.Info().Count(), 2);
    EXPECT_EQ(pop.Info().Items(1).Headers, HeadersOf(2));
    EXPECT_EQ(pop.Info().Items(1).Size, 200);
    pop.Close();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(), Join({LoginCommands(), {"LIST", "TOP 1 1", "TOP 2 1"}}));
    EXPECT_THAT(events, Not(::testing::Contains("OnInfoUpdated")));
}

TEST_F(UpdateInfoTest, CancelEndsTheCheckAndClosesTheConnection) {
    Serve(Join({Login("+OK 3 600"), Sizes({100, 200, 300}), Top(1), {"silence"}}));
    bool cancelWanted = false;
    pop.OnNextInfoUpdated = [&](TagSocket&, int num) {
        events.push_back("OnNextInfoUpdated " + std::to_string(num));
        cancelWanted = true;  // as if the user pressed Cancel while the next message loads
    };
    SetEventPump([&] {
        if (!cancelWanted) return;
        cancelWanted = false;
        pop.Cancel();
    });
    EXPECT_EQ(RaisedText<ECanceledError>([&] { pop.UpdateInfo(); }), kOperationCanceled);
    EXPECT_THAT(events,
                ElementsAre("OnOpen", "OnUpdatingInfo", "OnNextInfoUpdated 0", "OnCancel",
                            "OnClosing", "OnClosed", "OnError " + std::string(kOperationCanceled)));
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(pop.Info().Count(), 1);
    ExpectScriptFollowed();

    // The next check starts a fresh session; the cancel is not held against it.
    Serve(Join({Login("+OK 0 0"), Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(pop.Info().Count(), 0);
}

// With KeepConnected the check leaves the session open; the following deletion run works on it
// without a second login and ends it with QUIT.
TEST_F(UpdateInfoTest, KeepConnectedHandsTheSessionToProcessMarked) {
    Serve(Join({Login("+OK 2 300"),
                Listing({100, 200}),
                Recheck(2, 200),
                {"C: DELE 2", "S: +OK message 2 deleted"},
                Quit()}));
    pop.KeepConnected = true;
    pop.UpdateInfo();
    EXPECT_TRUE(pop.Connected());
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnUpdatingInfo", "OnNextInfoUpdated 0",
                                    "OnNextInfoUpdated 1", "OnInfoUpdated"));

    events.clear();
    pop.SelectForDeletion(1);
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(), Join({LoginCommands(),
                                        ListingCommands(2),
                                        {"UIDL 2", "LIST 2", "TOP 2 1", "DELE 2", "QUIT"}}));
    EXPECT_THAT(events, ElementsAre("OnTransferringData", "OnDeleting 1", "OnDeleted 1",
                                    "OnDataTransfered", "OnClosing", "OnClosed"));
    EXPECT_FALSE(pop.Connected());
}

// A POP3 session shows the maildrop as it was at login, so a kept session must not serve the
// next check: mail delivered since would stay invisible.
TEST_F(UpdateInfoTest, EveryCheckListsFromAFreshSession) {
    Serve(Join({Login("+OK 1 100"),
                Listing({100}),
                {"C: QUIT", "next"},
                Login("+OK 2 200"),
                Listing({100, 100}),
                Quit()}));
    pop.KeepConnected = true;
    pop.UpdateInfo();
    EXPECT_EQ(pop.Info().Count(), 1);
    pop.KeepConnected = false;
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(pop.Info().Count(), 2);
    EXPECT_EQ(server->received(), Join({LoginCommands(),
                                        ListingCommands(1),
                                        {"QUIT"},
                                        LoginCommands(),
                                        ListingCommands(2),
                                        {"QUIT"}}));
}

struct DroppedCase {
    const char* name;
    Script farewell;  // what the server does to the idle session
};

void PrintTo(const DroppedCase& c, std::ostream* out) {
    *out << c.name;
}

class DroppedSessionTest : public pop3test::Pop3Session,
                           public ::testing::WithParamInterface<DroppedCase> {};

// The server ended the kept session while the user looked at the list: the deletion logs in
// again and checks each message's identity in the new session before its DELE.
TEST_P(DroppedSessionTest, DeletionLogsInAgain) {
    Serve(Join({Login("+OK 2 300"),
                Listing({100, 200}),
                GetParam().farewell,
                {"next"},
                Login("+OK 2 300"),
                Recheck(2, 200),
                {"C: DELE 2", "S: +OK message 2 deleted"},
                Quit()}));
    pop.KeepConnected = true;
    pop.UpdateInfo();
    for (int wait = 0; wait < 100 && pop.PollPeer() == PeerState::Quiet; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    events.clear();
    pop.SelectForDeletion(1);
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_THAT(events,
                ElementsAre("OnClosing", "OnClosed", "OnOpen", "OnTransferringData", "OnDeleting 1",
                            "OnDeleted 1", "OnDataTransfered", "OnClosing", "OnClosed"));
    EXPECT_EQ(server->received(), Join({LoginCommands(),
                                        ListingCommands(2),
                                        LoginCommands(),
                                        {"UIDL 2", "LIST 2", "TOP 2 1", "DELE 2", "QUIT"}}));
}

INSTANTIATE_TEST_SUITE_P(Farewells, DroppedSessionTest,
                         ::testing::Values(DroppedCase{"with-a-last-line",
                                                       {"S: -ERR Disconnected for inactivity.",
                                                        "close"}},
                                           DroppedCase{"without-a-word", {"close"}}),
                         testsupport::ParamName());

}  // namespace
}  // namespace kelvane
