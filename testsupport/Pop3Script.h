#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// Pieces of ScriptedServer transcripts for the usual POP3 exchanges of user ann, password "pw".
namespace kelvane::testsupport {

using Script = std::vector<std::string>;

inline Script Join(std::initializer_list<Script> parts) {
    Script all;
    for (const Script& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// CAPA answered by a server that takes one command at a time and keeps no unique ids.
inline Script PlainCapa() {
    return {"C: CAPA", "S: +OK", "S: TOP", "S: USER", "S: ."};
}

// The greeting of such a server, and its reply to CAPA, which comes before the login.
inline Script Greeting() {
    return Join({{"S: +OK ready"}, PlainCapa()});
}

// Greeting, CAPA and login of ann with `stat` as the reply to STAT.
inline Script Login(const std::string& stat) {
    return Join({Greeting(),
                 {"C: USER ann", "S: +OK", "C: PASS pw", "S: +OK in", "C: STAT", "S: " + stat}});
}

inline Script Quit() {
    return {"C: QUIT", "S: +OK bye"};
}

// TOP n 1 answered with `headers` (and the empty line ending them).
inline Script Top(int n, const std::vector<std::string>& headers) {
    Script steps{"C: TOP " + std::to_string(n) + " 1", "S: +OK"};
    for (const std::string& line : headers) steps.push_back("S: " + line);
    steps.insert(steps.end(), {"S: ", "S: ."});
    return steps;
}

// LIST n and TOP n 1.
inline Script ListTop(int n, int size, const std::vector<std::string>& headers) {
    const std::string number = std::to_string(n);
    return Join(
        {{"C: LIST " + number, "S: +OK " + number + " " + std::to_string(size)}, Top(n, headers)});
}

// The start of a listing by such a server, up to its first TOP: one LIST.
inline Script ListingStart(const std::vector<int>& sizes) {
    Script steps{"C: LIST", "S: +OK"};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        steps.push_back("S: " + std::to_string(i + 1) + " " + std::to_string(sizes[i]));
    }
    steps.push_back("S: .");
    return steps;
}

struct Listed {
    int size;
    std::vector<std::string> headers;
};

// A whole listing of `messages` by such a server.
inline Script Listing(const std::vector<Listed>& messages) {
    std::vector<int> sizes;
    for (const Listed& message : messages) sizes.push_back(message.size);
    Script steps = ListingStart(sizes);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const Script top = Top(static_cast<int>(i + 1), messages[i].headers);
        steps.insert(steps.end(), top.begin(), top.end());
    }
    return steps;
}

// The look-again before a deletion: UIDL n, LIST n and TOP n 1.
inline Script Recheck(int n, int size, const std::vector<std::string>& headers) {
    const std::string number = std::to_string(n);
    return Join(
        {{"C: UIDL " + number, "S: +OK " + number + " u" + number}, ListTop(n, size, headers)});
}

// RETR n answered with the message of `lines`.
inline Script Retr(int n, const std::vector<std::string>& lines) {
    Script steps{"C: RETR " + std::to_string(n), "S: +OK"};
    for (const std::string& line : lines) steps.push_back("S: " + line);
    steps.push_back("S: .");
    return steps;
}

// DELE n answered with `reply`.
inline Script Dele(int n, const std::string& reply = "+OK deleted") {
    return {"C: DELE " + std::to_string(n), "S: " + reply};
}

}  // namespace kelvane::testsupport
