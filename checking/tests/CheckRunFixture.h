#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ActivityLog.h"
#include "CheckRun.h"
#include "DomainChecker.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "Pop3Script.h"
#include "RecordingFrontEnd.h"
#include "ScriptedServer.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TmsRemotePOP.h"

namespace kelvane::checktest {

using testsupport::Dele;
using testsupport::Greeting;
using testsupport::Join;
using testsupport::Listing;
using testsupport::ListingStart;
using testsupport::Login;
using testsupport::PlainCapa;
using testsupport::Quit;
using testsupport::Recheck;
using testsupport::Retr;
using testsupport::Script;
using testsupport::Top;

class FixedDomains : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string&) override { return answer; }
    DomainAnswer answer = DomainAnswer::Exists;
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
