#pragma once

#include <optional>
#include <string>
#include <vector>

#include "RuleTable.h"
#include "SpamOptions.h"

namespace kelvane {

// What Savesettings does with a file that another program (or a hand edit) changed since this
// program last read or wrote it.
enum class SaveMode {
    // A changed rule file is read again and this program's new hits and new rows are put into
    // it; changed spam options are read again and this program's new unknown domains added.
    // For the check run, which changes nothing but counts.
    KeepOtherChanges,
    // Every file as it stands in memory.
    AsEdited,
    // The user's edits in the spam settings window: the rules and options as they stand in
    // memory, with the hits another program counted in a changed rule file and the unknown
    // domains it counted in changed spam options added.
    EditedKeepingHits,
};

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
    // file replaced atomically, under a lock on the program's folder so that two programs saving
    // at once take turns. Where `mode` keeps other changes, the tables and options in memory
    // become what was written. Every file is tried; the texts of the problems (a failed write, a
    // changed file that holds no table and was kept as "<name>.bad" and saved over) are returned
    // and the tables stay in memory.
    [[nodiscard]] std::vector<std::string> Savesettings(SaveMode mode = SaveMode::KeepOtherChanges);

    // Removes adjacent duplicate rules from all four tables, in the saving order.
    void DeleteAllDups();

    // The user cleared the unknown-domain counter: the next save writes 0 (plus what this program
    // counts from now on) whatever another program has counted meanwhile. A read forgets it.
    void ResetUnknownDomainCount();

  private:
    // A file's bytes as this program last read or wrote them; nothing for a missing file.
    struct FileSnapshot {
        bool known = false;  // false while the file could neither be read nor written
        std::optional<std::string> bytes;

        bool ChangedTo(const std::optional<std::string>& now) const {
            return !known || bytes != now;
        }
    };

    std::string loadTable(RuleTableKind kind);
    std::string loadOptions();
    void saveTable(RuleTableKind kind, SaveMode mode, std::vector<std::string>& problems);
    std::string takeOtherChanges(RuleTableKind kind, SaveMode mode);
    std::string saveOptions(SaveMode mode);
    void takeOtherOptions(const SpamOptions& onDisk, SaveMode mode);

    std::string folder_;
    std::vector<RuleTable> tables_;
    SpamOptions options_;
    // The tables and options as last read or written, with their files.
    std::vector<RuleTable> savedTables_;
    std::vector<FileSnapshot> savedTableFiles_;
    SpamOptions savedOptions_;
    FileSnapshot savedOptionsFile_;
    bool unknownCountReset_ = false;
};

// The message shown for a rule file that holds no table.
std::string CorruptRuleFileMessage(const std::string& path);

}  // namespace kelvane
