#include <gtest/gtest.h>

#include "RowBuilder.h"
#include "TmsRemoteInfo.h"

namespace kelvane {
namespace {

MessageEntry RowOf(TmsHeaders headers, int size = 42) {
    TmsRemoteInfoItem item;
    item.Size = size;
    item.Headers = std::move(headers);
    return BuildRow(item, DefaultListDate);
}

TEST(RowBuilderTest, FillsTheColumnsFromTheHeaderBlock) {
    const MessageEntry row = RowOf({"Subject: Re: lunch", "From: \"Ann Lee\" <ann@friends.test>",
                                    "Date: Tue, 14 Mar 2000 10:20:30 +0100"},
                                   1320);
    EXPECT_EQ(row, (MessageEntry{"Re: lunch", "ann@friends.test", "1320", "3/14/2000 10:20:30 AM",
                                 kNoMark, false}));
}

TEST(RowBuilderTest, MissingFieldsGiveEmptyColumns) {
    EXPECT_EQ(RowOf({"X-Other: 1"}, 0), (MessageEntry{"", "", "0", "", kNoMark, false}));
}

TEST(RowBuilderTest, MalformedEncodedWordsNeverStopTheListing) {
    for (const char* subject : {"=?", "=?x?Q?", "=?utf-8?B?@@@@?=", "=?utf-8?Q?=ZZ?= tail"}) {
        SCOPED_TRACE(subject);
        EXPECT_NO_THROW(RowOf({std::string("Subject: ") + subject, "From: =?x?B?*?= <a@b.test>"}));
    }
}

}  // namespace
}  // namespace kelvane
