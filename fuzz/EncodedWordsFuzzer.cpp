// Feeds arbitrary bytes to the header and body text decoders and checks the bounds they promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "Base64.h"
#include "Charset.h"
#include "EncodedWords.h"
#include "MailErrors.h"
#include "QuotedPrintable.h"

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

void CheckEncodedWords(std::string_view text) {
    try {
        if (kelvane::DecodeEncodedWords(text).size() > 255) std::abort();
    } catch (const kelvane::EMessageParserError&) {
    }
}

void CheckBase64(std::string_view text) {
    try {
        if (kelvane::DecodeBase64(text).size() > text.size() / 4 * 3 + 2) std::abort();
    } catch (const kelvane::EMessageParserError&) {
    }
}

void CheckQuotedPrintable(std::string_view text) {
    const std::vector<std::string> lines = SplitLines(text);
    // Escapes only shrink a line; each line adds at most CR LF.
    if (kelvane::TQuotedPrintable::Decode(lines).size() > text.size() + 2 * lines.size()) {
        std::abort();
    }
}

void CheckCharset(std::string_view text) {
    // The first line names the charset, the rest is the text.
    size_t newline = text.find('\n');
    if (newline == std::string_view::npos) return;
    kelvane::ConvertToUtf8(text.substr(newline + 1), text.substr(0, newline));
    size_t limit = static_cast<unsigned char>(text[0]);
    std::string cut = kelvane::CutUtf8(text, limit);
    if (cut.size() > limit || text.substr(0, cut.size()) != cut) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckEncodedWords(text);
    CheckBase64(text);
    CheckQuotedPrintable(text);
    CheckCharset(text);
    return 0;
}
