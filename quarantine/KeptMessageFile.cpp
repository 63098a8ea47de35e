#include "KeptMessageFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace kelvane {
namespace {

// Backslash and every control byte are escaped, so that a value stays on its one line whatever
// a subject held.
std::string Escaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> Unescaped(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
        } else if (i + 1 < value.size() && value[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < value.size() && value[i + 1] == 'x' && HexDigit(value[i + 2]) >= 0 &&
                   HexDigit(value[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(value[i + 2]) * 16 + HexDigit(value[i + 3]));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::optional<long long> Number(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

void Line(std::string& out, std::string_view key, std::string_view value) {
    out += key;
    out += ": ";
    out += Escaped(value);
    out += '\n';
}

// Fills one field of `kept` from a "Key: value" line; false for an unknown key or a bad value.
bool TakeField(KeptMessage& kept, std::string_view key, const std::string& value) {
    auto number = [&](long long& field) {
        const auto parsed = Number(value);
        if (!parsed || *parsed < 0) return false;
        field = *parsed;
        return true;
    };
    if (key == "Deleted") return number(kept.deletedAt);
    if (key == "Mailbox" || key == "Mark") {
        long long n = 0;
        const auto parsed = Number(value);
        if (!parsed || *parsed < -1 || *parsed > 99) return false;
        n = *parsed;
        (key == "Mailbox" ? kept.mailbox : kept.mark) = static_cast<int>(n);
        return true;
    }
    if (key == "User") return kept.user = value, true;
    if (key == "Server") return kept.server = value, true;
    if (key == "Subject") return kept.subject = value, true;
    if (key == "Sender") return kept.sender = value, true;
    if (key == "Size") return kept.size = value, true;
    if (key == "Date") return kept.date = value, true;
    if (key == "Reason") {
        if (kept.reasons.size() >= kMostReasonLines) return false;
        kept.reasons.push_back(value);
        return true;
    }
    if (key == "Original-Size") return number(kept.originalSize);
    if (key == "Kept") {
        if (value != "whole" && value != "part") return false;
        kept.whole = value == "whole";
        return true;
    }
    if (key == "Length") return number(kept.keptSize);
    return false;
}

}  // namespace

std::string FormatKeptMessage(const KeptMessage& kept, std::string_view message) {
    std::string out(kKeptMessageMagic);
    Line(out, "Deleted", std::to_string(kept.deletedAt));
    Line(out, "Mailbox", std::to_string(kept.mailbox));
    Line(out, "User", kept.user);
    Line(out, "Server", kept.server);
    Line(out, "Subject", kept.subject);
    Line(out, "Sender", kept.sender);
    Line(out, "Size", kept.size);
    Line(out, "Date", kept.date);
    Line(out, "Mark", std::to_string(kept.mark));
    for (const std::string& reason : kept.reasons) Line(out, "Reason", reason);
    Line(out, "Original-Size", std::to_string(kept.originalSize));
    Line(out, "Kept", kept.whole ? "whole" : "part");
    Line(out, "Length", std::to_string(message.size()));
    out += '\n';
    out += message;
    return out;
}

std::optional<ParsedKeptMessage> ParseKeptMessage(std::string_view file, std::size_t total) {
    if (file.substr(0, kKeptMessageMagic.size()) != kKeptMessageMagic) return std::nullopt;
    ParsedKeptMessage parsed;
    parsed.kept.keptSize = -1;
    std::size_t position = kKeptMessageMagic.size();
    for (;;) {
        const std::size_t end = file.find('\n', position);
        if (end == std::string_view::npos || end > kLongestDescription) return std::nullopt;
        const std::string_view line = file.substr(position, end - position);
        position = end + 1;
        if (line.empty()) break;
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos) return std::nullopt;
        const auto value = Unescaped(line.substr(colon + 2));
        if (!value || !TakeField(parsed.kept, line.substr(0, colon), *value)) return std::nullopt;
    }
    if (parsed.kept.keptSize < 0 || total < position ||
        static_cast<unsigned long long>(parsed.kept.keptSize) != total - position) {
        return std::nullopt;
    }
    parsed.messageOffset = position;
    return parsed;
}

std::size_t BodyStart(std::string_view message) {
    std::size_t start = 0;
    while (start < message.size()) {
        const std::size_t end = message.find('\n', start);
        if (end == std::string_view::npos) break;
        const std::string_view line = message.substr(start, end - start);
        if (line.empty() || line == "\r") return end + 1;
        start = end + 1;
    }
    return std::string_view::npos;
}

std::string_view HeaderBlockOf(std::string_view message) {
    const std::size_t body = BodyStart(message);
    if (body == std::string_view::npos) return message;
    const std::size_t blank = body >= 2 && message[body - 2] == '\r' ? 2 : 1;
    return message.substr(0, body - blank);
}

std::string_view KeptPart(std::string_view message, long long wholeLimit) {
    if (wholeLimit < 0 || message.size() <= static_cast<unsigned long long>(wholeLimit)) {
        return message;
    }
    std::size_t bodyStart = std::min(BodyStart(message), message.size());
    // A header block without end is cut like a body, so that no message keeps more than that.
    bodyStart = std::min<std::size_t>(bodyStart, wholeLimit);
    return message.substr(0, std::min(message.size(), bodyStart + kBodyKeptOfLarge));
}

std::string MessageOfDataBlock(std::string_view block) {
    std::string message;
    message.reserve(block.size());
    std::size_t position = 0;
    while (position < block.size()) {
        std::size_t end = block.find('\n', position);
        end = end == std::string_view::npos ? block.size() : end + 1;
        std::string_view line = block.substr(position, end - position);
        position = end;
        if (line == ".\r\n" || line == ".\n" || line == ".") break;
        if (!line.empty() && line.front() == '.') line.remove_prefix(1);
        message += line;
    }
    return message;
}

}  // namespace kelvane
