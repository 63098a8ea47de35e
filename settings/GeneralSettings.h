#pragma once

#include <optional>
#include <string>

#include "MailboxAccounts.h"

namespace kelvane {

class SettingsStore;

// The options of the "General" and "Logfile" sections, with the key table's defaults.
struct GeneralSettings {
    bool logAsIs = true;
    bool logQuarter = false;
    bool logMonth = false;

    std::string logfile;
    std::string mailer;
    std::string alarmFile;
    bool automatic = false;
    bool ask = true;
    bool kill = false;
    int minutes = 10;
    bool launch = true;
    bool exitIfNoMail = false;
    bool alarm = true;
    bool repeat = true;
    int ras = 0;  // position in the dial-up list; 0 for none
    // The entry chosen; empty when the file holds only a position, which then names it.
    std::string rasName;
    std::string count = "0";
    bool sysTray = false;

    bool operator==(const GeneralSettings&) const = default;
};

// Numbers outside their ranges read as the key table holds them, and exactly one log naming
// mode is on (quarterly before monthly, as the log names them).
GeneralSettings ReadGeneralSettings(const SettingsStore& store);

// How a save treats the deleted-spam counter. A deletion elsewhere (the command line) raises the
// stored count while the window holds an older one, so only a reset by the user overwrites it.
enum class SpamCountSave { KeepStored, Write };

// Writes every option in one file replacement; the dial-up entry's name after the others.
void SaveGeneralSettings(SettingsStore& store, const GeneralSettings& settings,
                         SpamCountSave count = SpamCountSave::Write);

// What the general settings window edits, kept for the whole run: confirming the window saves it,
// cancelling reloads it, and every run reads it.
struct GeneralSettingsModel {
    GeneralSettings general;
    MailboxAccounts accounts;

    void Load(const SettingsStore& store);
    // The general options, then the accounts; the accounts' problem when they are incomplete.
    // The counter is written only after ResetSpamCount; otherwise the stored one is kept and
    // read back.
    std::optional<AccountProblem> Save(SettingsStore& store,
                                       const MailboxAccounts::PasswordKeeper& keep = {});
    // "&Reset counter": the count shows "0" and the next Save stores it.
    void ResetSpamCount();

  private:
    bool spamCountReset_ = false;
};

}  // namespace kelvane
