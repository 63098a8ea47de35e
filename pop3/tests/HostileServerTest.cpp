// The POP3 client against servers that misbehave: whatever a server sends, a check ends within
// its time-out per line, with bounded memory and a clear error, and never reads a reply against
// the wrong command.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

#include "CaseName.h"
#include "MailErrors.h"
#include "MailHeaders.h"
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
using pop3test::Script;
using pop3test::Sizes;
using pop3test::Top;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

// One byte of `text` every 300 ms, then the rest of the line at once.
Script Trickle(const std::string& text, const std::string& rest) {
    Script steps;
    for (const char c : text) steps.insert(steps.end(), {"S~ " + std::string(1, c), "sleep 300"});
    steps.push_back("S: " + rest);
    return steps;
}

// LIST 1 answered with `reply`, in a mailbox of one message, by a server with no list of all
// sizes.
Script ListReply(const std::string& reply) {
    return Join({Login("+OK 1 100"),
                 {"C: LIST", "S: -ERR not that way", "C: LIST 1", "S: " + reply, "silence"}});
}

// The list of all sizes in a mailbox of two messages, with `lines` for its lines.
Script SizeList(const Script& lines) {
    return Join({Login("+OK 2 200"), {"C: LIST", "S: +OK"}, lines, {"S: .", "silence"}});
}

const std::string kSizesOutOfStep =
    "ESocketError: The server's list of message sizes does not match its message count";

std::string BadSize(const std::string& reply) {
    return "ESocketError: The server gave message 1 a size that is not a number: " + reply;
}

const std::string kUnasked = std::string("ESocketError: ") + kUnaskedReply;
const std::string kTimedOut = std::string("ETimedOutError: ") + kOperationTimedOut;

struct HostileCase {
    const char* name;
    Script script;
    std::string outcome;  // "listed: <subject of each message>" or "<error class>: <text>"
};

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

class HostileServerTest : public pop3test::Pop3Session,
                          public ::testing::WithParamInterface<HostileCase> {
  protected:
    std::string Check() {
        try {
            pop.UpdateInfo();
        } catch (const ESocketError& e) {
            return std::string("ESocketError: ") + e.what();
        } catch (const ETimedOutError& e) {
            return std::string("ETimedOutError: ") + e.what();
        } catch (const EServerError& e) {
            return std::string("EServerError: ") + e.what();
        }
        std::string listed = "listed:";
        for (int i = 0; i < pop.Info().Count(); ++i) {
            listed += " " + GetFieldValue(pop.Info().Items(i).Headers, "Subject");
        }
        return listed;
    }
};

