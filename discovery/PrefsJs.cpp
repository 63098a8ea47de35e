#include "PrefsJs.h"

namespace kelvane {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Reads a JavaScript string literal at the front of `text` and removes it from there.
class LiteralReader {
  public:
    explicit LiteralReader(std::string_view& text) : text_(text) {}

    std::optional<std::string> Read() {
        if (text_.empty() || (text_.front() != '"' && text_.front() != '\'')) return std::nullopt;
        const char quote = text_.front();
        text_.remove_prefix(1);
        std::string value;
        while (!text_.empty() && text_.front() != quote) {
            const char c = Take();
            if (c != '\\') {
                value += c;
            } else if (!Escape(value)) {
                return std::nullopt;
            }
        }
        if (text_.empty()) return std::nullopt;
        text_.remove_prefix(1);
        return value;
    }

  private:
    char Take() {
        const char c = text_.front();
        text_.remove_prefix(1);
        return c;
    }

    bool Escape(std::string& value) {
        if (text_.empty()) return false;
        const char c = Take();
        switch (c) {
            case 'n':
                value += '\n';
                return true;
            case 'r':
                value += '\r';
                return true;
            case 't':
                value += '\t';
                return true;
            case 'x':
                return Code(value, 2);
            case 'u':
                return Code(value, 4);
            default:
                value += c;
                return true;
        }
    }

    // \xHH or \uHHHH, written out in UTF-8.
    bool Code(std::string& value, std::size_t digits) {
        if (text_.size() < digits) return false;
        unsigned code = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const int digit = HexDigit(text_[i]);
            if (digit < 0) return false;
            code = code * 16 + static_cast<unsigned>(digit);
        }
        text_.remove_prefix(digits);
        AppendUtf8(value, code);
        return true;
    }

    std::string_view& text_;
};

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
}

bool Consume(std::string_view& text, std::string_view expected) {
    SkipBlanks(text);
    if (!text.starts_with(expected)) return false;
    text.remove_prefix(expected.size());
    return true;
}

// A value that is no string: everything up to the closing parenthesis, without blanks.
std::optional<std::string> BareValue(std::string_view& text) {
    const auto end = text.find(')');
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view value = text.substr(0, end);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    text.remove_prefix(end);
    if (value.empty()) return std::nullopt;
    return std::string(value);
}

}  // namespace

std::optional<PrefLine> ParsePrefLine(std::string_view line) {
    if (!Consume(line, "user_pref") || !Consume(line, "(")) return std::nullopt;
    SkipBlanks(line);
    auto name = LiteralReader(line).Read();
    if (!name || !Consume(line, ",")) return std::nullopt;
    SkipBlanks(line);
    auto value = (line.starts_with('"') || line.starts_with('\'')) ? LiteralReader(line).Read()
                                                                   : BareValue(line);
    if (!value || !Consume(line, ")") || !Consume(line, ";")) return std::nullopt;
    return PrefLine{std::move(*name), std::move(*value)};
}

}  // namespace kelvane
