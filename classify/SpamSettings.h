#pragma once

#include <string>
#include <vector>

#include "RuleTable.h"
#include "SpamOptions.h"

namespace kelvane {

// The user's four rule tables and the spam options, loaded from and saved to the program's
// folder. One instance lives for the whole run; the spam settings window edits it and the
// classification reads it.
class SpamSettings {
  public:
    explicit SpamSettings(std::string folder);

    const std::string& folder() const { return folder_; }
    std::string filePath(RuleTableKind kind) const;
    std::string optionsPath() const;

    RuleTable& table(RuleTableKind kind);
    const RuleTable& table(RuleTableKind kind) const;
    RuleTable& subjects() { return table(RuleTableKind::Subject); }
    RuleTable& headers() { return table(RuleTableKind::Header); }
    RuleTable& senders() { return table(RuleTableKind::Sender); }
    RuleTable& exceptions() { return table(RuleTableKind::Exceptions); }

    SpamOptions& options() { return options_; }
    const SpamOptions& options() const { return options_; }

    // Loads the four rule files and the options, throwing away what is in memory. A missing file
    // gives an empty table. Every file is tried; the texts of the problems found (a rejected or
    // unreadable file) are returned for the user. A rejected file is copied to "<name>.bad"
    // first, so that saving over it later loses nothing.
    [[nodiscard]] std::vector<std::string> readSettings();

    // Writes the four rule files (Subject, Header, Sender, Exceptions) and the options, each
    // file replaced atomically. Every file is tried; the texts of the failures are returned and
    // the tables stay in memory.
    [[nodiscard]] std::vector<std::string> Savesettings() const;

    // Removes adjacent duplicate rules from all four tables, in the saving order.
    void DeleteAllDups();

  private:
    std::string loadTable(RuleTableKind kind);
    std::string loadOptions();

    std::string folder_;
    std::vector<RuleTable> tables_;
    SpamOptions options_;
};

// The message shown for a rule file that holds no table.
std::string CorruptRuleFileMessage(const std::string& path);

}  // namespace kelvane
