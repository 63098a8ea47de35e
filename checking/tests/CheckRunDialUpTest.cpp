#include <gmock/gmock.h>

#include <filesystem>
#include <memory>
#include <string>

#include "CaseName.h"
#include "CheckRunFixture.h"
#include "FakeDialUp.h"
#include "TagRas.h"

namespace kelvane::checktest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::FakeCommands;
using testsupport::FakeLine;

// Peers "beta" and "alpha" on a fake line, given to the run in place of the real ones.
class DialUpRunTest : public CheckRunFixture {
  protected:
    DialUpRunTest() {
        for (const char* peer : {"beta", "alpha"}) {
            testsupport::WriteFileBytes(peers.File(peer), "");
        }
        run->SetDialUpFactory([this] {
            ++made;
            return std::make_unique<TagRas>(peers.path().string(),
                                            std::make_unique<FakeCommands>(line),
                                            [this] { return line.up; });
        });
    }
    // The component's commands act on `line`, which goes before the fixture's run.
    ~DialUpRunTest() override { run.reset(); }

    // The entry the client is linked to; "" when it has no link.
    std::string LinkedEntry() const {
        const auto* linked = dynamic_cast<const TagRas*>(run->client().RAS);
        return linked == nullptr ? "" : linked->Service();
    }

    testsupport::TempFolder peers;
    FakeLine line;
    int made = 0;
};

struct PositionCase {
    const char* name;
    int ras;
    const char* rasName;
    const char* entry;
};

class DialUpPositionTest : public DialUpRunTest,
                           public ::testing::WithParamInterface<PositionCase> {};

TEST_P(DialUpPositionTest, LinksTheClientToTheStoredEntry) {
    Configure(1, "mail.invalid", "ann", true);
    model.general.ras = GetParam().ras;
    model.general.rasName = GetParam().rasName;
    run->LoadCurrentMailbox();
    EXPECT_EQ(LinkedEntry(), GetParam().entry);
    EXPECT_EQ(made, GetParam().ras > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialUpPositionTest,
                         ::testing::Values(PositionCase{"none", 0, "", ""},
                                           PositionCase{"first", 1, "", "alpha"},
                                           PositionCase{"second", 2, "", "beta"},
                                           PositionCase{"past-the-entries", 3, "", ""},
                                           PositionCase{"name-over-position", 1, "beta", "beta"},
                                           PositionCase{"name-gone", 1, "gamma", ""},
                                           PositionCase{"name-but-none-chosen", 0, "beta", ""}),
                         testsupport::ParamName());

TEST_F(DialUpRunTest, ACheckDialsBeforeConnectingAndHangsUpAfterClosing) {
    model.general.ras = 2;
    line.pollsBeforeUp = 1;
    Serve(Join({Login("+OK 0 0"), Quit()}));
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
    EXPECT_THAT(front.statuses, ::testing::IsSupersetOf({"Dialing...", "Successfully connected"}));

    model.general.ras = 0;
    run->LoadCurrentMailbox();
    EXPECT_EQ(run->client().RAS, nullptr);
}

// A position alone (an older file) names its peer once; a peer added before it later must not
// take its place.
TEST_F(DialUpRunTest, APeerAddedBeforeTheChosenOneLeavesTheChoiceAlone) {
    model.general.ras = 2;
    run->LoadCurrentMailbox();
    EXPECT_EQ(LinkedEntry(), "beta");
    EXPECT_EQ(model.general.rasName, "beta");

    testsupport::WriteFileBytes(peers.File("aardvark"), "");
    line.pollsBeforeUp = 1;
    Serve(Join({Login("+OK 0 0"), Quit()}));
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_THAT(line.commands, ElementsAre("pon beta", "poff beta"));
}

TEST_F(DialUpRunTest, AChosenPeerThatIsGoneDialsNoOther) {
    model.general.ras = 1;
    model.general.rasName = "alpha";
    run->LoadCurrentMailbox();
    ASSERT_EQ(LinkedEntry(), "alpha");

    // "beta" now stands at the stored position.
    std::filesystem::remove(peers.File("alpha"));
    Serve(Join({Login("+OK 0 0"), Quit()}));
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_EQ(run->client().RAS, nullptr);
    EXPECT_TRUE(line.commands.empty()) << ::testing::PrintToString(line.commands);
}

TEST_F(DialUpRunTest, AFailedDialEndsTheRunWithItsText) {
    model.general.ras = 1;
    line.dialExit = 8;
    Serve({});
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    EXPECT_THAT(front.boxes.shown, ElementsAre("error: The connect script failed"));
    EXPECT_THAT(LogText(), HasSubstr("ERROR The connect script failed FOR ann ON "));
    EXPECT_THAT(line.commands, ElementsAre("pon alpha", "poff alpha"));
}

}  // namespace
}  // namespace kelvane::checktest
