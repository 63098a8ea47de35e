#include "MailMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EventPump.h"
#include "MailErrors.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

const Lines kErrorLines(const std::string& error) {
    return {"The following error has been occured while processing the message:", error,
            "The original message will be stored as an attachment"};
}

std::string DataPath(const std::string& name) {
    return std::string(KELVANE_MAIL_TEST_DATA) + "/" + name;
}

std::string ReadFixture(const std::string& name) {
    std::ifstream in(DataPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TmsMessage LoadFixture(const std::string& name) {
    TmsMessage message;
    message.LoadFromFile(DataPath(name));
    return message;
}

// A message file from its lines, each ended with CR LF.
std::string Eml(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

TmsMessage Decode(const std::string& data) {
    TmsMessage message;
    message.LoadFromBytes(data);
    return message;
}

void ExpectOriginalKept(const TmsMessage& message, const std::string& input) {
    ASSERT_FALSE(message.Attachments.empty());
    const TmsAttItem& original = message.Attachments.back();
    EXPECT_EQ(original.FileName, "original.eml");
    EXPECT_EQ(original.MediaType, "message/rfc822");
    EXPECT_EQ(original.Encoding, aeNone);
    EXPECT_EQ(original.Data, input);
}

const std::string kPdf("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< >>\nendobj\n");

TEST(MessageFile, PlainTextMessage) {
    const TmsMessage message = LoadFixture("plain-text.eml");
    EXPECT_EQ(message.Body, (Lines{"Hello Bob,", "", "shall we meet at noon?", "  Ann"}));
    EXPECT_EQ(message.Sender.Name, "Ann Lee");
    EXPECT_EQ(message.Sender.Address, "ann@example.org");
    ASSERT_EQ(message.Recipients.size(), 1u);
    EXPECT_EQ(message.Recipients[0].Address, "bob@example.net");
    EXPECT_EQ(message.Subject, "Lunch on Friday");
    EXPECT_EQ(message.Headers.size(), 4u);
    EXPECT_EQ(message.Headers[3], "Date: Tue, 14 Mar 2000 10:20:30 +0100");
    EXPECT_TRUE(message.Attachments.empty());
    EXPECT_EQ(message.Encoding, meMIME);
    EXPECT_EQ(message.CharSet, csUSASCII);
    EXPECT_EQ(message.ContentType, "");
}

TEST(MessageFile, MultipartMixedWithTextAndBase64Attachment) {
    const TmsMessage message = LoadFixture("multipart-mixed-base64-attachment.eml");
    EXPECT_EQ(message.Body, (Lines{"Here is the picture.", "Ann"}));
    ASSERT_EQ(message.Attachments.size(), 1u);
    const TmsAttItem& picture = message.Attachments[0];
    // The Content-Type name wins over the Content-Disposition file name.
    EXPECT_EQ(picture.FileName, "dot.png");
    EXPECT_EQ(picture.MediaType, "image/png");
    EXPECT_EQ(picture.Encoding, aeBase64);
    std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    for (int i = 0; i < 256; ++i) png.push_back(static_cast<char>(i));
    EXPECT_EQ(picture.Data, png);
    EXPECT_EQ(message.ContentType, "");
}

TEST(MessageFile, AlternativeNestedInMixed) {
    const TmsMessage message = LoadFixture("nested-alternative-in-mixed.eml");
    EXPECT_EQ(message.Body, Lines{"Your invoice is attached. Total: 12 \xE2\x82\xAC"});
    EXPECT_EQ(message.CharSet, csISO8859);
    ASSERT_EQ(message.Attachments.size(), 2u);
    const TmsAttItem& html = message.Attachments[0];
    EXPECT_EQ(html.FileName, "_alt.0");
    EXPECT_EQ(html.MediaType, "text/html");
    EXPECT_EQ(html.Encoding, aeNone);
    EXPECT_EQ(html.Data, "<p>Your invoice is attached.</p>\r\n");
    const TmsAttItem& invoice = message.Attachments[1];
    EXPECT_EQ(invoice.FileName, "invoice.pdf");
    EXPECT_EQ(invoice.MediaType, "application/pdf");
    EXPECT_EQ(invoice.Data, kPdf);
}

TEST(MessageFile, UuencodedAttachmentInPlainMessage) {
    const TmsMessage message = LoadFixture("uuencoded-attachment.eml");
    EXPECT_EQ(message.Body, (Lines{"The figures are below.", ""}));
    EXPECT_EQ(message.Encoding, meUU);
    ASSERT_EQ(message.Attachments.size(), 1u);
    EXPECT_EQ(message.Attachments[0].FileName, "figures.xls");
    EXPECT_EQ(message.Attachments[0].Encoding, aeUUEncode);
    EXPECT_EQ(message.Attachments[0].Data,
              std::string("Spreadsheet data\0\1\2\xFF\xFE end of file, and some more text to "
                          "need two lines of uuencode output here.",
                          96));
}

TEST(MessageFile, QuotedPrintableLatin1BodyIsShownAsUtf8) {
    const TmsMessage message = LoadFixture("quoted-printable-latin1.eml");
    EXPECT_EQ(message.Body,
              (Lines{"Gr\xC3\xBC\xC3\x9F"
                     "e aus M\xC3\xBCnchen, dies ist eine lange Zeile, die weich umbrochen wird.",
                     "Sch\xC3\xB6ne Gr\xC3\xBC\xC3\x9F"
                     "e"}));
    EXPECT_EQ(message.CharSet, csISO8859);
    EXPECT_EQ(message.Sender.Address, "joerg@example.de");
    EXPECT_TRUE(message.Attachments.empty());
}

TEST(MessageFile, MissingBoundaryGivesErrorLinesAndTheOriginal) {
    const TmsMessage message = LoadFixture("missing-boundary.eml");
    EXPECT_EQ(message.Body, kErrorLines("Cannot find boundary"));
    ASSERT_EQ(message.Attachments.size(), 1u);
    ExpectOriginalKept(message, ReadFixture("missing-boundary.eml"));
    EXPECT_EQ(message.Subject, "Broken");
}

TEST(MessageFile, Pop3TerminatorLineIsDropped) {
    const TmsMessage message = LoadFixture("pop3-terminator-line.eml");
    EXPECT_EQ(message.Body, Lines{"The last line of this file is the end of the server's answer."});
}

TEST(MessageFile, MessageLevelBase64Attachment) {
    const TmsMessage message = LoadFixture("message-level-pdf.eml");
    EXPECT_TRUE(message.Body.empty());
    ASSERT_EQ(message.Attachments.size(), 1u);
    EXPECT_EQ(message.Attachments[0].FileName, "statement.pdf");
    EXPECT_EQ(message.Attachments[0].MediaType, "application/pdf");
    EXPECT_EQ(message.Attachments[0].Encoding, aeBase64);
    EXPECT_EQ(message.Attachments[0].Data, kPdf);
}

TEST(MessageFile, HeaderFields) {
    const TmsMessage message = LoadFixture("header-fields.eml");
    EXPECT_EQ(message.Sender.Name, "Lee, Ann");
    EXPECT_EQ(message.Sender.Address, "ann@example.org");
    EXPECT_EQ(message.Subject, "T\xC3\xA4gliche report");
    ASSERT_EQ(message.Recipients.size(), 4u);
    EXPECT_EQ(message.Recipients[0].Name, "Bob, the Builder");
    EXPECT_EQ(message.Recipients[0].Address, "bob@example.net");
    EXPECT_EQ(message.Recipients[1].Address, "carol@example.net");
    EXPECT_EQ(message.Recipients[2].Name, "Dave");
    EXPECT_EQ(message.Recipients[3].Address, "grace@example.net");
    ASSERT_EQ(message.CC.size(), 1u);
    EXPECT_EQ(message.CC[0].Address, "eve@example.com");
    EXPECT_EQ(message.CC[0].Name, "Eve");
    ASSERT_EQ(message.BCC.size(), 1u);
    EXPECT_EQ(message.BCC[0].Address, "frank@example.com");
    EXPECT_EQ(message.Priority, ptHigh);
    EXPECT_TRUE(message.ReturnReceipt);
    EXPECT_EQ(message.Headers.size(), 10u);
    EXPECT_EQ(message.Body, Lines{"Body."});
}

TEST(MessageFile, PriorityAndReturnReceiptValues) {
    struct Case {
        const char* name;
        Lines fields;
        TPriority priority;
        bool receipt;
    };
    const Case cases[] = {
        {"high", {"X-Priority: 1"}, ptHigh, false},
        {"low", {"X-Priority: 5"}, ptLow, false},
        {"normal", {"X-Priority: 3"}, ptNormal, false},
        {"only-the-bare-digit", {"X-Priority: 1 (Highest)"}, ptNormal, false},
        {"absent", {}, ptNormal, false},
        {"receipt", {"Return-Receipt-To: a@x"}, ptNormal, true},
        {"empty-receipt", {"Return-receipt-to: "}, ptNormal, false},
    };
    for (const Case& c : cases) {
        Lines lines = c.fields;
        lines.insert(lines.end(), {"", "text"});
        const TmsMessage message = Decode(Eml(lines));
        EXPECT_EQ(message.Priority, c.priority) << c.name;
        EXPECT_EQ(message.ReturnReceipt, c.receipt) << c.name;
    }
}

TEST(MessageFile, SingleBodyVariants) {
    struct Case {
        const char* name;
        Lines fields;
        Lines body;
        Lines shown;
        std::string contentType;
        TCharSet charSet;
    };
    const Case cases[] = {
        {"html-sets-content-type",
         {"Content-Type: TEXT/HTML; charset=us-ascii"},
         {"<p>x</p>"},
         {"<p>x</p>"},
         "text/html",
         csUSASCII},
        {"rtf-sets-content-type",
         {"Content-Type: text/rtf"},
         {"{\\rtf1}"},
         {"{\\rtf1}"},
         "text/rtf",
         csUSASCII},
        {"plain-leaves-content-type", {"Content-Type: text/plain"}, {"a"}, {"a"}, "", csUSASCII},
        {"no-content-type", {}, {"a", "", "b"}, {"a", "", "b"}, "", csUSASCII},
        {"base64-body",
         {"Content-Type: text/plain", "Content-Transfer-Encoding: Base64"},
         {"b25lDQp0d28=", "", "DQp0aHJlZQ=="},
         {"one", "two", "three"},
         "",
         csUSASCII},
        {"autoconverted-quoted-printable",
         {"X-MIME-Autoconverted: from quoted-printable to 8bit"},
         {"a=3Db"},
         {"a=b"},
         "",
         csISO8859},
        {"iso-2022-jp",
         {"Content-Type: text/plain; charset=\"ISO-2022-JP\""},
         {"\x1B$B$3$s$K$A$O\x1B(B"},
         {"\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"},
         "",
         csISO2022jp},
        {"unknown-charset-keeps-bytes",
         {"Content-Type: text/plain; charset=x-no-such-set", "Content-Transfer-Encoding: 8bit"},
         {"caf\xE9"},
         {"caf\xE9"},
         "",
         csUSASCII},
        {"cc-mail-name-is-still-text",
         {"Content-Type: text/plain; name=\"cc:Mail\""},
         {"note"},
         {"note"},
         "",
         csUSASCII},
        {"odd-mailer-loses-content-type",
         {"X-Mailer: V Mailsystem R #0001", "Content-Type: application/octet-stream"},
         {"text after all"},
         {"text after all"},
         "",
         csUSASCII},
    };
    for (const Case& c : cases) {
        Lines lines{"MIME-Version: 1.0"};
        lines.insert(lines.end(), c.fields.begin(), c.fields.end());
        lines.emplace_back();
        lines.insert(lines.end(), c.body.begin(), c.body.end());
        const TmsMessage message = Decode(Eml(lines));
        EXPECT_EQ(message.Body, c.shown) << c.name;
        EXPECT_EQ(message.ContentType, c.contentType) << c.name;
        EXPECT_EQ(message.CharSet, c.charSet) << c.name;
        EXPECT_TRUE(message.Attachments.empty()) << c.name;
    }
}

TEST(MessageFile, MimeVersionDecidesBetweenMimeAndPlain) {
    const Lines rest{"Content-Type: text/plain", "Content-Transfer-Encoding: quoted-printable", "",
                     "a=3Db"};
    Lines mime{"MIME-Version: 1.0 (produced by hand)"};
    mime.insert(mime.end(), rest.begin(), rest.end());
    Lines plain{"MIME-Version: 2.0"};
    plain.insert(plain.end(), rest.begin(), rest.end());
    EXPECT_EQ(Decode(Eml(mime)).Body, Lines{"a=b"});
    EXPECT_EQ(Decode(Eml(plain)).Body, Lines{"a=3Db"});
}

TEST(MessageFile, UuencodedFileInsideMimeTextIsDecodedAsPlain) {
    const std::string data =
        Eml({"MIME-Version: 1.0", "Content-Type: text/plain",
             "Content-Transfer-Encoding: quoted-printable", "Subject: old", "", "see=20below",
             "begin 600 \"a b.txt\"", "#0V%T", "end", "skipped", "BEGIN 644", "\"86(`", "`"});
    const TmsMessage message = Decode(data);
    // Decoded as plain text from the start: the quoted-printable escape stays.
    EXPECT_EQ(message.Body, Lines{"see=20below"});
    EXPECT_EQ(message.Encoding, meUU);
    EXPECT_EQ(message.Subject, "old");
    ASSERT_EQ(message.Attachments.size(), 2u);
    EXPECT_EQ(message.Attachments[0].FileName, "a b.txt");
    EXPECT_EQ(message.Attachments[0].Data, "Cat");
    EXPECT_EQ(message.Attachments[1].FileName, "att.1");
    EXPECT_EQ(message.Attachments[1].Data, "ab");
}

TEST(MessageFile, MessageLevelAttachments) {
    struct Case {
        const char* name;
        Lines fields;
        Lines body;
        std::string fileName;
        std::string mediaType;
        TAttEncoding encoding;
        std::string data;
    };
    const Case cases[] = {
        {"text-with-name",
         {"Content-Type: text/plain; name=\"notes.txt\""},
         {"one", "two"},
         "notes.txt",
         "text/plain",
         aeNone,
         "one\r\ntwo\r\n"},
        {"filename-from-disposition",
         {"Content-Type: application/zip", "Content-Disposition: attachment; filename=x.zip"},
         {"PK"},
         "x.zip",
         "application/zip",
         aeNone,
         "PK\r\n"},
        {"unnamed",
         {"Content-Type: image/gif"},
         {"GIF89a"},
         "att.0",
         "image/gif",
         aeNone,
         "GIF89a\r\n"},
        {"quoted-printable",
         {"Content-Type: application/x-thing", "Content-Transfer-Encoding: Quoted-Printable"},
         {"a=00b=", "c"},
         "att.0",
         "application/x-thing",
         aeQuotedPrintable,
         std::string("a\0bc\r\n", 6)},
        {"uuencoded-skips-begin-and-end",
         {"Content-Type: application/octet-stream", "Content-Transfer-Encoding: x-uuencode"},
         {"begin 644 c.txt", "#0V%T", "`", "end"},
         "att.0",
         "application/octet-stream",
         aeUUEncode,
         "Cat"},
    };
    for (const Case& c : cases) {
        Lines lines{"MIME-Version: 1.0"};
        lines.insert(lines.end(), c.fields.begin(), c.fields.end());
        lines.emplace_back();
        lines.insert(lines.end(), c.body.begin(), c.body.end());
        const TmsMessage message = Decode(Eml(lines));
        EXPECT_TRUE(message.Body.empty()) << c.name;
        ASSERT_EQ(message.Attachments.size(), 1u) << c.name;
        const TmsAttItem& item = message.Attachments[0];
        EXPECT_EQ(item.FileName, c.fileName) << c.name;
        EXPECT_EQ(item.MediaType, c.mediaType) << c.name;
        EXPECT_EQ(item.Encoding, c.encoding) << c.name;
        EXPECT_EQ(item.Data, c.data) << c.name;
    }
}

TEST(MessageFile, PartsWithoutNamesOrTypes) {
    const TmsMessage message = Decode(Eml({
        "MIME-Version: 1.0",
        "Content-Type: multipart/alternative; boundary=b",
        "",
        "--b",
        "",
        "plain text",
        "--b",
        "Content-Type: text/html",
        "",
        "<b>x</b>",
        "--b",
        "",
        "no header at all",
        "--b--",
        "epilogue is ignored",
    }));
    EXPECT_EQ(message.Body, Lines{"plain text"});
    ASSERT_EQ(message.Attachments.size(), 2u);
    EXPECT_EQ(message.Attachments[0].FileName, "_alt.0");
    EXPECT_EQ(message.Attachments[1].FileName, "_alt.1");
    EXPECT_EQ(message.Attachments[1].MediaType, "text/plain");
    EXPECT_EQ(message.Attachments[1].Data, "no header at all\r\n");
}

TEST(MessageFile, FirstPartEndingTheMessageSetsContentType) {
    const TmsMessage message = Decode(Eml({
        "MIME-Version: 1.0",
        "Content-Type: multipart/mixed; boundary=\"b\"",
        "",
        "--b",
        "Content-Type: text/html; charset=us-ascii",
        "",
        "<p>only part</p>",
        "--b--",
        "--b",
        "Content-Type: text/plain",
        "",
        "after the end",
    }));
    EXPECT_EQ(message.Body, Lines{"<p>only part</p>"});
    EXPECT_EQ(message.ContentType, "text/html");
    EXPECT_TRUE(message.Attachments.empty());
}

TEST(MessageFile, EmptyFirstPartGivesOneEmptyLine) {
    const TmsMessage message =
        Decode(Eml({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b",
                    "Content-Type: text/plain", "", "--b--"}));
    EXPECT_EQ(message.Body, Lines{""});
}

TEST(MessageFile, Base64FirstPartIsTheFirstAttachment) {
    const TmsMessage message = Decode(Eml({
        "MIME-Version: 1.0",
        "Content-Type: multipart/mixed; boundary=b",
        "",
        "--b",
        "Content-Type: text/plain; charset=utf-8",
        "Content-Transfer-Encoding: base64",
        "",
        "aGk=",
        "--b",
        "Content-Type: image/gif; name=g.gif",
        "Content-Transfer-Encoding: base64",
        "",
        "R0lG",
        "--b--",
    }));
    EXPECT_TRUE(message.Body.empty());
    ASSERT_EQ(message.Attachments.size(), 2u);
    EXPECT_EQ(message.Attachments[0].FileName, "att.0");
    EXPECT_EQ(message.Attachments[0].Data, "hi");
    EXPECT_EQ(message.Attachments[1].FileName, "g.gif");
    EXPECT_EQ(message.Attachments[1].Data, "GIF");
}

TEST(MessageFile, Base64FirstPartInIso2022jpIsTheBody) {
    const TmsMessage message = Decode(Eml({
        "MIME-Version: 1.0",
        "Content-Type: multipart/mixed; boundary=b",
        "",
        "--b",
        "Content-Type: text/plain; charset=iso-2022-jp",
        "Content-Transfer-Encoding: base64",
        "",
        "GyRCJDMkcyRLJEEkTxsoQg0Kb2s=",
        "--b--",
    }));
    EXPECT_EQ(message.CharSet, csISO2022jp);
    EXPECT_EQ(message.Body,
              (Lines{"\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF", "ok"}));
    EXPECT_TRUE(message.Attachments.empty());
}

TEST(MessageFile, DecodingErrorsBecomeErrorLinesAndTheOriginal) {
    struct Case {
        const char* name;
        Lines lines;
        Lines bodyBefore;
        std::string error;
    };
    const Lines mixed{"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=o", ""};
    auto with = [&](Lines rest) {
        Lines lines = mixed;
        lines.insert(lines.end(), rest.begin(), rest.end());
        return lines;
    };
    const Case cases[] = {
        {"no-boundary-line", with({"text", "--other"}), {}, "Cannot find boundary"},
        {"boundary-must-be-whole-line", with({"--o ", "x"}), {}, "Cannot find boundary"},
        {"text-part-never-ends",
         with({"--o", "", "body line"}),
         {"body line"},
         "Cannot find boundary"},
        {"nested-boundary-missing",
         with({"--o", "Content-Type: multipart/alternative; boundary=i", "", "text"}),
         {},
         "Cannot find boundary"},
        {"outer-boundary-never-returns",
         with({"--o", "Content-Type: multipart/alternative; boundary=i", "", "--i", "", "text",
               "--i", "Content-Type: text/html", "", "<p/>", "--i--", "trailing"}),
         {"text"},
         "Cannot find closing boundary"},
        {"bad-base64-in-attachment",
         with({"--o", "", "text", "--o", "Content-Transfer-Encoding: base64", "", "QUJD", "QU*D",
               "--o--"}),
         {"text"},
         "Invalid Character"},
        {"bad-base64-body",
         {"MIME-Version: 1.0", "Content-Transfer-Encoding: base64", "", "QUJD", "QUJD QUJD"},
         {},
         "Invalid Character"},
    };
    for (const Case& c : cases) {
        const std::string input = Eml(c.lines);
        const TmsMessage message = Decode(input);
        Lines expected = c.bodyBefore;
        for (const std::string& line : kErrorLines(c.error)) expected.push_back(line);
        EXPECT_EQ(message.Body, expected) << c.name;
        ExpectOriginalKept(message, input);
    }
}

TEST(MessageFile, AttachmentsBeforeAnErrorStay) {
    const std::string input =
        Eml({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=o", "", "--o", "",
             "text", "--o", "Content-Type: a/b; name=kept", "", "x", "--o",
             "Content-Transfer-Encoding: base64", "", "!", "--o--"});
    const TmsMessage message = Decode(input);
    ASSERT_EQ(message.Attachments.size(), 2u);
    EXPECT_EQ(message.Attachments[0].FileName, "kept");
    ExpectOriginalKept(message, input);
}

TEST(MessageFile, OnlyALastDotLineIsDropped) {
    struct Case {
        const char* name;
        std::string data;
        Lines body;
    };
    const Case cases[] = {
        {"dot-in-the-middle", Eml({"", "a", ".", "b"}), {"a", ".", "b"}},
        {"double-dot", Eml({"", "a", ".."}), {"a", ".."}},
        {"dot-with-blank", Eml({"", "a", ". "}), {"a", ". "}},
        {"only-one-dot-dropped", Eml({"", "a", ".", "."}), {"a", "."}},
        {"mime-text", Eml({"MIME-Version: 1.0", "", "a", "."}), {"a"}},
        {"dot-after-uu-block", Eml({"", "a", ".", "begin 644 f", "#0V%T", "`"}), {"a"}},
        {"error-lines-end-the-body",
         Eml({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=o", "", "."}),
         kErrorLines("Cannot find boundary")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.data).Body, c.body) << c.name;
    }
}

TEST(MessageFile, HeaderBlockEndsAtFirstEmptyLineOrEndOfData) {
    const TmsMessage onlyHeaders = Decode("From: a@x\r\nSubject: s");
    EXPECT_EQ(onlyHeaders.Headers, (TmsHeaders{"From: a@x", "Subject: s"}));
    EXPECT_TRUE(onlyHeaders.Body.empty());

    const TmsMessage crOnly = Decode("Subject: s\r\rline one\rline two\r");
    EXPECT_EQ(crOnly.Subject, "s");
    EXPECT_EQ(crOnly.Body, (Lines{"line one", "line two"}));

    const TmsMessage empty = Decode("");
    EXPECT_TRUE(empty.Headers.empty());
    EXPECT_TRUE(empty.Body.empty());
}

TEST(MessageFile, MalformedEncodedSubjectStillShowsTheMessage) {
    TmsMessage message;
    message.LoadFromBytes(Eml({"Subject: =?utf-8?B?***?=", "", "x"}));
    EXPECT_EQ(message.Subject, "=?utf-8?B?***?=");
    EXPECT_EQ(message.Body, (std::vector<std::string>{"x"}));
}

TEST(MessageFile, LoadingAgainStartsFromAnEmptyMessage) {
    TmsMessage message;
    message.LoadFromFile(DataPath("header-fields.eml"));
    message.LoadFromFile(DataPath("message-level-pdf.eml"));
    EXPECT_TRUE(message.Body.empty());
    EXPECT_TRUE(message.Recipients.empty());
    EXPECT_TRUE(message.CC.empty());
    EXPECT_EQ(message.Priority, ptNormal);
    EXPECT_FALSE(message.ReturnReceipt);
    EXPECT_EQ(message.Attachments.size(), 1u);
    message.LoadFromFile(DataPath("uuencoded-attachment.eml"));
    message.LoadFromFile(DataPath("plain-text.eml"));
    EXPECT_EQ(message.Encoding, meMIME);
    EXPECT_TRUE(message.Attachments.empty());
}

TEST(MessageFile, UnreadableFileRaisesWithPathAndReason) {
    TmsMessage message;
    const std::string missing = DataPath("no-such-message.eml");
    try {
        message.LoadFromFile(missing);
        FAIL() << "no error";
    } catch (const EMailError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open " + missing + ": No such file or directory");
    }
    EXPECT_THROW(message.LoadFromFile(KELVANE_MAIL_TEST_DATA), EMailError);
}

TEST(MessageFile, EventsArePumpedForEveryPart) {
    int pumped = 0;
    SetEventPump([&pumped] { ++pumped; });
    Decode(Eml({"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "", "--b", "",
                "text", "--b", "", "one", "--b", "", "two", "--b", "", "three", "--b--"}));
    SetEventPump(nullptr);
    EXPECT_GE(pumped, 4);
}

TEST(MessageFile, LargeBase64AttachmentDecodesInLinearTime) {
    std::string bytes(10 * 1024 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    std::string input =
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\n\r\ntext\r\n--b\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    // 57 bytes per 76-character line, as mailers write it.
    for (size_t at = 0; at < bytes.size(); at += 57) {
        const size_t n = std::min<size_t>(57, bytes.size() - at);
        for (size_t i = 0; i < n; i += 3) {
            unsigned v = static_cast<unsigned char>(bytes[at + i]) << 16;
            if (i + 1 < n) v |= static_cast<unsigned char>(bytes[at + i + 1]) << 8;
            if (i + 2 < n) v |= static_cast<unsigned char>(bytes[at + i + 2]);
            input += kAlphabet[v >> 18 & 63];
            input += kAlphabet[v >> 12 & 63];
            input += i + 1 < n ? kAlphabet[v >> 6 & 63] : '=';
            input += i + 2 < n ? kAlphabet[v & 63] : '=';
        }
        input += "\r\n";
    }
    input += "--b--\r\n";
    const auto start = std::chrono::steady_clock::now();
    const TmsMessage message = Decode(input);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(message.Attachments.size(), 1u);
    EXPECT_TRUE(message.Attachments[0].Data == bytes);
    // Generous for sanitizer builds; a quadratic decoder takes minutes.
    EXPECT_LT(took, std::chrono::seconds(5));
}

}  // namespace
}  // namespace kelvane
