#include "KnownSpammers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "AtomicFile.h"
#include "CaseName.h"
#include "KnownListText.h"
#include "PermissionsObeyed.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using Texts = std::vector<std::string>;

TEST(CompareKnownText, FoldsAsciiLettersThenComparesBytes) {
    EXPECT_EQ(CompareKnownText("Spam@Example.ORG", "spam@example.org"), 0);
    EXPECT_LT(CompareKnownText("abc", "ABD"), 0);
    EXPECT_LT(CompareKnownText("ab", "abc"), 0);
    EXPECT_GT(CompareKnownText("b", "A"), 0);
    // Letters fold to lower case, so '_' (0x5F) sorts before every letter.
    EXPECT_LT(CompareKnownText("a_", "aZ"), 0);
    // Bytes above 127 are neither folded nor taken as negative.
    EXPECT_GT(CompareKnownText("\xC9", "z"), 0);
    EXPECT_NE(CompareKnownText("\xC9", "\xE9"), 0);
}

TEST(KnownSpammers, LoadingSortsSoThatEveryEntryIsFound) {
    KnownSpammers list;
    list.LoadFromText(
        "zed@x.example\r\nAnn@Y.example\n\n  \r\n_under@z.example\r\n"
        "bob@x.example\n\xE9t\xE9@x.example\nMID@x.example");

    EXPECT_EQ(list.entries(), (Texts{"_under@z.example", "Ann@Y.example", "bob@x.example",
                                     "MID@x.example", "zed@x.example", "\xE9t\xE9@x.example"}));
    for (const std::string& entry : list.entries()) {
        EXPECT_TRUE(list.Contains(entry)) << entry;
    }
    EXPECT_TRUE(list.Contains("ann@y.EXAMPLE"));
    EXPECT_FALSE(list.Contains("ann@y.example.org"));
    EXPECT_FALSE(list.Contains(""));
}

TEST(KnownSpammers, EntriesAreComparedByTheirFirst80Characters) {
    const std::string longEntry = std::string(75, 'a') + "@long.example.org";
    KnownSpammers list;
    list.Assign({longEntry, "b@short.example"});

    EXPECT_TRUE(list.Contains(longEntry.substr(0, kKnownEntryCompareLength)));
    EXPECT_FALSE(list.Contains(longEntry)) << "the searched text is not cut";
    EXPECT_TRUE(list.Contains("B@SHORT.example"));
}

struct LookupCase {
    const char* name;
    const char* address;
    std::optional<KnownListMatch> expected;
};

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.name;
}

class KnownListLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(KnownListLookupTest, FindsTheAddressThenItsDomain) {
    KnownSpammers list;
    list.Assign({"SPAMMER@Bulk.Example", "bulk.example", "junk.example", "nodomain"});
    EXPECT_EQ(list.isInKnownList(GetParam().address), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, KnownListLookupTest,
    ::testing::Values(LookupCase{"upper-case-entry-matches-lower-case-sender",
                                 "spammer@bulk.example",
                                 KnownListMatch{"E-mail", "spammer@bulk.example"}},
                      LookupCase{"listed-domain", "anyone@junk.example",
                                 KnownListMatch{"Domain", "junk.example"}},
                      LookupCase{"domain-entry-needs-the-whole-domain-part",
                                 "anyone@mail.junk.example", std::nullopt},
                      LookupCase{"domain-entry-never-matches-a-user-part",
                                 "junk.example@other.example", std::nullopt},
                      LookupCase{"address-without-at-sign-listed", "nodomain",
                                 KnownListMatch{"E-mail", "nodomain"}},
                      LookupCase{"address-without-at-sign-not-listed", "someone", std::nullopt},
                      LookupCase{"unlisted", "friend@example.org", std::nullopt}),
    testsupport::ParamName());

TEST(KnownSpammers, LoadUpKnownListReplacesTheListAndAMissingFileEmptiesIt) {
    testsupport::TempFolder folder;
    const std::string path = folder.File("known.lst");
    testsupport::WriteFileBytes(path, "b@x.example\r\na@x.example\r\n");
    KnownSpammers list;
    list.Assign({"old@x.example"});

    list.LoadUpKnownList(path);
    EXPECT_EQ(list.entries(), (Texts{"a@x.example", "b@x.example"}));

    list.LoadUpKnownList(folder.File("missing.lst"));
    EXPECT_TRUE(list.empty());
}

TEST(KnownSpammers, UnreadableFileThrowsAndLeavesTheListEmpty) {
    testsupport::TempFolder folder;
    KnownSpammers list;
    list.Assign({"old@x.example"});
    // A folder exists but cannot be read as a file.
    EXPECT_THROW(list.LoadUpKnownList(folder.path().string()), FileError);
    EXPECT_TRUE(list.empty());
}

// The editor's text as the list keeps it: repeated lines in any letter case and numbered
// addresses go; bare domains and a last line without its line break stay.
TEST(KnownListFromEditor, KeepsTheLinesARealSenderCanBe) {
    const std::string text =
        "Spam@Junk.test\r\nspam@junk.test\n12_34@junk.test\n@junk.test\n\nbulk.test\n"
        "a1@mail.test\nlast.test";
    EXPECT_EQ(KnownListFromEditor(text),
              (Texts{"Spam@Junk.test", "bulk.test", "a1@mail.test", "last.test"}));
    EXPECT_EQ(KnownListFromEditor("one.test\n"), Texts{"one.test"});
    EXPECT_TRUE(KnownListFromEditor("").empty());
}

// Lines the editor cannot show as they are come back with their own bytes unless changed.
TEST(KnownListText, LinesTheEditorCannotShowKeepTheirBytesUntilChanged) {
    const std::string file = "bulk.test\r\ncaf\xE9.test\r\nt\tab.test\r\ncaf\xE8.test\r\n";
    const KnownListText text(file);
    const std::string shown = "bulk.test\ncaf\xEF\xBF\xBD.test\nt ab.test\ncaf\xEF\xBF\xBD.test\n";
    EXPECT_EQ(text.shown(), shown);
    EXPECT_TRUE(text.unchanged(shown));
    const std::string lines = "bulk.test\ncaf\xE9.test\nt\tab.test\ncaf\xE8.test\n";
    EXPECT_EQ(text.FileText(shown), lines) << "two lines shown alike go back in file order";

    // Another line edited, one added, the order changed: untouched lines keep their bytes.
    EXPECT_EQ(text.FileText("caf\xEF\xBF\xBD.test\nnew.test\nt ab.test\ncaf\xEF\xBF\xBD.test"),
              "caf\xE9.test\nnew.test\nt\tab.test\ncaf\xE8.test");
    // A third line shown alike was typed: there is no file line left for it.
    EXPECT_EQ(text.FileText(shown + "caf\xEF\xBF\xBD.test\n"), lines + "caf\xEF\xBF\xBD.test\n");
    // A changed line is taken as typed.
    EXPECT_EQ(text.FileText("caf\xC3\xA9.test\n"), "caf\xC3\xA9.test\n");
    EXPECT_EQ(KnownListText("a.test").shown(), "a.test");
    EXPECT_EQ(KnownListText().shown(), "");
}

TEST(KnownListText, WritesTheEntriesAsLinesEndedByCrLfAndRefusesAReadOnlyFile) {
    testsupport::TempFolder folder;
    const std::string path = folder.File("known.lst");
    WriteKnownListFile(path, {"a.test", "caf\xE9.test"});
    EXPECT_EQ(testsupport::FileBytes(path), "a.test\r\ncaf\xE9.test\r\n");

    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    const testsupport::PermissionsObeyed obeyed;
    if (!obeyed.obeyed()) GTEST_SKIP() << "root whose privilege cannot be lowered writes anything";
    try {
        WriteKnownListFile(path, {"b.test"});
        ADD_FAILURE() << "a read-only list was replaced";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Could not write " + path + ": Permission denied");
    }
    EXPECT_EQ(testsupport::FileBytes(path), "a.test\r\ncaf\xE9.test\r\n");
}

}  // namespace
}  // namespace kelvane
