// The POP3 client against a real server: a private Dovecot per test, filled with known messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DovecotMailbox.h"
#include "DovecotServer.h"
#include "MailErrors.h"
#include "MailHeaders.h"
#include "NumberedMessage.h"
#include "RawPop3Session.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::DovecotServer;
using testsupport::NumberedMessage;
using testsupport::RawSession;

constexpr const char* kUser = pop3test::kDovecotUser;
constexpr const char* kPassword = pop3test::kDovecotPassword;

class DovecotPop3Test : public pop3test::DovecotMailbox {
  protected:
    void Deliver(const std::vector<std::string>& messages) {
        for (const std::string& message : messages) server->AddMessage(kUser, message);
    }

    // A client of the running server whose events are written into `events`.
    std::unique_ptr<TmsRemotePOP> Client(const std::string& password = kPassword) {
        auto pop = std::make_unique<TmsRemotePOP>();
        pop->Server = server->address();
        pop->UserName = kUser;
        pop->Password = password;
        pop->TimeOut = 2;
        Record(*pop);
        return pop;
    }

    // The subjects of the mailbox as a fresh session lists them now.
    std::vector<std::string> SubjectsNow() {
        auto pop = Client();
        pop->UpdateInfo();
        std::vector<std::string> subjects;
        for (int i = 0; i < pop->Info().Count(); ++i)
            subjects.push_back(GetFieldValue(pop->Info().Items(i).Headers, "Subject"));
        return subjects;
    }

    std::vector<std::string> events;
    std::vector<std::string> errors;

  private:
    void Record(TmsRemotePOP& pop) {
        auto numbered = [this](const char* name) {
            return [this, name](TagSocket&, int num) {
                events.push_back(std::string(name) + " " + std::to_string(num));
            };
        };
        pop.OnDeleting = numbered("OnDeleting");
        pop.OnDeleted = numbered("OnDeleted");
        pop.OnSkipped = numbered("OnSkipped");
        pop.OnRetrieved = numbered("OnRetrieved");
        pop.OnDeleteRefused = [this](TagSocket&, int num, const std::string& reply) {
            events.push_back("OnDeleteRefused " + std::to_string(num) + " " + reply);
        };
        pop.OnInfoUpdated = [this](TagSocket&) { events.push_back("OnInfoUpdated"); };
        pop.OnError = [this](TagSocket&, std::string& text) { errors.push_back(text); };
    }
};

// Messages whose size and header block a careless reader of the server's replies would get
// wrong. Dovecot serves every one of them with CR LF line ends.
struct StoredMessage {
    const char* name;
    std::string bytes;
};

std::vector<StoredMessage> VariedMailbox() {
    return {
        {"lf-line-ends",
         "Return-Path: <a@example.org>\nReceived: from mx.example.org (mx.example.org "
         "[192.0.2.7])\n\tby pop.example.net with ESMTP id 4711\n\tfor <ann@example.net>; Mon, 4 "
         "Mar 2024 10:00:00 +0100\nFrom: Alice <a@example.org>\nTo: ann@example.net\nSubject: "
         "lf\nMessage-ID: <lf@example.org>\n\nHello\nworld\n"},
        {"crlf-line-ends",
         "From: b@example.org\r\nTo: ann@example.net\r\nSubject: crlf\r\nDate: Tue, 5 Mar 2024 "
         "08:15:00 +0000\r\n\r\nbody\r\n"},
        {"eight-bit-and-encoded-subjects",
         "From: =?UTF-8?Q?J=C3=B6rg?= <j@example.org>\nSubject: Gr\xc3\xbc\xc3\x9f"
         "e =?ISO-8859-1?Q?aus_K=F6ln?=\nMessage-ID: <8bit@example.org>\n\nText\n"},
        {"first-body-line-is-a-dot",
         "From: d@example.org\nSubject: dotted\nMessage-ID: <dot@example.org>\n\n.\n..x\n.\n"},
        {"headers-only", "From: h@example.org\nSubject: no body at all\n"},
        {"large-body", "From: l@example.org\nSubject: large\nMessage-ID: <large@example.org>\n\n" +
                           std::string(200000, 'x') + "\n"},
    };
}

TEST_F(DovecotPop3Test, ListingHoldsTheServedSizeAndHeaderBlockOfEveryMessage) {
    const std::vector<StoredMessage> mailbox = VariedMailbox();
    for (const StoredMessage& message : mailbox) server->AddMessage(kUser, message.bytes);
    server->Start();
    auto pop = Client();
    std::vector<std::string> seen;  // what the handler finds while the list fills
    pop->OnNextInfoUpdated = [&](TagSocket&, int num) {
        seen.push_back(std::to_string(num) + " of " + std::to_string(pop->MessageCount()) +
                       ", size " + std::to_string(pop->Info().Items(num).Size));
    };

    pop->UpdateInfo();

    ASSERT_EQ(pop->Info().Count(), static_cast<int>(mailbox.size()));
    int total = 0;
    for (std::size_t i = 0; i < mailbox.size(); ++i) {
        SCOPED_TRACE(mailbox[i].name);
        const std::string wire = DovecotServer::OnTheWire(mailbox[i].bytes);
        std::vector<std::string> headers = DovecotServer::HeaderLines(mailbox[i].bytes);
        // Without an empty line after the headers, the block's terminator stays in the list.
        if (wire.find("\r\n\r\n") == std::string::npos) headers.push_back(".");
        const TmsRemoteInfoItem& item = pop->Info().Items(static_cast<int>(i));
        EXPECT_EQ(item.Size, static_cast<int>(wire.size()));
        EXPECT_EQ(item.Headers, headers);
        EXPECT_EQ(seen.at(i), std::to_string(i) + " of " + std::to_string(mailbox.size()) +
                                  ", size " + std::to_string(wire.size()));
        total += static_cast<int>(wire.size());
    }
    EXPECT_EQ(pop->MessageCount(), static_cast<int>(mailbox.size()));
    EXPECT_EQ(pop->MailboxSize(), total);
    EXPECT_FALSE(pop->Connected());
    EXPECT_THAT(events, ElementsAre("OnInfoUpdated"));
    EXPECT_THAT(errors, ::testing::IsEmpty());
}

