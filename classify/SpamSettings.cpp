#include "SpamSettings.h"

#include "AtomicFile.h"
#include "IniFile.h"
#include "ProgramPaths.h"
#include "RuleFile.h"
#include "RuleTableOperations.h"

namespace kelvane {
namespace {

constexpr RuleTableKind kSaveOrder[] = {RuleTableKind::Subject, RuleTableKind::Header,
                                        RuleTableKind::Sender, RuleTableKind::Exceptions};

// Keeps a copy of a file we could not make sense of, so that the next save cannot destroy it.
void KeepDamagedCopy(const std::string& path, const std::string& content) {
    try {
        WriteFileAtomically(path + ".bad", content);
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

}  // namespace

std::string CorruptRuleFileMessage(const std::string& path) {
    return "File contains no data or corrupt file " + path;
}

SpamSettings::SpamSettings(std::string folder) : folder_(std::move(folder)) {
    for (RuleTableKind kind : kSaveOrder) tables_.emplace_back(kind);
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
    RuleTable& loaded = table(kind);
    loaded = RuleTable(kind);
    const std::string path = filePath(kind);
    std::optional<std::string> content;
    try {
        content = ReadWholeFile(path);
    } catch (const FileError& error) {
        return error.what();
    }
    std::string problem;
    if (content && !ReadRuleFileText(*content, loaded)) {
        KeepDamagedCopy(path, *content);
        problem = CorruptRuleFileMessage(path);
    }
    NormaliseShape(loaded);
    return problem;
}

std::string SpamSettings::loadOptions() {
    options_ = SpamOptions();
    try {
        const auto content = ReadWholeFile(optionsPath());
        if (!content) return {};
        const IniDocument ini = IniDocument::Parse(*content);
        if (!ini.MalformedLines().empty()) KeepDamagedCopy(optionsPath(), *content);
        options_ = ReadSpamOptions(ini);
    } catch (const FileError& error) {
        return error.what();
    }
    return {};
}

std::vector<std::string> SpamSettings::Savesettings() const {
    std::vector<std::string> failures;
    for (RuleTableKind kind : kSaveOrder) {
        try {
            WriteFileAtomically(filePath(kind), WriteRuleFileText(table(kind)));
        } catch (const FileError& error) {
            failures.push_back(error.what());
        }
    }
    try {
        // Keep whatever else the options file holds; only our ten values change.
        const auto content = ReadWholeFile(optionsPath());
        IniDocument ini = content ? IniDocument::Parse(*content) : IniDocument();
        WriteSpamOptions(options_, ini);
        WriteFileAtomically(optionsPath(), ini.Serialize());
    } catch (const FileError& error) {
        failures.push_back(error.what());
    }
    return failures;
}

void SpamSettings::DeleteAllDups() {
    for (RuleTableKind kind : kSaveOrder) DeleteDupsFromGrid(table(kind));
}

}  // namespace kelvane
