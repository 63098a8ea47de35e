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

// Greeting and login of ann with `stat` as the reply to STAT.
inline Script Login(const std::string& stat) {
    return {"S: +OK ready", "C: USER ann", "S: +OK",    "C: PASS pw",
            "S: +OK in",    "C: STAT",     "S: " + stat};
}

inline Script Quit() {
    return {"C: QUIT", "S: +OK bye"};
}

// LIST n and TOP n 1 answered with `headers` (and the empty line ending them).
inline Script ListTop(int n, int size, const std::vector<std::string>& headers) {
    const std::string number = std::to_string(n);
    Script steps{"C: LIST " + number, "S: +OK " + number + " " + std::to_string(size),
                 "C: TOP " + number + " 1", "S: +OK"};
    for (const std::string& line : headers) steps.push_back("S: " + line);
    steps.insert(steps.end(), {"S: ", "S: ."});
    return steps;
}

// The look-again before a deletion, then DELE n answered with `reply`.
inline Script Dele(int n, int size, const std::vector<std::string>& headers,
                   const std::string& reply = "+OK deleted") {
    const std::string number = std::to_string(n);
    return Join({{"C: UIDL " + number, "S: +OK " + number + " u" + number},
                 ListTop(n, size, headers),
                 {"C: DELE " + number, "S: " + reply}});
}

}  // namespace kelvane::testsupport
