#include "MailProgramLaunch.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kelvane
