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
        ProgramCase{"an-unknown-field-code-makes-it-invalid",
                    "[Desktop Entry]\nExec=thunderbird %z\n", ""},
        ProgramCase{"a-lone-percent-at-the-end-too", "[Desktop Entry]\nExec=thunderbird 5%\n", ""},
        ProgramCase{"flatpak-runs-flatpak",
                    "[Desktop Entry]\nExec=flatpak run org.mozilla.Thunderbird %u\n", "flatpak"},
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
    // Every code of the Exec key goes; quoting is undone first, so "%%" counts inside quotes.
    EXPECT_EQ(ExecWords("m %f %F %u %U %d %D %n %N %i %c %k %v %m \"50%% off\" \"\""),
              (std::vector<std::string>{"m", "50% off", ""}));
}

struct WordsCase {
    const char* name;
    const char* command;
    std::vector<std::string> words;
};

class CommandWordsTest : public ::testing::TestWithParam<WordsCase> {};

TEST_P(CommandWordsTest, FollowTheExecQuoting) {
    EXPECT_EQ(CommandWords(GetParam().command), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandWordsTest,
    ::testing::Values(WordsCase{"blanks-part-words", " a\tb\r\nc  ", {"a", "b", "c"}},
                      WordsCase{"quotes-keep-blanks",
                                "\"/opt/Mail Reader/reader\" -c",
                                {"/opt/Mail Reader/reader", "-c"}},
                      WordsCase{"quote-inside-a-word", "--to=\"a b\"c", {"--to=a bc"}},
                      WordsCase{"escapes-inside-quotes", "\"\\\"\\`\\$\\\\\"", {"\"`$\\"}},
                      WordsCase{"other-backslashes-stay", "\"a\\qb\" c\\d", {"a\\qb", "c\\d"}},
                      WordsCase{"single-quotes-are-plain", "'a b'", {"'a", "b'"}},
                      WordsCase{"percent-is-plain", "mail %u 100%", {"mail", "%u", "100%"}},
                      WordsCase{"empty-quotes-are-an-empty-word", "a \"\" b", {"a", "", "b"}},
                      WordsCase{"unclosed-quote-ends-the-word", "a \"b c", {"a", "b c"}},
                      WordsCase{"nothing", "", {}}),
    ParamName());

TEST(CommandLine, QuotesOnlyWhatNeedsItAndSplitsBackToTheSameWords) {
    EXPECT_EQ(CommandLine({"/usr/bin/flatpak", "run", "org.mozilla.Thunderbird", "@@u", "@@"}),
              "/usr/bin/flatpak run org.mozilla.Thunderbird @@u @@");
    EXPECT_EQ(CommandLine({"/opt/Mail Reader/reader", "a\"b$c`d\\e", ""}),
              "\"/opt/Mail Reader/reader\" \"a\\\"b\\$c\\`d\\\\e\" \"\"");
    const std::vector<std::string> words{"",      "a b", "tab\there", "cr\rlf\n", "q\"uote",
                                         "'",     "\\",  "$HOME",     "~",        "x|y&z;",
                                         "*?#()", "<>",  "100%",      "%u",       "plain"};
    EXPECT_EQ(CommandWords(CommandLine(words)), words);
}

}  // namespace
}  // namespace kelvane
