#include "QuotedPrintable.h"

#include <algorithm>
#include <string_view>

#include "EventPump.h"

namespace kelvane {
namespace {

constexpr size_t kMaxLineLength = 255;
constexpr char kCtrlZ = 26;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Appends `line` with its "=XX" escapes decoded; an "=" without two hex digits after it stays.
void AppendUnescaped(std::string_view line, std::string& out) {
    size_t pos = 0;
    while (pos < line.size()) {
        size_t eq = line.find('=', pos);
        if (eq == std::string_view::npos) eq = line.size();
        out.append(line.data() + pos, eq - pos);
        if (eq == line.size()) break;
        int high = eq + 2 < line.size() ? HexValue(line[eq + 1]) : -1;
        int low = high >= 0 ? HexValue(line[eq + 2]) : -1;
        if (low >= 0) {
            out.push_back(static_cast<char>(high * 16 + low));
            pos = eq + 3;
        } else {
            out.push_back('=');
            pos = eq + 1;
        }
    }
}

}  // namespace

std::string TQuotedPrintable::Decode(const std::vector<std::string>& lines) {
    size_t expected = 0;
    for (const std::string& line : lines) expected += std::min(line.size(), kMaxLineLength) + 2;
    std::string out;
    out.reserve(expected);

    bool inParagraph = false;
    for (const std::string& whole : lines) {
        std::string_view line = std::string_view(whole).substr(0, kMaxLineLength);
        inParagraph = true;
        if (!line.empty() && line.back() == '=') {
            AppendUnescaped(line.substr(0, line.size() - 1), out);
            continue;
        }
        AppendUnescaped(line, out);
        if (line.empty() || line.back() != kCtrlZ) out.append("\r\n");
        inParagraph = false;
        PumpEvents();
    }
    // A soft break on the last line still ends a paragraph.
    if (inParagraph) PumpEvents();
    return out;
}

}  // namespace kelvane