// A failed check is reported once through OnError, with the raised text, and leaves no session
// behind that a later command could read out of step.
TEST_P(HostileServerTest, EndsWithAClearOutcome) {
    pop.TimeOut = 1;
    Serve(GetParam().script);
    const std::string outcome = Check();
    EXPECT_EQ(outcome, GetParam().outcome);
    if (outcome.rfind("listed:", 0) == 0) {
        ExpectScriptFollowed();
        return;
    }
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, Not(Contains("OnInfoUpdated")));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), outcome.substr(outcome.find(": ") + 2));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    ::testing::Values(
        // Every byte comes before the time-out, but the line as a whole does not.
        HostileCase{
            "trickling-greeting",
            Join({Trickle("+OK slow", "ly ready"),
                  PlainCapa(),
                  {"C: USER ann", "S: +OK", "C: PASS s3cret!", "S: +OK", "C: STAT", "S: +OK 0 0"},
                  Quit()}),
            kTimedOut},
        HostileCase{"trickling-header-line",
                    Join({Login("+OK 1 100"),
                          Sizes({100}),
                          {"C: TOP 1 1", "S: +OK"},
                          Trickle("Subject: ", "slow"),
                          {"S: ."},
                          Quit()}),
                    kTimedOut},
        // Read in step, the second greeting would answer CAPA, and every reply after it would
        // answer the command before.
        HostileCase{
            "greeting-sent-twice",
            {"S: +OK ready\r\n+OK ready", "C: CAPA", "S: +OK", "S: .", "C: USER ann", "S: +OK",
             "C: PASS s3cret!", "S: +OK", "C: STAT", "S: +OK 3 300", "C: QUIT", "S: +OK"},
            kUnasked},
        HostileCase{"line-after-the-stat-reply",
                    Join({Login("+OK 1 100\r\n+OK Logged in."), {"silence"}}), kUnasked},
        HostileCase{"negative-size", ListReply("+OK 1 -5"), BadSize("+OK 1 -5")},
        HostileCase{"word-for-size", ListReply("+OK 1 abc"), BadSize("+OK 1 abc")},
        HostileCase{"size-beyond-64-bits", ListReply("+OK 1 18446744073709551616"),
                    BadSize("+OK 1 18446744073709551616")},
        HostileCase{"size-with-unit", ListReply("+OK 1 12kB"), BadSize("+OK 1 12kB")},
        HostileCase{"size-with-sign", ListReply("+OK 1 +5"), BadSize("+OK 1 +5")},
        HostileCase{"no-size", ListReply("+OK 1"), BadSize("+OK 1")},
        HostileCase{"word-for-size-in-the-list", SizeList({"S: 1 100", "S: 2 abc"}),
                    "ESocketError: The server gave message 2 a size that is not a number: 2 abc"},
        HostileCase{"list-out-of-order", SizeList({"S: 2 100", "S: 1 100"}), kSizesOutOfStep},
        HostileCase{"list-with-a-message-missing", SizeList({"S: 1 100"}), kSizesOutOfStep},
        HostileCase{"list-with-a-message-too-many", SizeList({"S: 1 100", "S: 2 100", "S: 3 100"}),
                    kSizesOutOfStep},
        HostileCase{"list-longer-than-its-message-count-allows",
                    SizeList({"S: 1 100 " + std::string(300, 'x'), "S: 2 100"}), kSizesOutOfStep},
        HostileCase{"list-numbered-with-a-word", SizeList({"S: one 100", "S: 2 100"}),
                    kSizesOutOfStep},
        HostileCase{"largest-size",
                    Join({Login("+OK 1 100"),
                          {"C: LIST", "S: +OK", "S: 1 9223372036854775807 octets", "S: ."},
                          Top(1),
                          Quit()}),
                    "listed: message 1"},
        HostileCase{"bare-line-feeds",
                    {"S~ +OK ready\n", "C: CAPA", "S~ +OK\nTOP\n.\n", "C: USER ann", "S~ +OK\n",
                     "C: PASS s3cret!", "S~ +OK\n", "C: STAT", "S~ +OK 2 200\n", "C: LIST",
                     "S~ +OK\n1 100\n2 100\n.\n", "C: TOP 1 1", "S~ +OK\nSubject: lf\n\nbody\n.\n",
                     "C: TOP 2 1", "S~ +OK\nSubject: mixed\r\n\n.\r\n", "C: QUIT", "S~ +OK\n"},
                    "listed: lf mixed"}),
    testsupport::ParamName());

// A header block of 3 MiB: the first MiB is kept, the rest read and dropped, and the session
// goes on in step with the server.
TEST_F(HostileServerTest, HeaderFloodKeepsOneMebibyte) {
    const std::string line = "X-Flood: " + std::string(1014, 'x');
    Script flood = {"C: TOP 1 1", "S: +OK", "S: Subject: flood"};
    for (int i = 0; i < 3 * 1024; ++i) flood.push_back("S: " + line);
    Serve(Join({Login("+OK 1 100"), Sizes({100}), flood, {"S: ", "S: body", "S: ."}, Quit()}));
    EXPECT_EQ(Check(), "listed: flood");
    ExpectScriptFollowed();
    std::size_t kept = 0;
    for (const std::string& header : pop.Info().Items(0).Headers) kept += header.size() + 2;
    EXPECT_LE(kept, TmsRemotePOP::kLongestHeaderBlock + 2);
    EXPECT_GE(kept, TmsRemotePOP::kLongestHeaderBlock - line.size());
}

// The look-again before DELE reads the same flood the same way, so the message still matches.
TEST_F(HostileServerTest, FloodedMessageCanStillBeDeleted) {
    const std::vector<std::string> headers(2000, "X-Flood: " + std::string(1014, 'y'));
    pop.KeepConnected = true;
    Serve(Join({Login("+OK 1 100"),
                Sizes({100}),
                Top(1, headers),
                pop3test::Recheck(1, 100, headers),
                {"C: DELE 1", "S: +OK"},
                Quit()}));
    pop.UpdateInfo();
    pop.SelectForDeletion(0);
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_THAT(events, Contains("OnDeleted 0"));
}

