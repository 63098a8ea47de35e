#include "HeaderParameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MailErrors.h"

namespace kelvane {
namespace {

using Entries = std::vector<std::string>;

TEST(GetFieldAddresses, SplitsTheFieldIntoEntries) {
    struct Case {
        const char* name;
        TmsHeaders headers;
        const char* field;
        Entries entries;
    };
    const Case cases[] = {
        {"single", {"To: ann@x.org"}, "TO", {"ann@x.org"}},
        {"trimmed-entries", {"To: a@x ,  b@y  "}, "TO", {"a@x", "b@y"}},
        {"quoted-comma-kept",
         {"To: \"Lee, Ann\" <ann@x>, bob@y"},
         "TO",
         {"\"Lee, Ann\" <ann@x>", "bob@y"}},
        {"repeated-fields-add-up", {"To: a@x", "Subject: s", "TO: b@y"}, "TO", {"a@x", "b@y"}},
        {"continuation-lines",
         {"Cc: a@x,", "  b@y, c@z", "\td@w", "From: f@v"},
         "CC",
         {"a@x", "b@y", "c@z", "d@w"}},
        {"continuation-commas-not-protected",
         {"To: a@x,", " \"Lee, Ann\" <ann@x>"},
         "TO",
         {"a@x", "\"Lee", "Ann\" <ann@x>"}},
        {"line-with-colon-ends-continuation", {"To: a@x", " group: b@y"}, "TO", {"a@x"}},
        {"name-matches-prefix-of-longer-field", {"Toto: a@x"}, "TO", {"a@x"}},
        {"case-of-field-name-ignored", {"bcc: a@x"}, "BCC", {"a@x"}},
        {"trailing-comma-adds-nothing", {"To: a@x,"}, "TO", {"a@x"}},
        {"inner-empty-entry-kept", {"To: a@x,,b@y"}, "TO", {"a@x", "", "b@y"}},
        {"char-after-colon-dropped", {"To:a@x, b@y"}, "TO", {"@x", "b@y"}},
        {"matching-line-without-colon-stops", {"To a@x", "To: b@y"}, "TO", {}},
        {"absent", {"From: a@x"}, "TO", {}},
        {"encoded-words-decoded",
         {"To: =?utf-8?Q?J=C3=B6rg?=, =?utf-8?B?QW5u?="},
         "TO",
         {"J\xC3\xB6rg", "Ann"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFieldAddresses(c.headers, c.field), c.entries) << c.name;
    }
}

TEST(GetFieldAddresses, MalformedEncodedWordStaysAsItStands) {
    EXPECT_EQ(GetFieldAddresses({"To: =?utf-8?B?#?= <a@x>"}, "TO"),
              std::vector<std::string>{"=?utf-8?B?#?= <a@x>"});
}

TEST(GetParameter, ReadsQuotedAndUnquotedValues) {
    struct Case {
        const char* name;
        const char* parameter;
        const char* value;
        const char* result;
    };
    const Case cases[] = {
        {"quoted", "boundary", "multipart/mixed; boundary=\"a b;c\"", "a b;c"},
        {"unquoted-last", "charset", "text/plain; charset=iso-8859-1", "iso-8859-1"},
        {"unquoted-trailing-semicolon", "charset", "text/plain; charset=us-ascii; format=flowed",
         "us-ascii"},
        {"quoted-trailing-semicolon", "name", "application/pdf; name=\"a.pdf\"; x=y", "a.pdf"},
        {"name-case-ignored", "BOUNDARY", "multipart/mixed; Boundary=XyZ", "XyZ"},
        {"value-case-kept", "boundary", "multipart/mixed; boundary=AbC", "AbC"},
        {"quote-not-closed", "name", "x; name=\"open end", "open end"},
        {"found-inside-longer-name", "name", "attachment; filename=\"r.doc\"", "r.doc"},
        {"no-blank-before-next", "charset", "text/plain; charset=utf-8;format=flowed",
         "utf-8;format=flowed"},
        {"absent", "charset", "text/plain", ""},
        {"empty-value", "name", "x; name=", ""},
        {"name-at-very-end", "name", "x; name", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetParameter(c.parameter, c.value), c.result) << c.name;
    }
}

TEST(GetMediaType, TakesTheTextBeforeBlankOrSemicolon) {
    struct Case {
        const char* name;
        const char* value;
        const char* result;
    };
    const Case cases[] = {
        {"with-parameters", "text/plain; charset=x", "text/plain"},
        {"no-blank-before-semicolon", "text/html;charset=x", "text/html"},
        {"blank-only", "image/png name=x", "image/png"},
        {"alone", "application/pdf", "application/pdf"},
        {"case-kept", "Text/HTML", "Text/HTML"},
        {"empty", "", ""},
        {"leading-semicolon", "; charset=x", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetMediaType(c.value), c.result) << c.name;
    }
}

}  // namespace
}  // namespace kelvane
