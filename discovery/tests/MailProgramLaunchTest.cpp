#include "MailProgramLaunch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CaseName.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

TEST(MailProgramLaunchTest, BlankMeansOnlyBlanksLineEndsAndBackspaces) {
    for (const char* blank : {"", " ", " \r\n\b "}) EXPECT_TRUE(IsBlankMailProgram(blank)) << blank;
    for (const char* named : {"thunderbird", " /usr/bin/evolution ", "\tx"}) {
        EXPECT_FALSE(IsBlankMailProgram(named)) << named;
    }
}

TEST(MailProgramLaunchTest, OnlyALowerCaseNetscapeGetsMail) {
    EXPECT_EQ(MailProgramParameters("/opt/netscape/netscape"), std::vector<std::string>{"-mail"});
    EXPECT_TRUE(MailProgramParameters("/opt/Netscape/Communicator").empty());
    EXPECT_TRUE(MailProgramParameters("/usr/bin/thunderbird").empty());
}

struct CommandCase {
    const char* name;
    const char* setting;  // "{tree}" stands for a folder that holds "Mail Reader/reader"
    std::vector<std::string> argv;
};

class MailProgramCommandTest : public ::testing::TestWithParam<CommandCase> {
  protected:
    std::string InTree(std::string text) const {
        const auto at = text.find("{tree}");
        return at == std::string::npos ? text : text.replace(at, 6, tree_.path().string());
    }

    testsupport::TempFolder tree_;
};

TEST_P(MailProgramCommandTest, GivesTheProgramThenItsArguments) {
    std::filesystem::create_directories(tree_.File("Mail Reader"));
    testsupport::WriteFileBytes(tree_.File("Mail Reader/reader"), "#!/bin/sh\n");
    std::vector<std::string> expected;
    for (const std::string& word : GetParam().argv) expected.push_back(InTree(word));
    EXPECT_EQ(MailProgramCommand(InTree(GetParam().setting)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MailProgramCommandTest,
    ::testing::Values(
        CommandCase{"existing-path-with-blanks-is-the-program-alone",
                    "{tree}/Mail Reader/reader",
                    {"{tree}/Mail Reader/reader"}},
        CommandCase{"missing-path-with-blanks-is-split",
                    "/nowhere/Mail Reader/reader",
                    {"/nowhere/Mail", "Reader/reader"}},
        CommandCase{"a-folder-is-no-program", "{tree}/Mail Reader", {"{tree}/Mail", "Reader"}},
        CommandCase{"plain-program", "/usr/bin/thunderbird", {"/usr/bin/thunderbird"}},
        CommandCase{"blanks-around-a-program", " /usr/bin/mutt \t", {"/usr/bin/mutt"}},
        CommandCase{"flatpak-line",
                    "/usr/bin/flatpak run org.mozilla.Thunderbird",
                    {"/usr/bin/flatpak", "run", "org.mozilla.Thunderbird"}},
        CommandCase{"env-wrapper",
                    "/usr/bin/env FOO=1 /usr/bin/thunderbird",
                    {"/usr/bin/env", "FOO=1", "/usr/bin/thunderbird"}},
        CommandCase{"quoted-arguments",
                    "\"{tree}/Mail Reader/reader\" --compose \"--subject=50% off\" \"\" 'x'",
                    {"{tree}/Mail Reader/reader", "--compose", "--subject=50% off", "", "'x'"}},
        CommandCase{"escapes-in-quotes", "mail \"a\\\"b\\$c\\\\d\"", {"mail", "a\"b$c\\d"}},
        CommandCase{"netscape-gets-mail-after-its-arguments",
                    "/opt/netscape/netscape -P work",
                    {"/opt/netscape/netscape", "-P", "work", "-mail"}},
        CommandCase{"netscape-behind-env",
                    "/usr/bin/env A=1 /opt/netscape/netscape",
                    {"/usr/bin/env", "A=1", "/opt/netscape/netscape", "-mail"}},
        CommandCase{"netscape-only-in-the-program",
                    "/usr/bin/thunderbird -P netscape",
                    {"/usr/bin/thunderbird", "-P", "netscape"}},
        CommandCase{"capital-netscape-gets-none",
                    "/opt/Netscape/Communicator",
                    {"/opt/Netscape/Communicator"}},
        CommandCase{"blank", " \r\n\b", {}}, CommandCase{"empty", "", {}},
        CommandCase{"an-empty-program", "\"\" --compose", {}}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane
