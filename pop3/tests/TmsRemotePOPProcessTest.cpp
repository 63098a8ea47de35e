#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "CaseName.h"
#include "MailErrors.h"
#include "Pop3Session.h"
#include "TempFolder.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using pop3test::DataBlock;
using pop3test::HeadersOf;
using pop3test::Join;
using pop3test::Login;
using pop3test::LoginCommands;
using pop3test::PlainCapa;
using pop3test::Quit;
using pop3test::Recheck;
using pop3test::Script;
using ::testing::ElementsAre;

// A message as RETR delivers it: dot-stuffed, ending in the terminator.
const std::vector<std::string> kMessageLines = {"From: sender2@example.org", "Subject: message 2",
                                                "", "..a stuffed line", "last line"};
const std::string kMessageBytes =
    "From: sender2@example.org\r\nSubject: message 2\r\n\r\n..a stuffed line\r\nlast line\r\n"
    ".\r\n";

Script Retrieve(int number) {
    return Join({{"C: RETR " + std::to_string(number), "S: +OK message follows"},
                 DataBlock(kMessageLines)});
}

class ProcessMarkedTest : public pop3test::Pop3Session {
  protected:
    // The listing of an earlier check: message n with HeadersOf(n).
    void Listed(int count) {
        for (int n = 1; n <= count; ++n) {
            TmsRemoteInfoItem item;
            item.Size = 100 * n;
            item.Headers = HeadersOf(n);
            pop.Info().Add(std::move(item));
        }
    }

    // OnProgress as "known" or "unknown" size, one entry for each run of reports.
    void RecordProgress() {
        pop.OnProgress = [this](TagSocket&, int perc, long long) {
            const std::string entry = perc < 0 ? "OnProgress unknown" : "OnProgress known";
            if (events.empty() || events.back() != entry) events.push_back(entry);
        };
    }
};

TEST_F(ProcessMarkedTest, EmptyListingDoesNotConnect) {
    pop.Server = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    pop.ProcessMarked();
    EXPECT_TRUE(events.empty());
}

// The message's identity is checked once before its actions; the retrieval is saved through the
// handler exactly as received, before OnRetrieved.
TEST_F(ProcessMarkedTest, RetrievalThenDeletionOfOneMessage) {
    Listed(2);
    pop.SelectForRetrieval(1);
    pop.SelectForDeletion(1);
    testsupport::TempFolder folder;
    pop.SetMessageDirectory(folder.path().string());
    std::string saved;
    pop.OnUserMessageSave = [&](TagSocket&, int num, const std::string& contents) {
        events.push_back("OnUserMessageSave " + std::to_string(num));
        saved = contents;
    };
    RecordProgress();
    Serve(Join({Login("+OK 2 300"),
                Recheck(2, 200),
                Retrieve(2),
                {"C: DELE 2", "S: +OK message 2 deleted"},
                Quit()}));
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(),
              Join({LoginCommands(), {"UIDL 2", "LIST 2", "TOP 2 1", "RETR 2", "DELE 2", "QUIT"}}));
    // The first progress is of the capability list, asked with the login.
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnProgress unknown", "OnTransferringData",
                                    "OnProgress unknown", "OnRetrieving 1", "OnProgress known",
                                    "OnUserMessageSave 1", "OnRetrieved 1", "OnDeleting 1",
                                    "OnDeleted 1", "OnDataTransfered", "OnClosing", "OnClosed"));
    EXPECT_EQ(saved, kMessageBytes);
    EXPECT_TRUE(folder.IsEmpty());
    EXPECT_TRUE(pop.Info().Items(1).MarkedForRetrieval());  // the caller clears the marks
    EXPECT_TRUE(pop.Info().Items(1).MarkedForDeletion());
}

TEST_F(ProcessMarkedTest, WithoutHandlerTheMessageIsSavedUnderItsIndex) {
    Listed(2);
    pop.SelectForRetrieval(1);
    testsupport::TempFolder folder;
    pop.SetMessageDirectory(folder.path().string());  // no trailing "/"
    Serve(Join({Login("+OK 2 300"), Recheck(2, 200), Retrieve(2), Quit()}));
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_EQ(testsupport::FileBytes(folder.File("msg_1.eml")), kMessageBytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_THAT(events, ::testing::Contains("OnRetrieved 1"));
}

TEST_F(ProcessMarkedTest, UnwritableMessageDirectoryStopsTheRun) {
    Listed(1);
    pop.SelectForRetrieval(0);
    testsupport::TempFolder folder;
    pop.SetMessageDirectory(folder.File("missing"));
    Serve(Join({Login("+OK 1 100"), Recheck(1, 100), Retrieve(1), {"silence"}}));
    EXPECT_THROW(pop.ProcessMarked(), EMailError);
    EXPECT_THAT(events, ::testing::Not(::testing::Contains("OnRetrieved 0")));
}

struct MovedCase {
    const char* name;
    std::vector<std::string> headersNow;  // what the server now holds under that number
};

void PrintTo(const MovedCase& c, std::ostream* out) {
    *out << c.name;
}

class MovedMessageTest : public ProcessMarkedTest,
                         public ::testing::WithParamInterface<MovedCase> {};

// Another client changed the mailbox since the listing, so number 1 is another message now. It
// is neither retrieved nor deleted; the run goes on with message 2, which is still itself.
TEST_P(MovedMessageTest, IsSkippedAndTheRunGoesOn) {
    Listed(2);
    pop.SelectForRetrieval(0);
    pop.SelectForDeletion(0);
    pop.SelectForDeletion(1);
    Serve(Join({Login("+OK 2 300"),
                Recheck(1, 100, GetParam().headersNow),
                Recheck(2, 200),
                {"C: DELE 2", "S: +OK message 2 deleted"},
                Quit()}));
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_EQ(
        server->received(),
        Join({LoginCommands(),
              {"UIDL 1", "LIST 1", "TOP 1 1", "UIDL 2", "LIST 2", "TOP 2 1", "DELE 2", "QUIT"}}));
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnTransferringData", "OnSkipped 0", "OnDeleting 1",
                                    "OnDeleted 1", "OnDataTransfered", "OnClosing", "OnClosed"));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, MovedMessageTest,
    ::testing::Values(
        MovedCase{"other-message", {"From: someone@example.net", "Subject: newer"}},
        MovedCase{"one-letter-differs", {"From: sender1@example.org", "Subject: message 9"}},
        MovedCase{"one-more-line", {"From: sender1@example.org", "Subject: message 1", "X-A: b"}},
        MovedCase{"one-line-less", {"From: sender1@example.org"}},
        MovedCase{"same-lines-other-order", {"Subject: message 1", "From: sender1@example.org"}},
        MovedCase{"trailing-blank", {"From: sender1@example.org", "Subject: message 1 "}}),
    testsupport::ParamName());

