#pragma once

#include <string>
#include <vector>

#include "ActivityLog.h"
#include "CheckRun.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "MXDomainChecker.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TmsRemotePOP.h"

namespace kelvane {

class CheckFrontEnd;

// Everything a program's check and deletion runs work with, made once for the whole program, so
// that the window and the command line start up the same way: the settings store and the model
// read from it, the rule tables, the known-spammer list, the POP3 client, the activity log named
// by the current log settings, and the run.
class CheckSession {
  public:
    // `folder` is the program's folder; `frontEnd` must outlive the session.
    CheckSession(const std::string& folder, const std::string& settingsFile,
                 CheckFrontEnd& frontEnd);
    CheckSession(const CheckSession&) = delete;
    CheckSession& operator=(const CheckSession&) = delete;

    // Reads the store, the rule files and the known-spammer list, removes message files left by
    // an earlier run and loads the current mailbox into the client. Whatever could not be read
    // is returned for the caller to show; loading goes on without it.
    std::vector<std::string> Load();

    const std::string folder;
    SettingsStore store;
    GeneralSettingsModel model;
    SpamSettings spam;
    KnownSpammers known;
    MXDomainChecker domains;
    TmsRemotePOP client;
    ActivityLog log;
    CheckRun run;
};

}  // namespace kelvane
