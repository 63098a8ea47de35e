#include "SpamSettings.h"

#include "AtomicFile.h"
#include "FileLock.h"
#include "IniFile.h"
#include "ProgramPaths.h"
#include "RuleFile.h"
#include "RuleTableMerge.h"
#include "RuleTableOperations.h"

namespace kelvane {
namespace {

constexpr RuleTableKind kSaveOrder[] = {RuleTableKind::Subject, RuleTableKind::Header,
                                        RuleTableKind::Sender, RuleTableKind::Exceptions};

// Keeps a copy of a file we could not make sense of, so that the next save cannot destroy it.
void KeepDamagedCopy(const std::string& path, const std::string& content) {
    try {
        WriteFileAtomicallyWithMode(path + ".bad", content, kPrivateFileMode);
    } catch (const FileError&) {
        // The original is still in place; the caller reports the damage either way.
    }
}

// Brings a freshly read table to the shape the program works with: a file with more columns
// loses the extra ones, one with fewer gains empty ones, and there is always a rule row.
void NormaliseShape(RuleTable& table) {
    const int columns = table.layout().columnCount;
    if (table.kind() == RuleTableKind::Exceptions && table.columnCount() < 6) {
        // Written with the five text columns alone: add the picture and picture-number columns.
        table.setColumnCount(5);
        table.insertColumns(5, 2);
    }
    table.setColumnCount(columns);
    if (table.rowCount() < 2) table.setRowCount(2);
    table.applyHeadings();
}

// `content` (nothing for a missing file) read into `table`. A file that holds no table is kept
// as "<name>.bad" and gives an empty table and the problem's text.
std::string TableFromFile(const std::string& path, const std::optional<std::string>& content,
                          RuleTable& table) {
    table = RuleTable(table.kind());
    std::string problem;
    if (content && !ReadRuleFileText(*content, table)) {
        KeepDamagedCopy(path, *content);
        problem = CorruptRuleFileMessage(path);
    }
    NormaliseShape(table);
    return problem;
}

std::string LockPath(const std::string& folder) {
    return paths::JoinPath(folder, paths::kRuleFilesLock);
}

std::string NotSavedMessage(const FileError& error) {
    return std::string("The rule files and spam options were not saved.\n") + error.what();
}

std::string UnableToWriteMessage(const std::string& path, const std::string& reason) {
    return "Unable to write to " + path + (reason.empty() ? "" : "\n" + reason);
}

}  // namespace

std::string CorruptRuleFileMessage(const std::string& path) {
    return "File contains no data or corrupt file " + path;
}

SpamSettings::SpamSettings(std::string folder) : folder_(std::move(folder)) {
    for (RuleTableKind kind : kSaveOrder) tables_.emplace_back(kind);
    // Until the files are read, this holds what a folder without them gives.
    savedTables_ = tables_;
    savedTableFiles_.assign(tables_.size(), FileSnapshot{true, std::nullopt});
    savedOptionsFile_ = FileSnapshot{true, std::nullopt};
}

std::string SpamSettings::filePath(RuleTableKind kind) const {
    return paths::JoinPath(folder_, LayoutOf(kind).fileName);
}

std::string SpamSettings::optionsPath() const {
    return paths::JoinPath(folder_, paths::kSpamOptionsFile);
}

RuleTable& SpamSettings::table(RuleTableKind kind) {
    return tables_[static_cast<size_t>(kind)];
}

const RuleTable& SpamSettings::table(RuleTableKind kind) const {
    return tables_[static_cast<size_t>(kind)];
}

std::vector<std::string> SpamSettings::readSettings() {
    std::vector<std::string> problems;
    for (RuleTableKind kind : kSaveOrder) {
        std::string problem = loadTable(kind);
        if (!problem.empty()) problems.push_back(std::move(problem));
    }
    std::string problem = loadOptions();
    if (!problem.empty()) problems.push_back(std::move(problem));
    return problems;
}

std::string SpamSettings::loadTable(RuleTableKind kind) {
    const auto index = static_cast<size_t>(kind);
    RuleTable& loaded = table(kind);
    loaded = RuleTable(kind);
    savedTables_[index] = loaded;
    savedTableFiles_[index] = FileSnapshot{};
    const std::string path = filePath(kind);
    std::optional<std::string> content;
    try {
        content = ReadWholeFile(path);
    } catch (const FileError& error) {
        return error.what();
    }
    std::string problem = TableFromFile(path, content, loaded);
    savedTables_[index] = loaded;
    savedTableFiles_[index] = FileSnapshot{true, std::move(content)};
    return problem;
}

std::string SpamSettings::loadOptions() {
    options_ = SpamOptions();
    unknownCountReset_ = false;
    savedOptions_ = options_;
    savedOptionsFile_ = FileSnapshot{};
    try {
        const auto content = ReadWholeFile(optionsPath());
        if (content) {
            const IniDocument ini = IniDocument::Parse(*content);
            if (!ini.MalformedLines().empty()) KeepDamagedCopy(optionsPath(), *content);
            options_ = ReadSpamOptions(ini);
        }
        savedOptions_ = options_;
        savedOptionsFile_ = FileSnapshot{true, content};
    } catch (const FileError& error) {
        return error.what();
    }
    return {};
}

std::vector<std::string> SpamSettings::Savesettings(SaveMode mode) {
    // Two programs saving at once take turns; without the lock nothing is written, since an
    // unguarded save could undo the other program's.
    std::optional<FileLock> lock;
    try {
        lock.emplace(LockPath(folder_), kPrivateFileMode);
    } catch (const FileError& error) {
        return {NotSavedMessage(error)};
    }
    std::vector<std::string> problems;
    for (RuleTableKind kind : kSaveOrder) saveTable(kind, mode, problems);
    std::string problem = saveOptions(mode);
    if (!problem.empty()) problems.push_back(std::move(problem));
    return problems;
}

void SpamSettings::saveTable(RuleTableKind kind, SaveMode mode,
                             std::vector<std::string>& problems) {
    try {
        if (mode != SaveMode::AsEdited) {
            std::string problem = takeOtherChanges(kind, mode);
            if (!problem.empty()) problems.push_back(std::move(problem));
        }
        std::string text = WriteRuleFileText(table(kind));
        WriteFileAtomicallyWithMode(filePath(kind), text, kPrivateFileMode);
        const auto index = static_cast<size_t>(kind);
        savedTables_[index] = table(kind);
        savedTableFiles_[index] = FileSnapshot{true, std::move(text)};
    } catch (const FileError& error) {
        problems.push_back(error.what());
    }
}

// A file we cannot read is not written either: what it holds would be lost.
std::string SpamSettings::takeOtherChanges(RuleTableKind kind, SaveMode mode) {
    const auto index = static_cast<size_t>(kind);
    const std::string path = filePath(kind);
    const std::optional<std::string> onDisk = ReadWholeFile(path);
    if (!savedTableFiles_[index].ChangedTo(onDisk)) return {};
    RuleTable reread(kind);
    std::string problem = TableFromFile(path, onDisk, reread);
    if (!problem.empty()) return problem;
    table(kind) = mode == SaveMode::KeepOtherChanges
                      ? MergeRuleTable(reread, savedTables_[index], table(kind))
                      : AddHitsCountedElsewhere(reread, savedTables_[index], table(kind));
    return {};
}

std::string SpamSettings::saveOptions(SaveMode mode) {
    try {
        // Keep whatever else the options file holds; only our ten values change.
        const auto content = ReadWholeFile(optionsPath());
        IniDocument ini = content ? IniDocument::Parse(*content) : IniDocument();
        if (mode != SaveMode::AsEdited && savedOptionsFile_.ChangedTo(content)) {
            takeOtherOptions(ReadSpamOptions(ini), mode);
        }
        WriteSpamOptions(options_, ini);
        std::string text = ini.Serialize();
        WriteFileAtomicallyWithMode(optionsPath(), text, kPrivateFileMode);
        savedOptions_ = options_;
        savedOptionsFile_ = FileSnapshot{true, std::move(text)};
        unknownCountReset_ = false;
    } catch (const FileError& error) {
        return UnableToWriteMessage(optionsPath(), error.reason());
    }
    return {};
}

// The counter is raised from the stored count, so that the unknown domains another program
// counted since our last read or write are kept, unless the user cleared it.
void SpamSettings::takeOtherOptions(const SpamOptions& onDisk, SaveMode mode) {
    const SpamOptions merged = MergeSpamOptions(onDisk, savedOptions_, options_);
    std::string count =
        unknownCountReset_ ? options_.unknownDomainCount : merged.unknownDomainCount;
    if (mode == SaveMode::KeepOtherChanges) options_ = merged;
    options_.unknownDomainCount = std::move(count);
}

void SpamSettings::ResetUnknownDomainCount() {
    options_.unknownDomainCount = "0";
    unknownCountReset_ = true;
}

void SpamSettings::DeleteAllDups() {
    for (RuleTableKind kind : kSaveOrder) DeleteDupsFromGrid(table(kind));
}

}  // namespace kelvane
