#include "RuleFile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "RuleTableOperations.h"

namespace kelvane {
namespace {

const char kSubjectFile[] =
    "6,2\r\n"
    "cw 0,20\r\ncw 1,112\r\ncw 2,231\r\ncw 3,29\r\ncw 4,39\r\ncw 5,38\r\n"
    "1,0,What\r\n2,0,Matches\r\n3,0,Case\r\n4,0,Del?\r\n5,0,Hits\r\n"
    "1,1,Contains\r\n2,1,free\r\n3,1,No\r\n4,1,Yes\r\n5,1,0\r\n";

RuleTable RoundTrip(const RuleTable& table) {
    RuleTable back(table.kind());
    EXPECT_TRUE(ReadRuleFileText(WriteRuleFileText(table), back));
    return back;
}

TEST(RuleFile, ReadsAndWritesTheDocumentedExampleByteForByte) {
    RuleTable table(RuleTableKind::Subject);
    ASSERT_TRUE(ReadRuleFileText(kSubjectFile, table));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.columnCount(), 6);
    EXPECT_EQ(table.cell(2, 1), "free");
    EXPECT_EQ(table.columnWidth(2), 231);
    EXPECT_EQ(table.picture(1), 0);
    EXPECT_EQ(WriteRuleFileText(table), kSubjectFile);
}

TEST(RuleFile, CellTextSurvivesRoundTrip) {
    struct Case {
        const char* name;
        std::string typed;
        std::string readBack;
    };
    const Case cases[] = {
        {"commas", "a,b,,c,", "a,b,,c,"},
        {"crlf", "line one\r\nline two", "line one\r\nline two"},
        {"typed-tab-becomes-cr", "a\tb", "a\rb"},
        {"typed-backspace-becomes-lf", "a\bb", "a\nb"},
        {"leading-blank", " x", " x"},
    };
    for (const Case& c : cases) {
        RuleTable table(RuleTableKind::Subject);
        AppendRule(table, SpamSubjectRule(c.typed));
        const std::string text = WriteRuleFileText(table);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 6 + 5 + 5) << c.name;
        EXPECT_EQ(RoundTrip(table).cell(2, 1), c.readBack) << c.name;
    }
}

TEST(RuleFile, EmptyTableWritesSizeWidthsAndHeadingsOnly) {
    const RuleTable table(RuleTableKind::Subject);
    EXPECT_EQ(WriteRuleFileText(table),
              "6,2\r\ncw 0,20\r\ncw 1,112\r\ncw 2,231\r\ncw 3,29\r\ncw 4,39\r\ncw 5,38\r\n"
              "1,0,What\r\n2,0,Matches\r\n3,0,Case\r\n4,0,Del?\r\n5,0,Hits\r\n");
}

TEST(RuleFile, SkipsWhatLiesOutsideTheTableOrDoesNotRead) {
    RuleTable table(RuleTableKind::Subject);
    ASSERT_TRUE(
        ReadRuleFileText("3,2\n"
                         "cw 7,99\ncw -1,5\ncw 1,abc\ncw 2,77\n"
                         "5,1,outside column\n1,9,outside row\n-1,1,negative\n"
                         "x,1,not a number\n1,1\n\n"
                         "1,1,kept, with comma\n",
                         table));
    EXPECT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.columnWidth(2), 77);
    EXPECT_EQ(table.cell(1, 1), "kept, with comma");
    EXPECT_EQ(table.cell(2, 1), "");
}

TEST(RuleFile, RejectsFilesThatDeclareNoTable) {
    const char* rejected[] = {"0,5\r\n", "6,0\r\n",  "6\r\n",           "abc\r\n",
                              "6,x\r\n", "-6,2\r\n", "6,999999999\r\n", "100000,2\r\n"};
    for (const char* text : rejected) {
        RuleTable table(RuleTableKind::Subject);
        AppendRule(table, SpamSubjectRule("keep me"));
        EXPECT_FALSE(ReadRuleFileText(text, table)) << text;
        EXPECT_EQ(table.cell(2, 1), "keep me") << "a rejected file leaves the table as it was";
    }
}

TEST(RuleFile, EmptyFirstLineKeepsTheTableSize) {
    RuleTable table(RuleTableKind::Subject);
    ASSERT_TRUE(ReadRuleFileText("\r\n1,1,Equals\r\n", table));
    EXPECT_EQ(table.columnCount(), 6);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.cell(1, 1), "Equals");
    EXPECT_EQ(table.cell(1, 0), "") << "cells the file does not name are empty";
}

}  // namespace
}  // namespace kelvane
