#include "RuleDialogFields.h"

#include <gmock/gmock.h>

#include "CaseName.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A table whose row 1 is a new rule made by `fill`.
template <typename Fields, typename Fill>
RuleRow Filled(RuleTableKind kind, const Fields& fields, Fill fill) {
    RuleTable table(kind);
    fill(table, 1, fields);
    return table.row(1);
}

struct SubjectCase {
    const char* name;
    SubjectRuleFields fields;
    RuleRow row;
};

const SubjectCase kSubjectCases[] = {
    {"contains_case_sensitive_deleting",
     {0, "  free\t", true, true},
     {"", "Contains", "free", "Yes", "Yes", "0"}},
    {"equals_asking", {2, "cash", false, false}, {"", "Equals", "cash", "No", "No", "0"}},
    {"blank_drops_typed_text", {5, "typed", true, true}, {"", "Is blank", "", "", "Yes", "0"}},
    {"uppercase_drops_typed_text",
     {6, "typed", true, false},
     {"", "Is UPPERCASE", "", "", "No", "0"}},
};

class SubjectFieldsTest : public ::testing::TestWithParam<SubjectCase> {};

TEST_P(SubjectFieldsTest, FillMakesTheRowAndEditReadsItBack) {
    const SubjectCase& c = GetParam();
    RuleTable table(RuleTableKind::Subject);
    subjectAfterShowmodal(table, 1, c.fields);
    EXPECT_THAT(table.row(1), ElementsAreArray(c.row));

    const SubjectRuleFields back = SubjectFieldsFromRow(table, 1);
    EXPECT_EQ(back.op, c.fields.op);
    EXPECT_EQ(back.deletes, c.fields.deletes);
    EXPECT_EQ(back.text, c.row[2]);
}

INSTANTIATE_TEST_SUITE_P(Operators, SubjectFieldsTest, ::testing::ValuesIn(kSubjectCases),
                         testsupport::ParamName());

TEST(RuleDialogFieldsTest, EditingKeepsTheHitsAndANewRuleStartsAtZero) {
    RuleTable table(RuleTableKind::Sender);
    FromAfterShowModal(table, 1, {true, 4, ".sb", true});
    EXPECT_EQ(table.cell(5, 1), "0");
    table.setCell(5, 1, "17");
    FromAfterShowModal(table, 1, {false, 0, "bulk", false});
    EXPECT_THAT(table.row(1), ElementsAre("", "E-mail address", "Contains", "bulk", "No", "17"));
}

TEST(RuleDialogFieldsTest, BlankFieldsAreRefusedWithTheirMessages) {
    const std::string kNoMailbox =
        "No mailbox has a server to choose. Give a mailbox its server in the General settings "
        "first.";
    const std::pair<std::string, std::string> cases[] = {
        {SubjectFieldsError({0, " \r\n", false, true}), "The subject text cannot be left blank."},
        {SubjectFieldsError({6, "", false, true}), ""},
        {HeaderFieldsError({HeaderChoice::MessageHeader, 0, "", false, true, "", 1}),
         "The header text cannot be blank"},
        {HeaderFieldsError({HeaderChoice::ToDoesNotContain, 0, "", false, true, " ", 1}),
         "The TO field cannot be blank"},
        {HeaderFieldsError({HeaderChoice::ReplyToMismatch, 0, "", false, true, "", 1}), ""},
        // No mailbox has a server, so none was chosen; the message comes before the blank one.
        {HeaderFieldsError({HeaderChoice::ToDoesNotContain, 0, "", false, true, "ann", 0}),
         kNoMailbox},
        {HeaderFieldsError({HeaderChoice::ToDoesNotContain, 0, "", false, true, "", 0}),
         kNoMailbox},
        {SenderFieldsError({true, 3, "\b", true}), "The Sender field cannot be left blank."},
        {SenderFieldsError({true, 7, "", true}), ""},
        {ExceptionFieldsError({ExceptionChoice::Address, "", "x", 0, 0, "x", false, 3}),
         "The email line cannot be blank"},
        {ExceptionFieldsError({ExceptionChoice::Domain, "x", "", 0, 0, "x", false, 3}),
         "The domain line cannot be blank"},
        {ExceptionFieldsError({ExceptionChoice::HeaderLine, "x", "x", 0, 0, "", false, 3}),
         "The subject line cannot be blank"},
    };
    for (const auto& [error, expected] : cases) EXPECT_EQ(error, expected);
}

TEST(RuleDialogFieldsTest, HeaderChoicesOverwriteTheOperatorColumns) {
    const auto fill = [](HeaderRuleFields fields) {
        return Filled(RuleTableKind::Header, fields, headerAfterShowmodal);
    };
    EXPECT_THAT(fill({HeaderChoice::MessageHeader, 4, ".sb", false, true, "", 0}),
                ElementsAre("", "Ends with", ".sb", "No", "Yes", "0"));
    EXPECT_THAT(fill({HeaderChoice::ReplyToMismatch, 0, "x", true, true, "", 0}),
                ElementsAre("", "Sender", "does not match Reply-to", "No", "Yes", "0"));
    EXPECT_THAT(fill({HeaderChoice::SenderEqualsTo, 0, "x", true, false, "", 0}),
                ElementsAre("", "Sender", "equals To field", "No", "No", "0"));
    // The address's own mailbox suffix gives way to the mailbox chosen in the list.
    EXPECT_THAT(fill({HeaderChoice::ToDoesNotContain, 0, "", false, true, "ann - MailBox #2", 1}),
                ElementsAre("", "To does not contain", "ann - MailBox #1", "No", "Yes", "0"));
}

