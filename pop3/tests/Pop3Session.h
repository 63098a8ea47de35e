#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "EventPump.h"
#include "ScriptedServer.h"
#include "TmsRemotePOP.h"

// Building blocks of POP3 transcripts for the scripted server, and a client that writes down
// every event it fires, so that a test reads as the conversation it checks.
namespace kelvane::pop3test {

using Script = std::vector<std::string>;

inline constexpr const char* kUser = "ann";
inline constexpr const char* kPassword = "s3cret!";

inline Script Join(std::initializer_list<Script> parts) {
    Script all;
    for (const Script& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// CAPA answered with `names`; a server without "PIPELINING" gets one command at a time.
inline Script Capa(const std::vector<std::string>& names) {
    Script steps{"C: CAPA", "S: +OK capability list follows"};
    for (const std::string& name : names) steps.push_back("S: " + name);
    steps.push_back("S: .");
    return steps;
}

// The capabilities of a server that takes one command at a time and keeps no unique ids.
inline Script PlainCapa() {
    return Capa({"TOP", "USER", "RESP-CODES"});
}

// USER, PASS and STAT one at a time, with `stat` as the server's reply to STAT.
inline Script UserPassStat(const std::string& stat) {
    return {"C: USER ann", "S: +OK",    "C: PASS s3cret!", "S: +OK mailbox unlocked",
            "C: STAT",     "S: " + stat};
}

// Greeting, CAPA answered with `capabilities` (without "PIPELINING"), USER, PASS and STAT.
inline Script Login(const std::string& stat, const Script& capabilities = PlainCapa()) {
    return Join({{"S: +OK POP3 ready"}, capabilities, UserPassStat(stat)});
}

// The login on a server that offers PIPELINING among `names`: USER, PASS, STAT and the commands
// `ahead` in one flight, then the replies to the first three.
inline Script PipelinedLogin(const std::string& stat, const std::vector<std::string>& names,
                             const std::vector<std::string>& ahead = {}) {
    Script steps = Join({{"S: +OK POP3 ready"}, Capa(names)});
    for (const std::string& command : Join({{"USER ann", "PASS s3cret!", "STAT"}, ahead})) {
        steps.push_back("C: " + command);
    }
    return Join({steps, {"S: +OK", "S: +OK mailbox unlocked", "S: " + stat}});
}

// What the client sends to log in.
inline Script LoginCommands() {
    return {"CAPA", "USER ann", "PASS s3cret!", "STAT"};
}

inline Script Quit() {
    return {"C: QUIT", "S: +OK bye"};
}

// A header block as the server sends it after "+OK" to TOP: the lines, then the terminator.
inline Script DataBlock(const std::vector<std::string>& lines) {
    Script steps;
    for (const std::string& line : lines) steps.push_back("S: " + line);
    steps.push_back("S: .");
    return steps;
}

// The headers of message `number` of the test mailboxes.
inline std::vector<std::string> HeadersOf(int number) {
    return {"From: sender" + std::to_string(number) + "@example.org",
            "Subject: message " + std::to_string(number)};
}

// The server's reply to TOP n 1: HeadersOf(n) (or `headers`), an empty line, one body line.
inline Script TopReply(int number, std::vector<std::string> headers = {}) {
    if (headers.empty()) headers = HeadersOf(number);
    headers.push_back("");
    headers.push_back("first body line");
    return Join({{"S: +OK top of message follows"}, DataBlock(headers)});
}

inline Script Top(int number, std::vector<std::string> headers = {}) {
    return Join({{"C: TOP " + std::to_string(number) + " 1"}, TopReply(number, headers)});
}

// LIST n and TOP n 1: the exchange of a server that has no list of all sizes.
inline Script ListTop(int number, int size, std::vector<std::string> headers = {}) {
    const std::string n = std::to_string(number);
    return Join(
        {{"C: LIST " + n, "S: +OK " + n + " " + std::to_string(size)}, Top(number, headers)});
}

// The reply to LIST that gives every message's size.
inline Script SizesReply(const std::vector<int>& sizes) {
    Script steps{"S: +OK " + std::to_string(sizes.size()) + " messages"};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        steps.push_back("S: " + std::to_string(i + 1) + " " + std::to_string(sizes[i]));
    }
    steps.push_back("S: .");
    return steps;
}

// One LIST answered with every message's size.
inline Script Sizes(const std::vector<int>& sizes) {
    return Join({{"C: LIST"}, SizesReply(sizes)});
}

// A listing one command at a time, of messages with HeadersOf(n) and these sizes.
inline Script Listing(const std::vector<int>& sizes) {
    Script steps = Sizes(sizes);
    for (std::size_t n = 1; n <= sizes.size(); ++n) {
        const Script top = Top(static_cast<int>(n));
        steps.insert(steps.end(), top.begin(), top.end());
    }
    return steps;
}

// The commands a client sends in a listing of `count` messages (after STAT).
inline Script ListingCommands(int count) {
    Script commands{"LIST"};
    for (int n = 1; n <= count; ++n) commands.push_back("TOP " + std::to_string(n) + " 1");
    return commands;
}

// The check before a retrieval or deletion: UIDL n, then LIST and TOP as in ListTop.
inline Script Recheck(int number, int size, std::vector<std::string> headers = {}) {
    const std::string n = std::to_string(number);
    return Join({{"C: UIDL " + n, "S: +OK " + n + " uid-" + n}, ListTop(number, size, headers)});
}

// The text of the `Error` that `action` raises; "(nothing raised)" when it returns. Errors of
// other types pass through and fail the test.
template <class Error, class Action>
std::string RaisedText(Action&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(nothing raised)";
}

// A scripted server and a client pointed at it, with every event written into `events`.
class Pop3Session : public ::testing::Test {
  protected:
    void Serve(Script script) {
        server = std::make_unique<testsupport::ScriptedServer>(std::move(script));
        pop.Server = server->address();
    }

    void SetUp() override {
        pop.UserName = kUser;
        pop.Password = kPassword;
        pop.TimeOut = 2;
        Record();
    }

    void TearDown() override { SetEventPump(nullptr); }

    // Waits for the script's end and checks that the client said exactly what it expected.
    void ExpectScriptFollowed() { ASSERT_TRUE(server->WaitUntilClosed(3000)) << server->failure(); }

    TmsRemotePOP pop;
    std::unique_ptr<testsupport::ScriptedServer> server;
    std::vector<std::string> events;
    std::vector<std::string> errors;

  private:
    void Record() {
        auto named = [this](const char* name) {
            return [this, name](TagSocket&) { events.push_back(name); };
        };
        auto numbered = [this](const char* name) {
            return [this, name](TagSocket&, int num) {
                events.push_back(std::string(name) + " " + std::to_string(num));
            };
        };
        pop.OnOpen = named("OnOpen");
        pop.OnClosing = named("OnClosing");
        pop.OnClosed = named("OnClosed");
        pop.OnCancel = named("OnCancel");
        pop.OnError = [this](TagSocket&, std::string& text) {
            events.push_back("OnError " + text);
            errors.push_back(text);
        };
        pop.OnUpdatingInfo = named("OnUpdatingInfo");
        pop.OnInfoUpdated = named("OnInfoUpdated");
        pop.OnTransferringData = named("OnTransferringData");
        pop.OnDataTransfered = named("OnDataTransfered");
        pop.OnNextInfoUpdated = numbered("OnNextInfoUpdated");
        pop.OnRetrieving = numbered("OnRetrieving");
        pop.OnRetrieved = numbered("OnRetrieved");
        pop.OnDeleting = numbered("OnDeleting");
        pop.OnDeleted = numbered("OnDeleted");
        pop.OnSkipped = numbered("OnSkipped");
        pop.OnDeleteRefused = [this](TagSocket&, int num, const std::string& reply) {
            events.push_back("OnDeleteRefused " + std::to_string(num) + " " + reply);
        };
    }
};

}  // namespace kelvane::pop3test
