#include "Base64.h"

#include <array>
#include <cstdint>

#include "EventPump.h"
#include "MailErrors.h"

namespace kelvane {
namespace {

constexpr uint8_t kInvalid = 0x80;

constexpr std::array<uint8_t, 256> MakeDecodeTable() {
    std::array<uint8_t, 256> table{};
    for (auto& entry : table) entry = kInvalid;
    constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
    return table;
}

constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

inline uint8_t Sextet(char c) {
    return kDecodeTable[static_cast<unsigned char>(c)];
}

[[noreturn]] void ThrowInvalidCharacter() {
    throw EMessageParserError(kInvalidCharacter);
}

// Decodes the characters before any padding; the last group may hold one to three characters.
void DecodeData(std::string_view data, std::string& out) {
    out.resize(data.size() / 4 * 3 + 3);
    char* dest = out.data();
    const char* src = data.data();
    const char* fullEnd = src + data.size() / 4 * 4;
    for (; src != fullEnd; src += 4) {
        uint8_t a = Sextet(src[0]), b = Sextet(src[1]), c = Sextet(src[2]), d = Sextet(src[3]);
        if ((a | b | c | d) & kInvalid) ThrowInvalidCharacter();
        uint32_t bits = (uint32_t{a} << 18) | (uint32_t{b} << 12) | (uint32_t{c} << 6) | d;
        dest[0] = static_cast<char>(bits >> 16);
        dest[1] = static_cast<char>(bits >> 8);
        dest[2] = static_cast<char>(bits);
        dest += 3;
    }
    size_t rest = data.size() % 4;
    uint32_t bits = 0;
    for (size_t i = 0; i < rest; ++i) {
        uint8_t s = Sextet(src[i]);
        if (s & kInvalid) ThrowInvalidCharacter();
        bits |= uint32_t{s} << (18 - 6 * i);
    }
    // Two characters carry one whole byte, three carry two; one alone carries none.
    if (rest >= 2) *dest++ = static_cast<char>(bits >> 16);
    if (rest == 3) *dest++ = static_cast<char>(bits >> 8);
    out.resize(static_cast<size_t>(dest - out.data()));
}

}  // namespace

std::string DecodeBase64(std::string_view text) {
    std::string out;
    DecodeData(text.substr(0, text.find('=')), out);
    return out;
}

std::string DecodeBase64Text(std::string_view text) {
    PumpEvents();
    std::string out = DecodeBase64(text);
    if (out.size() > 255) out.resize(255);
    return out;
}

}  // namespace kelvane
