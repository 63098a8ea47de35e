#include "KeptMessageFile.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

KeptMessage Described() {
    KeptMessage kept;
    kept.deletedAt = 1797000000;
    kept.mailbox = 3;
    kept.user = "ann";
    kept.server = "pop.example.org";
    kept.subject = std::string("Win\r\nKept: part\x01 \\x41 \xff", 24);
    kept.sender = "spam@bad.example";
    kept.size = "5120";
    kept.date = "11/12/2026 10:55";
    kept.mark = 0;
    kept.reasons = {"Subject contains \"win\"", ""};
    kept.originalSize = 5120;
    kept.whole = false;
    kept.keptSize = 7;
    return kept;
}

TEST(KeptMessageFileTest, DescriptionSurvivesAnyTextAndTheMessageIsByteForByte) {
    const std::string message("From: a\r\n\r\n\0.\r\n", 15);
    KeptMessage kept = Described();
    kept.keptSize = static_cast<long long>(message.size());
    const std::string file = FormatKeptMessage(kept, message);
    const auto parsed = ParseKeptMessage(file);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->kept, kept);
    EXPECT_EQ(file.substr(parsed->messageOffset), message);
    // Each value stays on its line whatever it held.
    EXPECT_EQ(file.find("\nKept: part\n"), file.find("\nKept:"));
}

TEST(KeptMessageFileTest, RefusesWhatItDidNotWrite) {
    const std::string good = FormatKeptMessage(Described(), "message");
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"empty", ""},
        {"another format", "Kelvane kept message 2\n" + good.substr(kKeptMessageMagic.size())},
        {"cut short", good.substr(0, good.size() - 1)},
        {"longer than its Length", good + "x"},
        {"no end of description", good.substr(0, good.find("\n\n"))},
        {"unknown key", std::string(kKeptMessageMagic) + "Owner: x\nLength: 0\n\n"},
        {"bad escape", std::string(kKeptMessageMagic) + "Subject: \\q\nLength: 0\n\n"},
        {"no Length", std::string(kKeptMessageMagic) + "Subject: x\n\n"},
        {"negative Length", std::string(kKeptMessageMagic) + "Length: -1\n\n"},
        {"huge Length", std::string(kKeptMessageMagic) + "Length: 99999999999999999999\n\n"},
        {"no colon", std::string(kKeptMessageMagic) + "Length 0\n\n"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ParseKeptMessage(c.file).has_value()) << c.name;
    }
}

TEST(KeptMessageFileTest, LargeMessagesKeepTheirHeaderBlockAndTheStartOfTheBody) {
    const std::string header = "Subject: big\r\nFrom: a@b.example\r\n\r\n";
    const std::string message = header + std::string(kBodyKeptOfLarge * 3, 'x');
    EXPECT_EQ(KeptPart(message, static_cast<long long>(message.size())), message);
    EXPECT_EQ(KeptPart(message, 1000), message.substr(0, header.size() + kBodyKeptOfLarge));
    // Without an empty line the whole message is header: cut at the limit all the same.
    const std::string endless(kBodyKeptOfLarge * 3, 'h');
    EXPECT_EQ(KeptPart(endless, 1000).size(), 1000 + kBodyKeptOfLarge);
}

TEST(KeptMessageFileTest, HeaderBlockEndsAtTheFirstEmptyLineOfEitherEnding) {
    const struct {
        const char* message;
        const char* header;
    } cases[] = {
        {"A: b\r\nC: d\r\n\r\nbody\r\n\r\nmore", "A: b\r\nC: d\r\n"},
        {"A: b\n\nbody", "A: b\n"},
        {"\r\nbody", ""},
        {"\nbody", ""},
        {"A: b\r\nno empty line", "A: b\r\nno empty line"},
        {"A: b\r\n \r\nfolded blank is no end\r\n", "A: b\r\n \r\nfolded blank is no end\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(HeaderBlockOf(c.message), c.header) << c.message;
}

TEST(KeptMessageFileTest, DataBlockLosesItsStuffingAndTerminator) {
    EXPECT_EQ(MessageOfDataBlock("A: b\r\n\r\n..dot\r\n.\r\n"), "A: b\r\n\r\n.dot\r\n");
    EXPECT_EQ(MessageOfDataBlock("x\r\n.\r\nafter\r\n"), "x\r\n");
    EXPECT_EQ(MessageOfDataBlock("no terminator"), "no terminator");
}

}  // namespace
}  // namespace kelvane
