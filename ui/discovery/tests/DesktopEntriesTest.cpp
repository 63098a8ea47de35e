#include "DesktopEntries.h"

#include <gtest/gtest.h>

#include "CaseName.h"

namespace kelvane {
namespace {

using testsupport::ParamName;

struct ListCase {
    const char* name;
    const char* list;
    std::vector<std::string> entries;
};

class DefaultMailtoEntriesTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(DefaultMailtoEntriesTest, NamesTheHandlersInOrder) {
    EXPECT_EQ(DefaultMailtoEntries(GetParam().list), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, DefaultMailtoEntriesTest,
    ::testing::Values(
        ListCase{"one",
                 "[Default Applications]\nx-scheme-handler/mailto=thunderbird.desktop\n",
                 {"thunderbird.desktop"}},
        ListCase{"several-with-blanks-and-trailing-semicolon",
                 "[Default Applications]\r\nx-scheme-handler/mailto= a.desktop ; b.desktop;;\r\n",
                 {"a.desktop", "b.desktop"}},
        ListCase{"only-added-association",
                 "[Added Associations]\nx-scheme-handler/mailto=geary.desktop;\n",
                 {}},
        ListCase{"other-schemes-only",
                 "[Default Applications]\nx-scheme-handler/http=firefox.desktop\n"
                 "text/html=firefox.desktop\n",
                 {}},
        ListCase{"not-a-list-at-all", "\x01\x02 garbage\n[\n=\n", {}}),
    ParamName());

struct ProgramCase {
    const char* name;
    const char* desktopFile;
    const char* program;
};

class DesktopEntryProgramTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(DesktopEntryProgramTest, IsTheFirstWordOfExec) {
    EXPECT_EQ(DesktopEntryProgram(GetParam().desktopFile), GetParam().program);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DesktopEntryProgramTest,
    ::testing::Values(
        ProgramCase{"plain", "[Desktop Entry]\nType=Application\nExec=thunderbird %u\n",
                    "thunderbird"},
        ProgramCase{"quoted-path-with-blank",
                    "[Desktop Entry]\nExec=\"/opt/Mail Reader/reader\" --compose %U\n",
                    "/opt/Mail Reader/reader"},
        ProgramCase{"escaped-quote-inside-quotes",
                    "[Desktop Entry]\nExec=\"/opt/say \\\\\"hi\\\\\"/mail\" %u\n",
                    "/opt/say \"hi\"/mail"},
        ProgramCase{"quote-escaped-only-once",
                    "[Desktop Entry]\nExec=\"/opt/say \\\"hi\\\"/mail\" %u\n",
                    "/opt/say \"hi\"/mail"},
        ProgramCase{"blank-written-as-escape-inside-quotes",
                    "[Desktop Entry]\nExec=\"/opt/my\\smail\" %u\n", "/opt/my mail"},
        ProgramCase{"blank-written-as-escape-parts-words",
                    "[Desktop Entry]\nExec=/opt/my\\smail %u\n", "/opt/my"},
        ProgramCase{"env-prefix", "[Desktop Entry]\nExec=env GTK_THEME=Adwaita:dark geary %U\n",
                    "geary"},
        ProgramCase{"env-by-path-with-two-settings",
                    "[Desktop Entry]\nExec=/usr/bin/env A=1 B=2 sylpheed\n", "sylpheed"},
        ProgramCase{"double-percent", "[Desktop Entry]\nExec=mail%%reader %u\n", "mail%reader"},
        ProgramCase{"leading-blanks", "[Desktop Entry]\nExec=   kmail -caption %c\n", "kmail"},
        ProgramCase{"unclosed-quote", "[Desktop Entry]\nExec=\"/opt/mail\n", "/opt/mail"},
        ProgramCase{"field-codes-only", "[Desktop Entry]\nExec=%u %U\n", ""},
        ProgramCase{"env-without-program", "[Desktop Entry]\nExec=env A=1\n", ""},
        ProgramCase{"hidden", "[Desktop Entry]\nHidden=true\nExec=thunderbird %u\n", ""},
        ProgramCase{"a-link-not-an-application", "[Desktop Entry]\nType=Link\nExec=thunderbird\n",
                    ""},
        ProgramCase{"exec-only-in-an-action",
                    "[Desktop Entry]\nName=Mail\n[Desktop Action compose]\nExec=mail -c\n", ""},
        ProgramCase{"empty-file", "", ""}),
    ParamName());

TEST(ExecWords, DropFieldCodesAndKeepQuotedBlanks) {
    EXPECT_EQ(
        ExecWords("claws-mail --compose %u --select \"Inbox A\" %% x%fy"),
        (std::vector<std::string>{"claws-mail", "--compose", "--select", "Inbox A", "%", "xy"}));
}

}  // namespace
}  // namespace kelvane
