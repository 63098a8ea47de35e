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
    std::string count = "0";
    bool sysTray = false;

    bool operator==(const GeneralSettings&) const = default;
};

GeneralSettings ReadGeneralSettings(const SettingsStore& store);
// Writes every option in one file replacement.
void SaveGeneralSettings(SettingsStore& store, const GeneralSettings& settings);

// What the general settings window edits, kept for the whole run: confirming the window saves it,
// cancelling reloads it, and every run reads it.
struct GeneralSettingsModel {
    GeneralSettings general;
    MailboxAccounts accounts;

    void Load(const SettingsStore& store);
    // The general options, then the accounts; the accounts' problem when they are incomplete.
    std::optional<AccountProblem> Save(SettingsStore& store) const;
};

}  // namespace kelvane