TEST_F(DovecotPop3Test, RetrievalSavesTheDataBlockAsServed) {
    const std::string message =
        "From: r@example.org\nSubject: retrieve me\n\n.starts with a dot\n"
        "..two dots\n.\nlast line\n";
    Deliver({NumberedMessage(1), message});
    server->Start();
    auto pop = Client();
    std::vector<std::string> saved;
    pop->OnUserMessageSave = [&](TagSocket&, int num, const std::string& contents) {
        saved.push_back(std::to_string(num) + ":" + contents);
    };
    pop->UpdateInfo();

    pop->SelectForRetrieval(1);
    pop->ProcessMarked();

    // Dot-stuffed (RFC 1939) and with the terminator, exactly as received.
    EXPECT_THAT(saved,
                ElementsAre("1:From: r@example.org\r\nSubject: retrieve me\r\n\r\n"
                            "..starts with a dot\r\n...two dots\r\n..\r\nlast line\r\n.\r\n"));
    EXPECT_THAT(events, ElementsAre("OnInfoUpdated", "OnRetrieved 1"));
    EXPECT_THAT(SubjectsNow(), ElementsAre("message 1", "retrieve me"));
}

TEST_F(DovecotPop3Test, DeletesExactlyTheMarkedMessages) {
    Deliver({NumberedMessage(1), NumberedMessage(2), NumberedMessage(3), NumberedMessage(4),
             NumberedMessage(5)});
    server->Start();
    auto pop = Client();
    pop->UpdateInfo();

    pop->SelectForDeletion(1);
    pop->SelectForDeletion(3);
    pop->ProcessMarked();

    EXPECT_THAT(events, ElementsAre("OnInfoUpdated", "OnDeleting 1", "OnDeleted 1", "OnDeleting 3",
                                    "OnDeleted 3"));
    EXPECT_FALSE(pop->Connected());
    EXPECT_THAT(SubjectsNow(), ElementsAre("message 1", "message 3", "message 5"));
}

// Another client deletes message 1 between the listing and the deletion run, so the message
// listed second is now number 1 and number 2 is the one listed third. Deleting "number 2" would
// remove a message the user never marked.
TEST_F(DovecotPop3Test, NeverDeletesAMessageThatMovedIntoAMarkedPosition) {
    Deliver({NumberedMessage(1), NumberedMessage(2), NumberedMessage(3), NumberedMessage(4)});
    server->Start();
    auto pop = Client();
    pop->UpdateInfo();

    RawSession other(server->port());
    ASSERT_THAT(other.greeting(), StartsWith("+OK"));
    EXPECT_THAT(other.Replies({"USER ann", "PASS s3cret!", "DELE 1", "QUIT"}),
                Each(StartsWith("+OK")));

    pop->SelectForDeletion(1);
    pop->ProcessMarked();

    EXPECT_THAT(events, ElementsAre("OnInfoUpdated", "OnSkipped 1"));
    EXPECT_THAT(SubjectsNow(), ElementsAre("message 2", "message 3", "message 4"));
}

// A marked message whose number no longer exists (the mailbox shrank) is skipped as well, and
// the run goes on with the messages that still match.
TEST_F(DovecotPop3Test, SkipsAMarkedNumberTheServerNoLongerHas) {
    Deliver({NumberedMessage(1), NumberedMessage(2), NumberedMessage(3)});
    server->Start();
    auto pop = Client();
    pop->UpdateInfo();

    RawSession other(server->port());
    EXPECT_THAT(other.Replies({"USER ann", "PASS s3cret!", "DELE 2", "QUIT"}),
                Each(StartsWith("+OK")));

    pop->SelectForDeletion(0);
    pop->SelectForDeletion(2);
    pop->ProcessMarked();

    EXPECT_THAT(events, ElementsAre("OnInfoUpdated", "OnDeleting 0", "OnDeleted 0", "OnSkipped 2"));
    EXPECT_THAT(SubjectsNow(), ElementsAre("message 3"));
}

TEST_F(DovecotPop3Test, WrongPasswordRaisesTheServersReplyWithoutThePassword) {
    Deliver({NumberedMessage(1)});
    server->Start();
    const std::string wrong = "not-the-s3cret";
    auto pop = Client(wrong);
    std::vector<std::string> trace;
    pop->OnTrace = [&](const std::string& line) { trace.push_back(line); };

    try {
        pop->UpdateInfo();
        FAIL() << "logged in with a wrong password";
    } catch (const EServerError& error) {
        EXPECT_THAT(error.what(), StartsWith("-ERR"));
        EXPECT_THAT(error.what(), HasSubstr("Authentication failed"));
        EXPECT_THAT(error.what(), Not(HasSubstr(wrong)));
    }

    EXPECT_THAT(trace, ::testing::Contains("C: PASS {password}"));
    EXPECT_THAT(trace, Each(Not(HasSubstr(wrong))));
    EXPECT_THAT(errors, ::testing::IsEmpty()) << "a server's refusal is no transport error";
    EXPECT_THAT(events, ::testing::IsEmpty());
    // A refused login ends the session: nothing more goes out on it unauthenticated.
    EXPECT_FALSE(pop->Connected());
}

}  // namespace
}  // namespace kelvane
