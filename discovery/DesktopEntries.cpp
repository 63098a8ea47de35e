#include "DesktopEntries.h"

#include <optional>

#include "IniFile.h"

namespace kelvane {
namespace {

constexpr std::string_view kEntrySection = "Desktop Entry";

std::string_view Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// The escapes of a desktop file's string values: \s, \n, \t, \r and \\. Any other backslash is
// kept for the quoting rules that follow.
std::string UndoValueEscapes(std::string_view value) {
    constexpr std::string_view kEscaped = "sntr\\";
    constexpr std::string_view kMeant = " \n\t\r\\";
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto at = value[i] == '\\' && i + 1 < value.size() ? kEscaped.find(value[i + 1])
                                                                 : std::string_view::npos;
        if (at == std::string_view::npos) {
            out += value[i];
        } else {
            out += kMeant[at];
            ++i;
        }
    }
    return out;
}

// The Exec key's field codes, all dropped: a mail program is started with no file or address.
constexpr std::string_view kFieldCodes = "fFuUdDnNickvm";
// What a backslash inside double quotes takes literally.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";
// The characters the Exec key reserves, and CR, which the split also reads as a blank.
constexpr std::string_view kNeedQuotes = " \t\n\r\"'\\><~|&;$*?#()`";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Splits a command into words by the Exec key's quoting: blanks part words outside double quotes;
// inside them a backslash takes the next character literally when the quoting escapes it.
class CommandSplitter {
  public:
    explicit CommandSplitter(std::string_view command) : command_(command) {}

    std::vector<std::string> Words() {
        for (pos_ = 0; pos_ < command_.size(); ++pos_) {
            const char c = command_[pos_];
            if (IsBlank(c)) {
                EndWord();
            } else if (c == '"') {
                Quoted();
            } else {
                word_ += c;
            }
        }
        EndWord();
        return std::move(words_);
    }

  private:
    void Quoted() {
        quoted_ = true;
        for (++pos_; pos_ < command_.size() && command_[pos_] != '"'; ++pos_) {
            if (command_[pos_] == '\\' && pos_ + 1 < command_.size() &&
                kEscapedInQuotes.find(command_[pos_ + 1]) != std::string_view::npos) {
                ++pos_;
            }
            word_ += command_[pos_];
        }
    }

    void EndWord() {
        // A quoted "" is an empty word.
        if (!word_.empty() || quoted_) words_.push_back(std::move(word_));
        word_.clear();
        quoted_ = false;
    }

    std::string_view command_;
    std::size_t pos_ = 0;
    std::string word_;
    bool quoted_ = false;
    std::vector<std::string> words_;
};

// The word with "%%" read as "%" and its field codes dropped; nothing for a percent sign that is
// no field code, which makes the whole command line invalid.
std::optional<std::string> WithoutFieldCodes(const std::string& word) {
    std::string out;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
        } else if (++i < word.size() && word[i] == '%') {
            out += '%';
        } else if (i >= word.size() || kFieldCodes.find(word[i]) == std::string_view::npos) {
            return std::nullopt;
        }
    }
    return out;
}

std::string Quoted(const std::string& word) {
    std::string out = "\"";
    for (char c : word) {
        if (kEscapedInQuotes.find(c) != std::string_view::npos) out += '\\';
        out += c;
    }
    return out + '"';
}

bool IsEnvProgram(const std::string& word) {
    return word == "env" || (word.size() > 4 && word.ends_with("/env"));
}

bool IsVariableSetting(const std::string& word) {
    const auto equals = word.find('=');
    return equals != std::string::npos && equals > 0 && word.find('/') > equals;
}

}  // namespace

std::vector<std::string> DefaultMailtoEntries(std::string_view mimeappsList) {
    const IniDocument list = IniDocument::Parse(mimeappsList);
    const std::string ids =
        list.Value("Default Applications", "x-scheme-handler/mailto").value_or("");
    std::vector<std::string> entries;
    std::string_view rest = ids;
    while (!rest.empty()) {
        const auto end = rest.find(';');
        const std::string_view id = Trimmed(rest.substr(0, end));
        if (!id.empty()) entries.emplace_back(id);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return entries;
}

// Quoting is undone before the field codes are, so that "%%" counts inside quotes too.
std::vector<std::string> ExecWords(std::string_view exec) {
    std::vector<std::string> words;
    for (const std::string& word : CommandWords(UndoValueEscapes(exec))) {
        const std::optional<std::string> kept = WithoutFieldCodes(word);
        if (!kept) return {};
        // A word made only of field codes is no word at all.
        if (!kept->empty() || word.empty()) words.push_back(*kept);
    }
    return words;
}

std::vector<std::string> CommandWords(std::string_view command) {
    return CommandSplitter(command).Words();
}

std::string CommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        const bool plain = !word.empty() && word.find_first_of(kNeedQuotes) == std::string::npos;
        line += plain ? word : Quoted(word);
    }
    return line;
}

std::size_t ProgramWord(const std::vector<std::string>& words) {
    if (words.empty() || !IsEnvProgram(words[0])) return 0;
    std::size_t first = 1;
    while (first < words.size() && IsVariableSetting(words[first])) ++first;
    return first;
}

std::vector<std::string> DesktopEntryCommand(std::string_view desktopFile) {
    const IniDocument entry = IniDocument::Parse(desktopFile);
    if (Trimmed(entry.Value(kEntrySection, "Hidden").value_or("")) == "true") return {};
    const std::string type = entry.Value(kEntrySection, "Type").value_or("Application");
    if (Trimmed(type) != "Application") return {};
    return ExecWords(entry.Value(kEntrySection, "Exec").value_or(""));
}

std::string DesktopEntryProgram(std::string_view desktopFile) {
    const std::vector<std::string> words = DesktopEntryCommand(desktopFile);
    const std::size_t program = ProgramWord(words);
    return program < words.size() ? words[program] : std::string();
}

}  // namespace kelvane
