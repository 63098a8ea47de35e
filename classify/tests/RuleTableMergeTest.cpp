#include "RuleTableMerge.h"

#include <gtest/gtest.h>

#include <ostream>

#include "CaseName.h"
#include "SubjectRules.h"

namespace kelvane {
namespace {

using ruletest::Rules;
using ruletest::SubjectRules;
using ruletest::ValuesAndHits;

struct MergeCase {
    const char* name;
    Rules onDisk;   // the file as another program or a hand edit left it
    Rules loaded;   // as this program read it
    Rules current;  // in this program's memory
    Rules merged;
};

void PrintTo(const MergeCase& c, std::ostream* out) {
    *out << c.name;
}

class MergeRuleTableTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeRuleTableTest, PutsThisProgramsChangesIntoTheFile) {
    const MergeCase& c = GetParam();
    const RuleTable merged =
        MergeRuleTable(SubjectRules(c.onDisk), SubjectRules(c.loaded), SubjectRules(c.current));
    EXPECT_EQ(ValuesAndHits(merged), c.merged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeRuleTableTest,
    ::testing::Values(MergeCase{"both-programs-hits-add-up",
                                {{"free", "7"}, {"win", "2"}},
                                {{"free", "5"}, {"win", "0"}},
                                {{"free", "6"}, {"win", "0"}},
                                {{"free", "8"}, {"win", "2"}}},
                      MergeCase{"rule-added-by-hand-is-kept",
                                {{"cash", "0"}, {"free", "5"}, {"pills", "0"}},
                                {{"free", "5"}},
                                {{"free", "6"}},
                                {{"cash", "0"}, {"free", "6"}, {"pills", "0"}}},
                      MergeCase{"rule-edited-by-hand-leaves-its-old-hits-behind",
                                {{"freebie", "5"}, {"win", "0"}},
                                {{"free", "5"}, {"win", "0"}},
                                {{"free", "9"}, {"win", "1"}},
                                {{"freebie", "5"}, {"win", "1"}}},
                      MergeCase{"rule-removed-by-hand-stays-removed",
                                {{"win", "0"}},
                                {{"free", "5"}, {"win", "0"}},
                                {{"free", "6"}, {"win", "0"}},
                                {{"win", "0"}}},
                      MergeCase{"equal-rules-pair-up-in-order",
                                {{"free", "3"}, {"win", "0"}, {"free", "10"}},
                                {{"free", "1"}, {"free", "10"}},
                                {{"free", "2"}, {"free", "13"}},
                                {{"free", "4"}, {"win", "0"}, {"free", "13"}}},
                      MergeCase{
                          "new-row-above-the-old-ones-goes-on-top",
                          {{"free", "5"}, {"cash", "0"}},
                          {{"free", "5"}},
                          {{"Cheap pills", "1"}, {"Re: offer", "1"}, {"free", "5"}},
                          {{"Cheap pills", "1"}, {"Re: offer", "1"}, {"free", "5"}, {"cash", "0"}}},
                      MergeCase{"new-row-below-an-old-one-goes-at-the-end",
                                {{"free", "5"}, {"cash", "0"}},
                                {{"free", "5"}},
                                {{"free", "5"}, {"imported", "0"}},
                                {{"free", "5"}, {"cash", "0"}, {"imported", "0"}}},
                      MergeCase{"file-emptied-by-hand-keeps-only-new-rows",
                                {},
                                {{"free", "5"}},
                                {{"top", "1"}, {"free", "6"}, {"end", "0"}},
                                {{"top", "1"}, {"end", "0"}}},
                      MergeCase{"table-empty-at-load-its-new-rows-come-first",
                                {{"hand", "0"}},
                                {},
                                {{"mine", "1"}},
                                {{"mine", "1"}, {"hand", "0"}}},
                      MergeCase{"hit-cell-on-disk-that-is-no-number-counts-as-0",
                                {{"free", "abc"}},
                                {{"free", "5"}},
                                {{"free", "7"}},
                                {{"free", "2"}}},
                      MergeCase{"no-new-hits-leave-the-cell-as-written",
                                {{"free", "abc"}, {"win", ""}},
                                {{"free", "5"}, {"win", "0"}},
                                {{"free", "5"}, {"win", "0"}},
                                {{"free", "abc"}, {"win", ""}}}),
    testsupport::ParamName());

// An exception is every cell but its hits, its hidden picture number included.
TEST(MergeRuleTable, ExceptionsMatchOnEveryCellButTheirHits) {
    const auto exceptions = [](std::vector<std::pair<const char*, const char*>> pictureAndHits) {
        RuleTable table(RuleTableKind::Exceptions);
        for (const auto& [picture, hits] : pictureAndHits) {
            AppendRule(table,
                       {"E-mail address", "Equals", "mum@home.example", "No", hits, "", picture});
        }
        return table;
    };
    const RuleTable merged =
        MergeRuleTable(exceptions({{"9", "4"}, {"5", "0"}}), exceptions({{"9", "1"}, {"3", "0"}}),
                       exceptions({{"9", "2"}, {"3", "6"}}));
    ASSERT_EQ(merged.rowCount(), 3);
    EXPECT_EQ(merged.cell(4, 1), "5");
    EXPECT_EQ(merged.cell(4, 2), "0") << "the picture changed by hand: another rule";
}

TEST(MergeRuleTable, KeepsThisProgramsColumnWidths) {
    RuleTable current = SubjectRules({{"free", "1"}});
    current.setColumnWidth(2, 400);
    RuleTable onDisk = SubjectRules({{"free", "0"}});
    onDisk.setColumnWidth(2, 90);
    EXPECT_EQ(MergeRuleTable(onDisk, SubjectRules({{"free", "0"}}), current).columnWidth(2), 400);
}

}  // namespace
}  // namespace kelvane
