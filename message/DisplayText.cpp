#include "DisplayText.h"

#include <cstddef>

namespace kelvane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The well-formed sequence at the start of some text, or its maximal ill-formed subpart.
struct Sequence {
    std::size_t length;
    bool valid;
};

struct ByteRange {
    unsigned char low;
    unsigned char high;
};

// How many bytes a sequence led by `lead` takes; 0 for a byte that cannot lead one.
std::size_t LengthFor(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The second byte is narrower after some leads: that shuts out overlong forms (E0, F0),
// surrogates (ED) and code points above U+10FFFF (F4).
ByteRange SecondByteRange(unsigned char lead) {
    switch (lead) {
        case 0xE0:
            return {0xA0, 0xBF};
        case 0xED:
            return {0x80, 0x9F};
        case 0xF0:
            return {0x90, 0xBF};
        case 0xF4:
            return {0x80, 0x8F};
        default:
            return {0x80, 0xBF};
    }
}

Sequence NextSequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    const std::size_t length = LengthFor(lead);
    if (length == 0) return {1, false};
    ByteRange allowed = SecondByteRange(lead);
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size()) return {i, false};
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < allowed.low || byte > allowed.high) return {i, false};
        allowed = {0x80, 0xBF};
    }
    return {length, true};
}

bool IsControl(std::string_view sequence) {
    const auto first = static_cast<unsigned char>(sequence.front());
    if (sequence.size() == 1) return first < 0x20 || first == 0x7F;
    // U+0080 to U+009F are C2 80 to C2 9F.
    return sequence.size() == 2 && first == 0xC2 && static_cast<unsigned char>(sequence[1]) <= 0x9F;
}

}  // namespace

std::string SafeDisplayText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const Sequence next = NextSequence(text);
        const std::string_view bytes = text.substr(0, next.length);
        if (!next.valid)
            shown += kReplacement;
        else if (IsControl(bytes))
            shown += ' ';
        else
            shown += bytes;
        text.remove_prefix(next.length);
    }
    return shown;
}

}  // namespace kelvane
