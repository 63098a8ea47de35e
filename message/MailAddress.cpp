#include "MailAddress.h"

#include <utility>

#include "Charset.h"
#include "MailText.h"

namespace kelvane {
namespace {

void SetParts(TmsMailAddress& target, std::string_view address, std::string_view name) {
    target.Address = CutUtf8(address, kMaxAddressPart);
    target.Name = CutUtf8(name, kMaxAddressPart);
}

}  // namespace

std::string StripQuotes(std::string_view text) {
    text = mailtext::Trim(text);
    while (!text.empty() && text.front() == '"') text.remove_prefix(1);
    while (!text.empty() && text.back() == '"') text.remove_suffix(1);
    return std::string(text);
}

void ParseAddress(std::string_view text, TmsMailAddress& address) {
    constexpr auto npos = std::string_view::npos;
    const size_t open = text.find('<');
    if (open != npos) {
        const size_t close = text.find('>');
        if (close == npos || close < open) {
            SetParts(address, {}, StripQuotes(text));
            return;
        }
        std::string name(text.substr(0, open));
        name += text.substr(close + 1);
        SetParts(address, StripQuotes(text.substr(open + 1, close - open - 1)), StripQuotes(name));
        return;
    }
    const size_t paren = text.find('(');
    if (paren != npos) {
        // The comment runs to the end of the text, whose last byte is taken as its ')'.
        const size_t nameLength = text.size() - paren - 1;
        const std::string_view name =
            nameLength == 0 ? std::string_view{} : text.substr(paren + 1, nameLength - 1);
        SetParts(address, StripQuotes(text.substr(0, paren)), StripQuotes(name));
        return;
    }
    SetParts(address, text, {});
}

std::pair<std::string, std::string> SplitAddress(std::string_view text) {
    TmsMailAddress parsed;
    ParseAddress(text, parsed);
    return {std::move(parsed.Address), std::move(parsed.Name)};
}

}  // namespace kelvane
