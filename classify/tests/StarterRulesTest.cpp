#include "StarterRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClassificationFixture.h"
#include "SpamSettings.h"
#include "TempFolder.h"

namespace kelvane::passfixture {
namespace {

TEST(StarterRulesTest, AFolderWithoutRulesGetsThemAndAFolderWithRulesIsLeftAlone) {
    testsupport::TempFolder temp;
    SpamSettings fresh(temp.path().string());
    std::vector<std::string> problems;
    ASSERT_TRUE(WriteStarterRules(fresh, problems));
    EXPECT_TRUE(problems.empty());

    SpamSettings reread(temp.path().string());
    EXPECT_TRUE(reread.readSettings().empty());
    EXPECT_EQ(reread.subjects().rowCount() - 1, static_cast<int>(StarterSubjectRules().size()));
    for (int row = 1; row < reread.subjects().rowCount(); ++row) {
        EXPECT_EQ(reread.subjects().cell(4, row), "No") << "row " << row << " must not delete";
    }

    // Once the user has rules (even after removing the starter rows), none come back.
    testsupport::TempFolder other;
    testsupport::WriteFileBytes(other.File("except.lst"), "");
    SpamSettings edited(other.path().string());
    EXPECT_FALSE(WriteStarterRules(edited, problems));
    EXPECT_FALSE(std::filesystem::exists(other.File("subj.lst")));
}

TEST_F(ClassifierTest, StarterRulesAskRatherThanDelete) {
    AddRules(RuleTableKind::Subject, StarterSubjectRules());
    struct Case {
        const char* subject;
        MarkState expected;
    };
    const Case cases[] = {
        {"LOSE WEIGHT before summer", kQuestionMark}, {"Your casino bonus", kQuestionMark},
        {"100% FREE trial", kQuestionMark},           {"Occasional update from the team", kNoMark},
        {"Minutes of Tuesday's meeting", kNoMark},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject);
        const int index = AddMessage({c.subject, "someone@example.org", {}});
        classifier.MarkForDeletion(index);
        EXPECT_EQ(MarkOf(index), c.expected);
    }
}

}  // namespace
}  // namespace kelvane::passfixture