// Downloads of message 1, listed with 100 bytes, by a server that sends `block` after "+OK"
// to RETR 1; the listing runs first so that the look-again before RETR finds it unchanged.
class DownloadTest : public pop3test::Pop3Session {
  protected:
    static constexpr int kListedSize = 100;

    void Download(const Script& block) {
        pop.KeepConnected = true;
        Serve(Join({Login("+OK 1 100"),
                    Sizes({kListedSize}),
                    Top(1),
                    pop3test::Recheck(1, kListedSize),
                    {"C: RETR 1", "S: +OK message follows"},
                    block}));
        pop.UpdateInfo();
        pop.SetMessageDirectory(folder.path().string());
        pop.OnProgress = [this](TagSocket&, int, long long transferred) {
            mostReceived = std::max(mostReceived, transferred);
        };
        pop.SelectForRetrieval(0);
        raised = pop3test::RaisedText<ESocketError>([this] { pop.ProcessMarked(); });
    }

    testsupport::TempFolder folder;
    long long mostReceived = 0;  // the most of the block held before a piece was added
    std::string raised;
};

const std::string kTooLarge =
    "Message 1 is much larger than the server listed it (100 bytes), so its download was stopped "
    "and nothing of it was kept";

// Without an end the download would fill memory; it stops at its bound instead, with a clear
// error, and leaves neither a message file nor a session behind.
TEST_F(DownloadTest, EndlessMessageStopsAtItsBoundAndKeepsNothing) {
    Script endless;
    for (int i = 0; i < 2048; ++i) endless.push_back("S: " + std::string(1022, 'z'));  // 2 MiB
    endless.push_back("silence");
    Download(endless);
    EXPECT_EQ(raised, kTooLarge);
    EXPECT_EQ(errors, std::vector<std::string>{kTooLarge});
    EXPECT_LE(mostReceived, static_cast<long long>(TmsCustomPOP::LongestDownload(kListedSize)));
    EXPECT_TRUE(folder.IsEmpty());
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, Not(Contains("OnRetrieved 0")));
}

struct BoundCase {
    const char* name;
    std::size_t beyond;  // bytes of the whole block, terminator included, past the bound
    bool kept;
};

void PrintTo(const BoundCase& c, std::ostream* out) {
    *out << c.name;
}

class DownloadBoundTest : public DownloadTest, public ::testing::WithParamInterface<BoundCase> {};

// A block of exactly twice the listed size and the margin is the message, however far it is
// from the listed size; one byte more is not.
TEST_P(DownloadBoundTest, HoldsToTheLastByte) {
    const std::size_t bound = TmsCustomPOP::LongestDownload(kListedSize);
    Script block;
    std::size_t size = 3;  // ".\r\n"
    for (; size + 1024 <= bound; size += 1024) block.push_back("S: " + std::string(1022, 'z'));
    block.push_back("S: " + std::string(bound - size - 2 + GetParam().beyond, 'y'));
    block.insert(block.end(), {"S: .", "C: QUIT", "S: +OK"});
    Download(block);
    EXPECT_EQ(raised, GetParam().kept ? "(nothing raised)" : kTooLarge);
    EXPECT_EQ(std::filesystem::exists(folder.File("msg_0.eml")), GetParam().kept);
    if (GetParam().kept) {
        EXPECT_EQ(std::filesystem::file_size(folder.File("msg_0.eml")), bound);
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, DownloadBoundTest,
                         ::testing::Values(BoundCase{"at-the-bound", 0, true},
                                           BoundCase{"one-byte-past", 1, false}),
                         testsupport::ParamName());

TEST(LongestDownloadTest, IsTwiceTheListedSizeAndTheMarginUpToTheCap) {
    constexpr std::size_t kMargin = TmsCustomPOP::kDownloadMargin;
    constexpr std::size_t kCap = TmsCustomPOP::kLargestDownload;
    const struct {
        long long listed;
        std::size_t longest;
    } cases[] = {
        {0, kMargin},
        {100, 200 + kMargin},
        {static_cast<long long>((kCap - kMargin) / 2) - 1, kCap - 2},
        {static_cast<long long>((kCap - kMargin) / 2), kCap},
        {std::numeric_limits<long long>::max(), kCap},  // no overflow on the way
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TmsCustomPOP::LongestDownload(c.listed), c.longest) << c.listed;
    }
}

}  // namespace
}  // namespace kelvane
