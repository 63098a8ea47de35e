#include "PasswordCipher.h"

#include <string.h>

#include <random>

namespace kelvane {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned value) {
    out += kHexDigits[(value >> 4) & 0xF];
    out += kHexDigits[value & 0xF];
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte written by the two digits at `pos`, or -1.
int HexByteAt(std::string_view text, std::size_t pos) {
    const int high = HexDigitValue(text[pos]);
    const int low = HexDigitValue(text[pos + 1]);
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

std::uint8_t RandomSeed() {
    thread_local std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(generator));
}

unsigned KeyByte(std::string_view key, std::size_t index) {
    return static_cast<unsigned char>(key[index % key.size()]);
}

std::string Encipher(std::string_view plain, std::string_view key, std::uint8_t seed) {
    std::string out;
    out.reserve(2 + 2 * plain.size());
    AppendHexByte(out, seed);
    unsigned prev = seed;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const unsigned p = static_cast<unsigned char>(plain[i]);
        const unsigned c = ((prev + p) % 255) ^ KeyByte(key, i);
        AppendHexByte(out, c);
        prev = c;
    }
    return out;
}

std::string Decipher(std::string_view text, std::string_view key) {
    if (text.size() % 2 != 0) return {};
    int prev = HexByteAt(text, 0);
    if (prev < 0) return {};
    std::string plain;
    plain.reserve(text.size() / 2 - 1);
    for (std::size_t pos = 2; pos < text.size(); pos += 2) {
        const int c = HexByteAt(text, pos);
        if (c < 0) {
            ForgetSecret(plain);
            return {};
        }
        const int d = c ^ static_cast<int>(KeyByte(key, pos / 2 - 1));
        plain += static_cast<char>(prev < d ? d - prev : d - prev + 255);
        prev = c;
    }
    return plain;
}

}  // namespace

void ForgetSecret(std::string& secret) {
    secret.resize(secret.capacity());
    ::explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

PasswordCipher::~PasswordCipher() {
    ForgetSecret(input_);
    ForgetSecret(output_);
}

void PasswordCipher::SetInput(std::string text) {
    ForgetSecret(input_);
    input_ = std::move(text);
}

void PasswordCipher::Apply() {
    ForgetSecret(output_);
    if (input_.empty()) return;
    const std::string_view key = key_.empty() ? kFallbackKey : std::string_view(key_);
    output_ = action_ == CipherAction::atEncryption
                  ? Encipher(input_, key, fixedSeed_ ? *fixedSeed_ : RandomSeed())
                  : Decipher(input_, key);
}

std::string EncipherPassword(std::string_view plain) {
    PasswordCipher cipher;
    cipher.SetInput(std::string(plain));
    cipher.SetAction(CipherAction::atEncryption);
    cipher.Apply();
    return cipher.Output();
}

std::string DecipherPassword(std::string_view stored) {
    PasswordCipher cipher;
    cipher.SetInput(std::string(stored));
    cipher.SetAction(CipherAction::atDecryption);
    cipher.Apply();
    return cipher.Output();
}

}  // namespace kelvane
