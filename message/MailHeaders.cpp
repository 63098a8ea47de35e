#include "MailHeaders.h"

#include <algorithm>

#include "Charset.h"
#include "EncodedWords.h"
#include "MailText.h"

namespace kelvane {
namespace {

// Header values pass through 255-byte buffers before and after decoding.
constexpr size_t kMaxFieldValue = 255;

std::string WithColon(std::string_view fieldName) {
    std::string name(fieldName);
    if (name.empty() || name.back() != ':') name += ':';
    return name;
}

bool IsContinuation(const std::string& line) {
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

TmsHeaders::const_iterator FindField(const TmsHeaders& headers, std::string_view nameWithColon) {
    return std::find_if(headers.begin(), headers.end(), [&](const std::string& line) {
        return mailtext::StartsWithNoCase(line, nameWithColon);
    });
}

// The text after the first colon; one blank or tab right after it is the customary separator.
std::string_view ValueAfterColon(std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view value = line.substr(colon + 1);
    if (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    return mailtext::Trim(value);
}

bool IsKeptWhole(std::string_view nameWithColon) {
    return mailtext::EqualsNoCase(nameWithColon, "Content-Type:") ||
           mailtext::EqualsNoCase(nameWithColon, "X-UIDL:");
}

}  // namespace

TmsHeaders SplitHeaderLines(std::string_view block) {
    TmsHeaders lines;
    size_t start = 0;
    for (size_t i = 0; i < block.size(); ++i) {
        if (block[i] != '\r' && block[i] != '\n') continue;
        lines.emplace_back(block.substr(start, i - start));
        if (block[i] == '\r' && i + 1 < block.size() && block[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < block.size()) lines.emplace_back(block.substr(start));
    return lines;
}

std::string GetFieldValue(const TmsHeaders& headers, std::string_view fieldName) {
    const std::string name = WithColon(fieldName);
    auto line = FindField(headers, name);
    if (line == headers.end()) return {};

    std::string value(ValueAfterColon(*line));
    for (++line; line != headers.end() && IsContinuation(*line); ++line) {
        value += ' ';
        value += mailtext::Trim(*line);
    }
    if (IsKeptWhole(name)) return value;
    return CutUtf8(DecodeEncodedWords(CutUtf8(value, kMaxFieldValue)), kMaxFieldValue);
}

void RemoveField(TmsHeaders& headers, std::string_view fieldName) {
    const auto found = FindField(headers, WithColon(fieldName));
    if (found == headers.end()) return;
    const auto first = headers.begin() + (found - headers.cbegin());
    const auto last = std::find_if_not(first + 1, headers.end(), IsContinuation);
    headers.erase(first, last);
}

void CutAtBody(TmsHeaders& headers) {
    const auto blank = std::find_if(headers.begin(), headers.end(),
                                    [](const std::string& line) { return line.empty(); });
    headers.erase(blank, headers.end());
}

}  // namespace kelvane
