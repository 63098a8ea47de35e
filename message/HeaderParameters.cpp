#include "HeaderParameters.h"

#include "Charset.h"
#include "EncodedWords.h"
#include "MailText.h"

namespace kelvane {
namespace {

// Stands in for a quoted comma while the entries are split.
constexpr char kQuotedComma = '\xFF';
constexpr size_t kMaxEntry = 255;

void AddEntry(std::string_view piece, std::vector<std::string>& entries) {
    entries.push_back(DecodeEncodedWords(CutUtf8(mailtext::Trim(piece), kMaxEntry)));
}

void SplitAtCommas(std::string_view text, std::vector<std::string>& entries) {
    size_t comma;
    while ((comma = text.find(',')) != std::string_view::npos) {
        AddEntry(text.substr(0, comma), entries);
        text.remove_prefix(comma + 1);
    }
    if (!text.empty()) AddEntry(text, entries);
}

std::string ProtectQuotedCommas(std::string_view text) {
    std::string out(text);
    bool quoted = false;
    for (char& c : out) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && quoted) c = kQuotedComma;
    }
    return out;
}

// The field's own line loses everything up to its first colon and the character after it.
void SplitFieldLine(std::string_view line, std::vector<std::string>& entries) {
    std::string_view value = line.substr(line.find(':') + 1);
    if (!value.empty()) value.remove_prefix(1);
    SplitAtCommas(ProtectQuotedCommas(value), entries);
}

}  // namespace

std::vector<std::string> GetFieldAddresses(const TmsHeaders& headers, std::string_view fieldName) {
    std::vector<std::string> entries;
    size_t i = 0;
    while (i < headers.size()) {
        const std::string& line = headers[i++];
        if (!mailtext::StartsWithNoCase(line, fieldName)) continue;
        if (line.find(':') == std::string::npos) break;
        SplitFieldLine(line, entries);
        for (; i < headers.size() && headers[i].find(':') == std::string::npos; ++i) {
            SplitAtCommas(headers[i], entries);
        }
    }
    for (std::string& entry : entries) {
        for (char& c : entry) {
            if (c == kQuotedComma) c = ',';
        }
    }
    return entries;
}

std::string GetParameter(std::string_view name, std::string_view fieldValue) {
    const size_t found = mailtext::FindNoCase(fieldValue, name);
    if (name.empty() || found == std::string_view::npos) return {};
    std::string_view value = fieldValue.substr(found + name.size());
    if (!value.empty()) value.remove_prefix(1);
    value = mailtext::Trim(value);
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        value = value.substr(0, value.find('"'));
    } else {
        value = value.substr(0, value.find(' '));
    }
    if (!value.empty() && value.back() == ';') value.remove_suffix(1);
    return std::string(mailtext::Trim(value));
}

std::string GetMediaType(std::string_view fieldValue) {
    return std::string(mailtext::Trim(fieldValue.substr(0, fieldValue.find_first_of(" ;"))));
}

}  // namespace kelvane