// A number the server no longer knows belongs to a message that is gone.
TEST_F(ProcessMarkedTest, VanishedMessageIsSkipped) {
    Listed(2);
    pop.SelectForDeletion(1);
    Serve(Join({Login("+OK 1 100"),
                {"C: UIDL 2", "S: -ERR no such message", "C: LIST 2", "S: -ERR no such message",
                 "C: TOP 2 1", "S: -ERR no such message"},
                Quit()}));
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(), Join({LoginCommands(), {"UIDL 2", "LIST 2", "TOP 2 1", "QUIT"}}));
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnTransferringData", "OnSkipped 1",
                                    "OnDataTransfered", "OnClosing", "OnClosed"));
}

TEST_F(ProcessMarkedTest, RefusedDeletionIsReportedAndTheRunGoesOn) {
    Listed(2);
    pop.SelectForDeletion(0);
    pop.SelectForDeletion(1);
    Serve(Join({Login("+OK 2 300"),
                Recheck(1, 100),
                Recheck(2, 200),
                {"C: DELE 1", "S: -ERR message 1 is locked"},
                {"C: DELE 2", "S: +OK message 2 deleted"},
                Quit()}));
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnTransferringData", "OnDeleting 0",
                                    "OnDeleteRefused 0 -ERR message 1 is locked", "OnDeleting 1",
                                    "OnDeleted 1", "OnDataTransfered", "OnClosing", "OnClosed"));
    EXPECT_EQ(server->received().back(), "QUIT");
}

// A POP3 server deletes only when the session ends with QUIT; a run that fails part-way is cut
// off without it, so the DELE already accepted does not take effect and nothing was deleted.
TEST_F(ProcessMarkedTest, RunThatFailsPartWayEndsWithoutQuit) {
    Listed(2);
    pop.SelectForDeletion(0);
    pop.SelectForRetrieval(1);
    Serve(Join({Login("+OK 2 300"),
                Recheck(1, 100),
                Recheck(2, 200),
                {"C: DELE 1", "S: +OK message 1 deleted"},
                {"C: RETR 2", "S: -ERR message 2 is locked"},
                {"silence"}}));
    EXPECT_THROW(pop.ProcessMarked(), EServerError);
    EXPECT_FALSE(pop.Connected());
    ExpectScriptFollowed();
    EXPECT_THAT(server->received(), ::testing::Not(::testing::Contains("QUIT")));
}

TEST_F(ProcessMarkedTest, MarksAreSetAndClearedPerMessage) {
    Listed(3);
    pop.SelectForDeletion(0);
    pop.SelectForRetrieval(1);
    pop.SelectForDeletion(1);
    pop.SelectForRetrieval(2);
    pop.Deselect(1);
    EXPECT_TRUE(pop.Info().Items(0).MarkedForDeletion());
    EXPECT_FALSE(pop.Info().Items(0).MarkedForRetrieval());
    EXPECT_EQ(pop.Info().Items(1).Flags, 0);
    EXPECT_EQ(pop.Info().Items(2).Flags, TmsRemoteInfoItem::kMarkedForRetrieval);
    EXPECT_THROW(pop.SelectForDeletion(3), std::out_of_range);
    EXPECT_THROW(pop.Deselect(-1), std::out_of_range);
}

struct DirectoryCase {
    const char* name;
    const char* value;
    const char* stored;
};

void PrintTo(const DirectoryCase& c, std::ostream* out) {
    *out << c.name;
}

class MessageDirectoryTest : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(MessageDirectoryTest, EndsInASlashUnlessEmpty) {
    TmsRemotePOP pop;
    pop.SetMessageDirectory(GetParam().value);
    EXPECT_EQ(pop.MessageDirectory(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Values, MessageDirectoryTest,
                         ::testing::Values(DirectoryCase{"empty-stays-empty", "", ""},
                                           DirectoryCase{"slash-added", "/var/mail", "/var/mail/"},
                                           DirectoryCase{"slash-kept", "/var/mail/", "/var/mail/"},
                                           DirectoryCase{"relative", "inbox", "inbox/"},
                                           DirectoryCase{"root", "/", "/"}),
                         testsupport::ParamName());

}  // namespace
}  // namespace kelvane
