#include "TagRas.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CaseName.h"
#include "EventPump.h"
#include "FakeDialUp.h"
#include "MailErrors.h"
#include "RasErrors.h"
#include "RecordingMessageBoxes.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testsupport::FakeCommands;
using testsupport::FakeLine;
using testsupport::ParamName;
using testsupport::TempFolder;
using testsupport::WriteFileBytes;

// What `action` raised, as "ETimedOutError: text".
std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERASError& e) {
        return "ERASError " + std::to_string(e.Number()) + ": " + e.what();
    } catch (const ETimedOutError& e) {
        return std::string("ETimedOutError: ") + e.what();
    } catch (const ECanceledError& e) {
        return std::string("ECanceledError: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
    return "nothing";
}

// A peers folder with "beta" and "alpha", a fake line and a one-second time-out.
class TagRasTest : public ::testing::Test {
  protected:
    TagRasTest() {
        for (const char* peer : {"beta", "alpha"}) WriteFileBytes(peers.File(peer), "ttyS0\n");
    }
    ~TagRasTest() override { SetEventPump({}); }

    void Make(const std::string& folder) {
        ras = std::make_unique<TagRas>(folder, std::make_unique<FakeCommands>(line),
                                       [this] { return line.up; });
        ras->TimeOut = 1;
        ras->Boxes = &boxes;
        ras->OnStatusChange = [this](TagRas&, const std::string& text) {
            statuses.push_back(text);
        };
        ras->OnDisconnected = [this](TagRas&) { ++disconnected; };
    }
    // A component set to dial "beta".
    void MakeForBeta() {
        Make(peers.path().string());
        ras->SetService("beta");
        ASSERT_EQ(ras->Service(), "beta");
    }

    TempFolder peers;
    FakeLine line;
    testsupport::RecordingMessageBoxes boxes;
    std::vector<std::string> statuses;
    int disconnected = 0;
    std::unique_ptr<TagRas> ras;
};

TEST_F(TagRasTest, EntriesAreThePeerFilesSortedByNameWithoutUnsafeNames) {
    for (const char* name : {"Zulu", ".hidden", "-option", "two words", "semi;colon", "a\\b"}) {
        WriteFileBytes(peers.File(name), "");
    }
    std::filesystem::create_directory(peers.path() / "folder");
    Make(peers.path().string());
    EXPECT_THAT(ras->Entries(), ElementsAre("Zulu", "alpha", "beta"));

    WriteFileBytes(peers.File("gamma"), "");
    EXPECT_THAT(ras->Entries(), ElementsAre("Zulu", "alpha", "beta", "gamma"));
    EXPECT_TRUE(ras->RasAvailable());
}

TEST_F(TagRasTest, AMissingPeersFolderGivesNoEntries) {
    Make(peers.File("no-such-folder"));
    EXPECT_THAT(ras->Entries(), IsEmpty());
    EXPECT_FALSE(ras->RasAvailable());
    EXPECT_EQ(ras->LastError(), ENOENT);
}

// Like choosing "None": without peers nothing can be chosen, dialled or hung up.
TEST_F(TagRasTest, WithoutPeersNothingIsDialled) {
    TempFolder empty;
    Make(empty.path().string());
    ras->SetService("beta");
    EXPECT_EQ(ras->Service(), "");
    EXPECT_THAT(boxes.shown,
                ElementsAre("error: TagRas component was unable to detect\rRAS on your system."));

    ras->EnsureConnected();
    ras->Release();
    EXPECT_THAT(line.commands, IsEmpty());
    EXPECT_EQ(disconnected, 0);
}

struct ServiceCase {
    const char* name;
    const char* value;
    const char* service;  // after setting "alpha", then `value`
};

class TagRasServiceTest : public TagRasTest, public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(TagRasServiceTest, TakesOnlyAnEntry) {
    Make(peers.path().string());
    ras->SetService("alpha");
    ras->SetService(GetParam().value);
    EXPECT_EQ(ras->Service(), GetParam().service);
    EXPECT_THAT(boxes.shown, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, TagRasServiceTest,
                         ::testing::Values(ServiceCase{"an-entry", "beta", "beta"},
                                           ServiceCase{"not-an-entry", "gamma", ""},
                                           ServiceCase{"another-case", "Beta", ""},
                                           ServiceCase{"a-path", "../beta", ""},
                                           ServiceCase{"empty", "", ""}),
                         ParamName());

TEST_F(TagRasTest, WithoutServiceNothingIsDialledNorHungUp) {
    Make(peers.path().string());
    ras->EnsureConnected();
    ras->Release();
    EXPECT_THAT(line.commands, IsEmpty());
    EXPECT_EQ(disconnected, 0);
}

struct DialCase {
    const char* name;
    int pollsBeforeExit;
};

class TagRasDialTest : public TagRasTest, public ::testing::WithParamInterface<DialCase> {};

// pon may hand the link to a pppd in the background and end at once, or stay until the link is
// up (updetach) or down (nodetach): either way the link decides.
TEST_P(TagRasDialTest, DialsTheEntryAndWaitsUntilTheLinkIsUp) {
    MakeForBeta();
    line.pollsBeforeExit = GetParam().pollsBeforeExit;
    line.pollsBeforeUp = 3;
    int pumped = 0;
    SetEventPump([&pumped] { ++pumped; });

    ras->EnsureConnected();
    EXPECT_TRUE(ras->Connected());
    EXPECT_THAT(line.commands, ElementsAre("pon beta"));
    EXPECT_THAT(statuses, ElementsAre("Initializing...", "Dialing...", "Successfully connected"));
    EXPECT_GE(pumped, 3);

    ras->Release();
    ras->Release();
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
    EXPECT_EQ(disconnected, 1);
    EXPECT_FALSE(ras->Connected());
}

INSTANTIATE_TEST_SUITE_P(Cases, TagRasDialTest,
                         ::testing::Values(DialCase{"pon-ends-at-once", 0},
                                           DialCase{"pon-still-running", 100}),
                         ParamName());

TEST_F(TagRasTest, ALinkAlreadyUpIsAdoptedAndLeftUp) {
    MakeForBeta();
    line.up = true;
    ras->EnsureConnected();
    ras->Release();
    EXPECT_THAT(line.commands, IsEmpty());
    EXPECT_TRUE(line.up);
    EXPECT_EQ(disconnected, 0);
}

TEST_F(TagRasTest, TheEntryCannotChangeWhileConnected) {
    MakeForBeta();
    line.up = true;
    ras->EnsureConnected();
    ras->SetService("alpha");
    EXPECT_EQ(ras->Service(), "beta");
    EXPECT_THAT(boxes.shown, ElementsAre("error: This property can be set only before\r"
                                         "establishing the connection"));
}

// Timed out, the dial goes on; it is still this component's to hang up.
TEST_F(TagRasTest, ALinkThatDoesNotComeUpTimesOut) {
    MakeForBeta();
    EXPECT_EQ(Raised([this] { ras->EnsureConnected(); }), "ETimedOutError: Operation timed out");
    EXPECT_THAT(line.commands, ElementsAre("pon beta"));
    EXPECT_FALSE(ras->Connected());

    ras->Release();
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
}

// The late link is the one this component dialled: not dialled twice, and hung up at the end.
TEST_F(TagRasTest, ALinkThatComesUpAfterTheTimeOutStaysThisComponents) {
    MakeForBeta();
    EXPECT_EQ(Raised([this] { ras->EnsureConnected(); }), "ETimedOutError: Operation timed out");
    line.up = true;
    ras->EnsureConnected();
    ras->Release();
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
}

// Release comes from a Cancel pressed during the wait: it only asks, and the wait hangs up.
TEST_F(TagRasTest, ReleaseDuringTheWaitCancelsAndHangsUp) {
    MakeForBeta();
    line.pollsBeforeExit = 1000;
    int pumped = 0;
    std::size_t commandsInHandler = 0;
    SetEventPump([&] {
        if (++pumped != 3) return;
        ras->Release();
        commandsInHandler = line.commands.size();
    });

    EXPECT_EQ(Raised([this] { ras->EnsureConnected(); }),
              "ECanceledError: Operation has been canceled");
    EXPECT_EQ(commandsInHandler, 1u);
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
    EXPECT_EQ(disconnected, 1);
    EXPECT_EQ(pumped, 3);
}

struct FailureCase {
    const char* name;
    bool cannotStart;
    int exit;
    const char* raised;
    std::vector<std::string> commands;
};

class TagRasFailureTest : public TagRasTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(TagRasFailureTest, AFailedDialRaisesAndHangsUpWhatStarted) {
    MakeForBeta();
    line.dialCannotStart = GetParam().cannotStart;
    line.dialExit = GetParam().exit;
    line.pollsBeforeExit = 2;

    EXPECT_EQ(Raised([this] { ras->EnsureConnected(); }), GetParam().raised);
    EXPECT_EQ(line.commands, GetParam().commands);
    EXPECT_FALSE(ras->Connected());
    ras->Release();
    EXPECT_EQ(line.commands, GetParam().commands);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TagRasFailureTest,
    ::testing::Values(FailureCase{"known-exit-status",
                                  false,
                                  8,
                                  "ERASError 8: The connect script failed",
                                  {"pon beta", "poff beta"}},
                      FailureCase{"other-exit-status",
                                  false,
                                  42,
                                  "ERASError 42: RAS error no 42",
                                  {"pon beta", "poff beta"}},
                      FailureCase{"pon-cannot-start",
                                  true,
                                  0,
                                  "ERASError 0: Cannot run pon: No such file or directory",
                                  {"pon beta"}}),
    ParamName());

TEST_F(TagRasTest, ASecondDialOfAnotherEntryFirstHangsUpTheOneThatNeverCameUp) {
    MakeForBeta();
    Raised([this] { ras->EnsureConnected(); });
    ras->SetService("alpha");
    line.pollsBeforeUp = 0;
    ras->EnsureConnected();
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta", "pon alpha"));
}

TEST_F(TagRasTest, GoingAwayHangsUpWhatItDialled) {
    MakeForBeta();
    line.pollsBeforeUp = 0;
    ras->EnsureConnected();
    ras.reset();
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
}

TEST(RasTextsTest, StatusTextsOfTheConnectionStates) {
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "Initializing..."},
        {1, ""},
        {2, "Dialing..."},
        {3, "Dialing..."},
        {4, "Dialing..."},
        {5, "Verifying user name and password"},
        {19, "Verifying user name and password"},
        {14, "User name and password verified"},
        {21, "Logging on to Network"},
        {8192, "Successfully connected"},
        {8193, ""},
    };
    for (const auto& [state, text] : expected) EXPECT_EQ(RASStatusStr(state), text) << state;
}

}  // namespace
}  // namespace kelvane
