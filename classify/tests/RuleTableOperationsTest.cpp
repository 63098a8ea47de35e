#include "RuleTableOperations.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

RuleTable SubjectTable(std::initializer_list<const char*> values) {
    RuleTable table(RuleTableKind::Subject);
    for (const char* value : values) AppendRule(table, SubjectKeywordRule(value));
    return table;
}

std::vector<std::string> Column(const RuleTable& table, int column) {
    std::vector<std::string> cells;
    for (int r = 1; r < table.rowCount(); ++r) cells.push_back(table.cell(column, r));
    return cells;
}

TEST(AppendRule, FillsThePlaceholderOfAnEmptyTableThenAddsAtTheEnd) {
    RuleTable table(RuleTableKind::Subject);
    ASSERT_TRUE(table.isEmpty());
    AppendRule(table, SubjectKeywordRule("free"));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.row(1), (RuleRow{"", "Contains (whole word)", "free", "No", "Yes", "0"}));
    AppendRule(table, SubjectKeywordRule("cash"));
    EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"free", "cash"}));
}

TEST(InsertRuleAtTop, NewRuleBecomesRowOne) {
    RuleTable table = SubjectTable({"free", "cash"});
    InsertRuleAtTop(table, SpamSubjectRule("Buy now"));
    EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"Buy now", "free", "cash"}));
    EXPECT_EQ(table.row(1), (RuleRow{"", "Equals", "Buy now", "Yes", "Yes", "1"}));

    RuleTable empty(RuleTableKind::Sender);
    InsertRuleAtTop(empty, SpamSenderRule("a@b.example"));
    EXPECT_EQ(empty.rowCount(), 2) << "the placeholder does not linger below the rule";
    EXPECT_EQ(empty.row(1), (RuleRow{"", "E-mail address", "Equals", "a@b.example", "Yes", "1"}));
}

TEST(MadeRows, HaveTheirStoredFormAndPicture) {
    RuleTable exceptions(RuleTableKind::Exceptions);
    AppendRule(exceptions, ExceptionAddressRule("friend@example.org"));
    EXPECT_EQ(exceptions.row(1),
              (RuleRow{"E-mail address", "Equals", "friend@example.org", "No", "0", "", "3"}));
    EXPECT_EQ(exceptions.picture(1), 3);

    RuleTable headers(RuleTableKind::Header);
    InsertRuleAtTop(headers, OwnAddressRule("ann"));
    EXPECT_EQ(headers.row(1),
              (RuleRow{"", "To does not contain", "ann - MailBox #1", "No", "Yes", "0"}));
    EXPECT_EQ(headers.picture(1), 0);
}

TEST(ImportRuleLine, SkipsBlankLinesAndTrimsTheRest) {
    RuleTable table(RuleTableKind::Subject);
    EXPECT_FALSE(ImportRuleLine(table, "", SubjectKeywordRule));
    EXPECT_FALSE(ImportRuleLine(table, " \r\n\b ", SubjectKeywordRule));
    EXPECT_TRUE(table.isEmpty());
    EXPECT_TRUE(ImportRuleLine(table, "\t  viagra \r\n", SubjectKeywordRule));
    EXPECT_TRUE(ImportRuleLine(table, "casino", SubjectKeywordRule));
    EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"viagra", "casino"}));
}

TEST(DeleteDupsFromGrid, RemovesOnlyAdjacentEqualRows) {
    RuleTable table = SubjectTable({"a", "a", "b", "a", "c", "c", "c"});
    DeleteDupsFromGrid(table);
    EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"a", "b", "a", "c"}));

    RuleTable hits = SubjectTable({"a", "a"});
    hits.setCell(5, 2, "7");
    DeleteDupsFromGrid(hits);
    EXPECT_EQ(hits.rowCount(), 3) << "rules with different hit counts both stay";
}

TEST(DeleteDupsFromGrid, IgnoresTheHiddenPictureNumberOfExceptions) {
    RuleTable table(RuleTableKind::Exceptions);
    AppendRule(table, ExceptionAddressRule("x@y"));
    AppendRule(table, ExceptionAddressRule("x@y"));
    table.setCell(kExceptionPictureNumberColumn, 2, "9");
    DeleteDupsFromGrid(table);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.picture(1), 3);
}

TEST(CheckGridAdv, SetsTheDeleteFlagAndThePictureFollows) {
    RuleTable table = SubjectTable({"a"});
    CheckGridAdv(table, 1, false);
    EXPECT_EQ(table.cell(4, 1), "No");
    EXPECT_EQ(table.picture(1), 1);
    CheckGridAdv(table, 1, true);
    EXPECT_EQ(table.picture(1), 0);
    CheckGridAdv(table, 0, false);
    CheckGridAdv(table, 5, false);
    EXPECT_EQ(table.cell(4, 0), "Del?");
}

TEST(BumpUpGrid, CountsHitsInTheHitColumn) {
    RuleTable subjects = SubjectTable({"a"});
    BumpUpGrid(subjects, 1, false);
    BumpUpGrid(subjects, 1, false);
    EXPECT_EQ(subjects.cell(5, 1), "2");
    BumpUpGrid(subjects, 1, /*explaining=*/true);
    EXPECT_EQ(subjects.cell(5, 1), "2") << "an explanation never counts";

    subjects.setCell(5, 1, "abc");
    BumpUpGrid(subjects, 1, false);
    EXPECT_EQ(subjects.cell(5, 1), "1");

    RuleTable exceptions(RuleTableKind::Exceptions);
    AppendRule(exceptions, ExceptionAddressRule("x@y"));
    BumpUpGrid(exceptions, 1, false);
    EXPECT_EQ(exceptions.cell(4, 1), "1");
    BumpUpGrid(exceptions, 0, false);
    EXPECT_EQ(exceptions.cell(4, 0), "Hits");
}

TEST(RuleTablePicture, ExceptionPictureNumbers) {
    struct Case {
        const char* cell;
        int picture;
    };
    const Case cases[] = {{"", 3},  {"7", 7},           {"14", 14},
                          {"0", 0}, {"15", kNoPicture}, {"-1", kNoPicture},
                          {"x", 3}, {"3a", 3},          {" 4", 3}};
    RuleTable table(RuleTableKind::Exceptions);
    AppendRule(table, ExceptionAddressRule("x@y"));
    for (const Case& c : cases) {
        table.setCell(kExceptionPictureNumberColumn, 1, c.cell);
        EXPECT_EQ(table.picture(1), c.picture) << "cell '" << c.cell << "'";
    }
}

}  // namespace
}  // namespace kelvane
