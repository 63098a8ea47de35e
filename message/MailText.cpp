#include "MailText.h"

#include <algorithm>

namespace kelvane::mailtext {
namespace {

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool SameFolded(char a, char b) {
    return UpperChar(a) == UpperChar(b);
}
bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string Upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), UpperChar);
    return out;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), LowerChar);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameFolded);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

size_t FindNoCase(std::string_view text, std::string_view needle) {
    const auto found =
        std::search(text.begin(), text.end(), needle.begin(), needle.end(), SameFolded);
    if (found == text.end() && !needle.empty()) return std::string_view::npos;
    return static_cast<size_t>(found - text.begin());
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace kelvane::mailtext
