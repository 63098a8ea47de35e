#include "PeerCommands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "CaseName.h"
#include "RasErrors.h"
#include "TagRas.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using testsupport::FileBytes;
using testsupport::ParamName;
using testsupport::TempFolder;
using testsupport::WriteFileBytes;

struct NameCase {
    const char* name;
    std::string peer;
    bool safe;
};

class SafePeerNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SafePeerNameTest, AcceptsOnlyPlainNames) {
    EXPECT_EQ(SafePeerName(GetParam().peer), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafePeerNameTest,
    ::testing::Values(NameCase{"plain", "provider", true},
                      NameCase{"punctuated", "isp-2.backup_1+x@y:z,a=b", true},
                      NameCase{"empty", "", false}, NameCase{"hidden", ".provider", false},
                      NameCase{"option", "-d", false}, NameCase{"path", "../provider", false},
                      NameCase{"inner-slash", "a/b", false}, NameCase{"blank", "my isp", false},
                      NameCase{"command", "$(reboot)", false}, NameCase{"pattern", "isp*", false},
                      NameCase{"semicolon", "a;b", false}, NameCase{"line-end", "isp\n", false},
                      NameCase{"nul", std::string("isp\0x", 5), false},
                      NameCase{"non-ascii", "f\xc3\xbcr", false}),
    ParamName());

// The real runner with stand-in pon and poff scripts that note their arguments, one line per
// run ("pon 1 isp-one": the count, then the arguments). The "link" is up while a file exists:
// poff removes it; what pon does after noting its arguments is the test's.
class SpawnedPeerCommandsTest : public ::testing::Test {
  protected:
    void WriteScript(const std::string& name, const std::string& body) {
        const std::string path = folder.File(name);
        WriteFileBytes(path, "#!/bin/sh\nprintf '%s %s' " + name + " \"$#\" >> '" + Calls() +
                                 "'\nprintf ' %s' \"$@\" >> '" + Calls() + "'\necho >> '" +
                                 Calls() + "'\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    void MakeScripts(const std::string& ponBody) {
        WriteScript("pon", ponBody);
        WriteScript("poff", "rm -f '" + Up() + "'");
        WriteFileBytes(peers.File("isp-one"), "");
    }
    std::unique_ptr<TagRas> Ras(const std::string& ponProgram) {
        auto ras = std::make_unique<TagRas>(
            peers.path().string(),
            std::make_unique<SpawnedPeerCommands>(ponProgram, folder.File("poff")),
            [this] { return std::filesystem::exists(Up()); });
        ras->TimeOut = 5;
        ras->SetService("isp-one");
        return ras;
    }
    std::string Calls() const { return folder.File("calls"); }
    std::string Up() const { return folder.File("up"); }

    TempFolder folder;
    TempFolder peers;
};

TEST_F(SpawnedPeerCommandsTest, RunsPonAndPoffWithThePeerAsTheirOnlyArgument) {
    MakeScripts(": > '" + Up() + "'");
    auto ras = Ras(folder.File("pon"));
    ras->EnsureConnected();
    EXPECT_TRUE(ras->Connected());
    ras->Release();
    ras.reset();  // waits for poff
    EXPECT_EQ(FileBytes(Calls()), "pon 1 isp-one\npoff 1 isp-one\n");
    EXPECT_FALSE(std::filesystem::exists(Up()));
}

struct SpawnFailureCase {
    const char* name;
    const char* ponBody;
    const char* raised;
};

class SpawnedPeerCommandsFailureTest : public SpawnedPeerCommandsTest,
                                       public ::testing::WithParamInterface<SpawnFailureCase> {};

TEST_P(SpawnedPeerCommandsFailureTest, AFailingPonIsHungUp) {
    MakeScripts(GetParam().ponBody);
    auto ras = Ras(folder.File("pon"));
    std::string raised = "nothing";
    try {
        ras->EnsureConnected();
    } catch (const ERASError& error) {
        raised = std::to_string(error.Number()) + ": " + error.what();
    }
    EXPECT_EQ(raised, GetParam().raised);
    ras.reset();
    EXPECT_EQ(FileBytes(Calls()), "pon 1 isp-one\npoff 1 isp-one\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpawnedPeerCommandsFailureTest,
    ::testing::Values(SpawnFailureCase{"exit-status", "exit 7",
                                       "7: The serial port could not be opened"},
                      SpawnFailureCase{"killed", "kill -TERM $$", "143: RAS error no 143"}),
    ParamName());

TEST_F(SpawnedPeerCommandsTest, APonThatCannotRunRaisesItsReason) {
    MakeScripts("exit 0");
    auto ras = Ras(folder.File("missing-pon"));
    std::string raised = "nothing";
    try {
        ras->EnsureConnected();
    } catch (const ERASError& error) {
        raised = error.what();
    }
    EXPECT_EQ(raised, "Cannot run " + folder.File("missing-pon") + ": No such file or directory");
    ras.reset();
    EXPECT_EQ(FileBytes(Calls()), "");
}

TEST_F(SpawnedPeerCommandsTest, AnUnsafeNameRunsNothing) {
    MakeScripts("exit 0");
    SpawnedPeerCommands commands(folder.File("pon"), folder.File("poff"));
    for (const char* peer : {"../isp-one", "-d", "isp one"}) {
        EXPECT_THROW(commands.Dial(peer), ERASError) << peer;
        EXPECT_THROW(commands.HangUp(peer), ERASError) << peer;
    }
    EXPECT_EQ(FileBytes(Calls()), "");
}

}  // namespace
}  // namespace kelvane
