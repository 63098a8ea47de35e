#include "DesktopEntries.h"

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

// Splits the Exec command into words. Inside double quotes a backslash keeps the next character
// as it is; outside them "%%" is a percent sign and "%" with a letter is a field code, dropped.
class ExecSplitter {
  public:
    explicit ExecSplitter(std::string_view command) : command_(command) {}

    std::vector<std::string> Words() {
        for (pos_ = 0; pos_ < command_.size(); ++pos_) {
            const char c = command_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                EndWord();
            } else if (c == '"') {
                Quoted();
            } else if (c == '%') {
                Percent();
            } else {
                word_ += c;
            }
        }
        EndWord();
        return std::move(words_);
    }

  private:
    void Quoted() {
        for (++pos_; pos_ < command_.size() && command_[pos_] != '"'; ++pos_) {
            if (command_[pos_] == '\\' && pos_ + 1 < command_.size()) ++pos_;
            word_ += command_[pos_];
        }
    }

    void Percent() {
        if (pos_ + 1 < command_.size() && command_[pos_ + 1] == '%') word_ += '%';
        ++pos_;  // the code's letter
    }

    void EndWord() {
        // A word made only of field codes is no word at all.
        if (!word_.empty()) words_.push_back(std::move(word_));
        word_.clear();
    }

    std::string_view command_;
    std::size_t pos_ = 0;
    std::string word_;
    std::vector<std::string> words_;
};

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

std::vector<std::string> ExecWords(std::string_view exec) {
    return ExecSplitter(UndoValueEscapes(exec)).Words();
}

std::string DesktopEntryProgram(std::string_view desktopFile) {
    const IniDocument entry = IniDocument::Parse(desktopFile);
    if (Trimmed(entry.Value(kEntrySection, "Hidden").value_or("")) == "true") return {};
    const std::string type = entry.Value(kEntrySection, "Type").value_or("Application");
    if (Trimmed(type) != "Application") return {};

    const std::vector<std::string> words =
        ExecWords(entry.Value(kEntrySection, "Exec").value_or(""));
    std::size_t first = 0;
    if (!words.empty() && IsEnvProgram(words[0])) {
        for (first = 1; first < words.size() && IsVariableSetting(words[first]); ++first) {
        }
    }
    return first < words.size() ? words[first] : std::string();
}

}  // namespace kelvane
