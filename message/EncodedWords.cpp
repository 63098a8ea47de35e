#include "EncodedWords.h"

#include <algorithm>
#include <optional>

#include "Base64.h"
#include "Charset.h"
#include "MailErrors.h"
#include "QuotedPrintable.h"

namespace kelvane {
namespace {

constexpr size_t kMaxTextLength = 255;

// One "=?charset?letter?text?=" found in a header value.
struct EncodedWord {
    size_t begin = 0;  // position of "=?"
    size_t end = 0;    // position after "?="
    std::string_view charset;
    char letter = 0;
    std::string_view text;
};

// Reads the encoded word that starts at `begin` ("=?"). Nothing when its parts are not all there.
std::optional<EncodedWord> ReadEncodedWord(std::string_view text, size_t begin) {
    size_t charsetEnd = text.find('?', begin + 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= text.size() ||
        text[charsetEnd + 2] != '?') {
        return std::nullopt;
    }
    size_t textBegin = charsetEnd + 3;
    size_t close = text.find("?=", textBegin);
    if (close == std::string_view::npos) return std::nullopt;
    EncodedWord word;
    word.begin = begin;
    word.end = close + 2;
    word.charset = text.substr(begin + 2, charsetEnd - begin - 2);
    word.letter = text[charsetEnd + 1];
    word.text = text.substr(textBegin, close - textBegin);
    return word;
}

bool IsLinearWhiteSpace(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The decoded bytes of a B or Q word, converted to UTF-8; nothing for any other letter or for
// base64 that does not decode. One malformed word in a header must not make the whole header,
// and with it a listing of the mailbox, unreadable.
std::optional<std::string> DecodeWord(const EncodedWord& word) {
    std::string bytes;
    if (word.letter == 'B' || word.letter == 'b') {
        try {
            bytes = DecodeBase64Text(word.text);
        } catch (const EMessageParserError&) {
            return std::nullopt;
        }
    } else if (word.letter == 'Q' || word.letter == 'q') {
        std::string text(word.text);
        std::replace(text.begin(), text.end(), '_', ' ');
        bytes = DecodeQText(text);
    } else {
        return std::nullopt;
    }
    // A language suffix ("ISO-8859-1*en") is not part of the charset name.
    std::string_view charset = word.charset.substr(0, word.charset.find('*'));
    return ConvertToUtf8(bytes, charset);
}

}  // namespace

std::string DecodeQText(std::string_view text) {
    std::string decoded = TQuotedPrintable::Decode({std::string(text)});
    size_t lineEnd = std::min(decoded.find_first_of("\r\n"), kMaxTextLength);
    if (lineEnd < decoded.size()) decoded.resize(lineEnd);
    return decoded;
}

std::string DecodeEncodedWords(std::string_view input) {
    const std::string text = CutUtf8(input, kMaxTextLength);
    const std::string_view view(text);
    std::string result;
    size_t plainBegin = 0;  // start of the text not yet copied to the result
    size_t searchFrom = 0;
    bool afterWord = false;  // a decoded word ends where plainBegin starts
    while (result.size() <= kMaxTextLength) {
        size_t begin = view.find("=?", searchFrom);
        if (begin == std::string_view::npos) {
            result.append(view.substr(plainBegin));
            break;
        }
        if (view.find("?=", begin + 2) == std::string_view::npos) {
            // An encoded word that never closes: the rest of the value is unreadable.
            result.append(view.substr(plainBegin, begin - plainBegin));
            break;
        }
        std::optional<EncodedWord> word = ReadEncodedWord(view, begin);
        std::optional<std::string> decoded = word ? DecodeWord(*word) : std::nullopt;
        if (!decoded) {
            // Not a word we can read: it stays as plain text.
            searchFrom = word ? word->end : begin + 2;
            continue;
        }
        std::string_view between = view.substr(plainBegin, begin - plainBegin);
        if (!(afterWord && IsLinearWhiteSpace(between))) result.append(between);
        result.append(*decoded);
        afterWord = true;
        plainBegin = searchFrom = word->end;
    }
    return CutUtf8(result, kMaxTextLength);
}

}  // namespace kelvane
