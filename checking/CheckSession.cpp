#include "CheckSession.h"

#include "AtomicFile.h"
#include "LogFileNames.h"
#include "ProgramPaths.h"
#include "StarterRules.h"

namespace kelvane {

CheckSession::CheckSession(const std::string& folder, const std::string& settingsFile,
                           CheckFrontEnd& frontEnd)
    : folder(folder),
      store(settingsFile),
      spam(folder),
      log([this] {
          // Asked at every record, so a change of the log settings applies at once.
          return CurrentLogFileName(model.general.logfile,
                                    LogNamingFrom(model.general.logMonth, model.general.logQuarter),
                                    SystemLocalTime(), this->folder);
      }),
      run(spam, model, store, client, log, known, domains, frontEnd) {
    client.SetMessageDirectory(folder);
}

std::vector<std::string> CheckSession::Load() {
    model.Load(store);
    std::vector<std::string> problems;
    WriteStarterRules(spam, problems);
    for (std::string& problem : spam.readSettings()) problems.push_back(std::move(problem));
    try {
        known.LoadUpKnownList(paths::JoinPath(folder, paths::kKnownSpammersFile));
    } catch (const FileError& error) {
        problems.push_back(error.what());
    }
    run.setCurrentMailbox(ValidMailboxNumber(model.accounts.which));
    run.CleanUpEMLFiles();
    run.LoadCurrentMailbox();
    return problems;
}

}  // namespace kelvane
