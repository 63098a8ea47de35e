// What the Deleted junk window shows and does, without the window.
#include "DeletedJunkActions.h"

#include <gmock/gmock.h>

#include "ListActions.h"
#include "RuleTable.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;

TEST(DeletedJunkActionsTest, TheOfferedFileNameComesFromTheSubjectOrTheId) {
    const std::string longAccents(80, 'x');
    std::string accents;
    for (int i = 0; i < 40; ++i) accents += "\xC3\xA9";  // é, two bytes each
    const struct {
        const char* name;
        std::string subject;
        std::string expected;
    } cases[] = {
        {"plain", "Invoice 42, March", "Invoice 42, March.eml"},
        {"path and line ends", "../../etc/passwd\r\n", "etc_passwd.eml"},
        {"runs of other characters", "Buy *** now!!! <cheap>", "Buy _ now_ _cheap_.eml"},
        {"nothing usable", "///", "20261211-105500-0001.eml"},
        {"empty", "", "20261211-105500-0001.eml"},
        {"long", longAccents, std::string(60, 'x') + ".eml"},
        {"cut between characters", accents, accents.substr(0, 60) + ".eml"},
    };
    for (const auto& c : cases) {
        KeptMessage kept;
        kept.id = "20261211-105500-0001";
        kept.subject = c.subject;
        EXPECT_EQ(RestoreFileName(kept), c.expected) << c.name;
    }
}

TEST(DeletedJunkActionsTest, HeaderLinesStopAtTheBodyWhateverTheLineEnds) {
    EXPECT_THAT(KeptHeaderLines("From: a@x\r\nSubject: hi\r\n there\r\n\r\nBody: no\r\n"),
                ElementsAre("From: a@x", "Subject: hi", " there"));
    EXPECT_THAT(KeptHeaderLines("From: a@x\n\nBody: no\n"), ElementsAre("From: a@x"));
    EXPECT_THAT(KeptHeaderLines("From: a@x\r\nSubject: cut short"),
                ElementsAre("From: a@x", "Subject: cut short"));
    EXPECT_THAT(KeptHeaderLines(""), ElementsAre());
}

// The kept bytes give the lines the list's body view gives for the same message downloaded.
TEST(DeletedJunkActionsTest, TheBodyReadsAsTheListShowsIt) {
    const char* messages[] = {
        "From: a@x\r\nSubject: plain\r\n\r\nline one\r\n\r\nline three\r\n",
        "From: a@x\r\nContent-Type: multipart/alternative; boundary=\"b\"\r\n\r\n"
        "--b\r\nContent-Type: text/plain; charset=utf-8\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nY2Fmw6k=\r\n--b--\r\n",
        "From: a@x\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n",
        "no header at all",
    };
    testsupport::TempFolder temp;
    for (const char* message : messages) {
        const std::string file = temp.File("msg_0.eml");
        testsupport::WriteFileBytes(file, message);
        EXPECT_EQ(KeptBodyLines(message), MessageBodyLines(file)) << message;
    }
}

TEST(DeletedJunkActionsTest, ReasonLinesSayWhenThereWereNone) {
    KeptMessage kept;
    EXPECT_THAT(KeptReasonLines(kept), ElementsAre(kNoReasonLine));
    kept.reasons = {"Subject rule 2 matched"};
    EXPECT_THAT(KeptReasonLines(kept), ElementsAre("Subject rule 2 matched"));
}

TEST(DeletedJunkActionsTest, TheRestoredFileGoesLastToTheMailProgram) {
    EXPECT_THAT(MailProgramOpening("/nowhere/mailer --open", "/tmp/a b.eml"),
                ElementsAre("/nowhere/mailer", "--open", "/tmp/a b.eml"));
    EXPECT_THAT(MailProgramOpening(" \r\n", "/tmp/a.eml"), ElementsAre());
}

TEST(DeletedJunkActionsTest, ASenderBecomesOneExceptionRow) {
    RuleTable exceptions(RuleTableKind::Exceptions);
    EXPECT_EQ(AddSenderException(exceptions, "ann@example.org"), SenderException::Added);
    EXPECT_EQ(AddSenderException(exceptions, "ann@example.org"), SenderException::AlreadyListed);
    EXPECT_EQ(AddSenderException(exceptions, " \t"), SenderException::NoSender);
    ASSERT_EQ(exceptions.rowCount(), 2);
    EXPECT_EQ(exceptions.cell(0, 1), "E-mail address");
    EXPECT_EQ(exceptions.cell(2, 1), "ann@example.org");
    EXPECT_EQ(AddSenderException(exceptions, "bob@example.org"), SenderException::Added);
    EXPECT_EQ(exceptions.rowCount(), 3);
}

}  // namespace
}  // namespace kelvane