TEST(RuleDialogFieldsTest, HeaderRowsOpenWithTheirChoice) {
    RuleTable table(RuleTableKind::Header);
    table.setRowCount(4);
    table.insertRow(1, {"", "Contains", "X-Mailer: Floodgate", "Yes", "No", "3"});
    table.insertRow(2, {"", "Sender", "equals To field", "No", "Yes", "0"});
    table.insertRow(3, {"", "To does not contain", "ann - MailBox #7", "No", "Yes", "0"});

    const HeaderRuleFields plain = HeaderFieldsFromRow(table, 1);
    EXPECT_EQ(plain.choice, HeaderChoice::MessageHeader);
    EXPECT_EQ(plain.text, "X-Mailer: Floodgate");
    EXPECT_TRUE(plain.caseMatters);
    EXPECT_FALSE(plain.deletes);
    const HeaderRuleFields same = HeaderFieldsFromRow(table, 2);
    EXPECT_EQ(same.choice, HeaderChoice::SenderEqualsTo);
    EXPECT_EQ(same.text, "");
    const HeaderRuleFields to = HeaderFieldsFromRow(table, 3);
    EXPECT_EQ(to.choice, HeaderChoice::ToDoesNotContain);
    EXPECT_EQ(to.address, "ann");
    EXPECT_EQ(to.mailbox, 7);

    EXPECT_EQ(MailboxEntryText(2, "bob", "pop.example.org"), "2) bob - server pop.example.org");
    EXPECT_EQ(MailboxEntryNumber("12) bob - server x"), 12);
}

TEST(RuleDialogFieldsTest, SenderRuleWithoutTextEmptiesItsValue) {
    RuleTable table(RuleTableKind::Sender);
    FromAfterShowModal(table, 1, {false, 7, "typed before", true});
    EXPECT_THAT(table.row(1), ElementsAre("", "E-mail address", "All numeric", "", "Yes", "0"));
    const SenderRuleFields back = SenderFieldsFromRow(table, 1);
    EXPECT_FALSE(back.domain);
    EXPECT_EQ(back.op, 7);
    EXPECT_EQ(back.text, "");
}

TEST(RuleDialogFieldsTest, ExceptionsKeepTheirChoiceCaseAndPicture) {
    RuleTable table(RuleTableKind::Exceptions);
    exceptAfterShowmodal(table, 1,
                         {ExceptionChoice::Domain, "", "friends.test", 0, 3, "", false, 9});
    EXPECT_THAT(table.row(1),
                ElementsAre("Domain name", "Equals", "friends.test", "No", "0", "", "9"));
    EXPECT_EQ(table.picture(1), 9);

    exceptAfterShowmodal(table, 1,
                         {ExceptionChoice::HeaderLine, "", "", 2, 3, "lists.test", true, 4});
    EXPECT_THAT(table.row(1),
                ElementsAre("Reply-To:", "Starts with", "lists.test", "Yes", "0", "", "4"));

    const std::pair<std::string, int> headerLines[] = {
        {"Subject:", 0}, {"Subject", 0}, {"Any Header", 4}, {"X-Other:", -1}};
    for (const auto& [what, line] : headerLines) {
        table.setCell(0, 1, what);
        EXPECT_EQ(ExceptionFieldsFromRow(table, 1).headerLine, line) << what;
    }
    table.setCell(kExceptionPictureNumberColumn, 1, "");
    EXPECT_EQ(ExceptionFieldsFromRow(table, 1).picture, kDefaultExceptionPicture);
}

TEST(RuleDialogFieldsTest, PickListsAndRepeatedImportLines) {
    EXPECT_EQ(SubjectPickList().size(), 44u);
    EXPECT_EQ(SubjectPickList().back(), "XXX");
    EXPECT_EQ(SenderPickList().size(), 54u);
    EXPECT_EQ(SenderPickList()[44], "selective.marketing");
    EXPECT_EQ(HeaderPickList().size(), 15u);
    EXPECT_THAT(ExceptionHeaderLines(),
                ElementsAre("Subject:", "CC:", "Reply-To:", "To:", "Any Header"));

    const std::vector<std::string> lines = DropRepeatedLines({"free", "free", "cash", "free"});
    EXPECT_THAT(lines, ElementsAre("free", "cash", "free"));
    RuleTable table(RuleTableKind::Subject);
    for (const std::string& line : lines) ImportRuleLine(table, line, SubjectKeywordRule);
    ASSERT_EQ(table.rowCount(), 4);
    EXPECT_THAT(table.row(3), ElementsAre("", "Contains (whole word)", "free", "No", "Yes", "0"));
}

}  // namespace
}  // namespace kelvane
