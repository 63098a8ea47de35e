#include "UUDecode.h"

#include <algorithm>

#include "MailText.h"

namespace kelvane {
namespace {

constexpr size_t kModeDigits = 3;
constexpr size_t kNameOffset = 10;

unsigned Sextet(std::string_view line, size_t index) {
    if (index >= line.size()) return 0;
    return (static_cast<unsigned char>(line[index]) - 0x20u) & 0x3Fu;
}

bool IsNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool IsUUBegin(std::string_view line) {
    if (line.size() <= 8 || !mailtext::StartsWithNoCase(line, "BEGIN")) return false;
    return IsNumber(mailtext::Trim(line.substr(5)).substr(0, kModeDigits));
}

bool IsUUEnd(std::string_view line) {
    return line == "`" || mailtext::EqualsNoCase(line, "END");
}

std::string UUBeginFileName(std::string_view line) {
    if (line.size() <= kNameOffset) return {};
    std::string_view rest = line.substr(kNameOffset);
    if (rest.front() != '"') return std::string(rest.substr(0, rest.find(' ')));
    const size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) return {};
    return std::string(rest.substr(1, close - 1));
}

void AppendUUDecodedLine(std::string_view line, std::string& out) {
    if (line.empty()) return;
    size_t count = Sextet(line, 0);
    for (size_t at = 1; count > 0; at += 4) {
        const unsigned bits = (Sextet(line, at) << 18) | (Sextet(line, at + 1) << 12) |
                              (Sextet(line, at + 2) << 6) | Sextet(line, at + 3);
        const size_t take = std::min<size_t>(count, 3);
        for (size_t i = 0; i < take; ++i) out.push_back(static_cast<char>(bits >> (16 - 8 * i)));
        count -= take;
    }
}

}  // namespace kelvane
