#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ActivityLog.h"
#include "CheckRun.h"
#include "DomainChecker.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "RecordingFrontEnd.h"
#include "ScriptedServer.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TmsRemotePOP.h"

namespace kelvane::checktest {

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

class FixedDomains : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string&) override { return DomainAnswer::Exists; }
};

// A check run over mailbox 1 (ann, password "pw") on a scripted server, with a second mailbox
// configured but not checked so that every listing logs out.
class CheckRunFixture : public ::testing::Test {
  protected:
    CheckRunFixture();
    ~CheckRunFixture() override;
    // Mailbox `n` in both the store and the model.
    void Configure(int n, const std::string& server, const std::string& user, bool check);
    void Serve(const Script& script);
    std::string LogText() const;
    std::vector<int> Marks();

    testsupport::TempFolder folder;
    SettingsStore store;
    GeneralSettingsModel model;
    SpamSettings spam;
    KnownSpammers known;
    FixedDomains domains;
    TmsRemotePOP client;
    ActivityLog log;
    testsupport::RecordingFrontEnd front;
    std::unique_ptr<testsupport::ScriptedServer> server;
    std::unique_ptr<CheckRun> run;
};

}  // namespace kelvane::checktest
