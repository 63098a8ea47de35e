#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kelvane {

enum class CipherAction { atEncryption, atDecryption };

// The small reversible cipher of stored mailbox passwords. The enciphered text is hexadecimal: a
// random seed byte, then one byte per plain byte, each chained on the byte before it and mixed
// with the key. The format is fixed: passwords saved by earlier versions must stay readable.
class PasswordCipher {
  public:
    // The key of every password the program stores.
    static constexpr std::string_view kProgramKey = "ovek";
    // Stands in for an empty key.
    static constexpr std::string_view kFallbackKey = "Kelvane";

    PasswordCipher() = default;
    // Input and Output hold a password one way or the other: both are wiped, not just freed.
    ~PasswordCipher();
    PasswordCipher(const PasswordCipher&) = default;
    PasswordCipher& operator=(const PasswordCipher&) = default;

    const std::string& Input() const { return input_; }
    void SetInput(std::string text);
    const std::string& Output() const { return output_; }
    const std::string& Key() const { return key_; }
    void SetKey(std::string key) { key_ = std::move(key); }
    CipherAction Action() const { return action_; }
    void SetAction(CipherAction action) { action_ = action; }

    // Every following enciphering starts from `seed` instead of a random one (for tests); an
    // empty optional makes it random again.
    void SetSeed(std::optional<std::uint8_t> seed) { fixedSeed_ = seed; }

    // Reads Input and replaces Output. An empty Input gives an empty Output. Deciphering text that
    // is not an even number of hexadecimal digits (either case) gives an empty Output.
    void Apply();

  private:
    std::string input_;
    std::string output_;
    std::string key_{kProgramKey};
    CipherAction action_ = CipherAction::atEncryption;
    std::optional<std::uint8_t> fixedSeed_;
};

// Overwrites every byte the string holds, its spare capacity included, then empties it, so that
// a password does not linger in freed memory.
void ForgetSecret(std::string& secret);

// The stored form of a password with the program's key; an empty password stays empty.
std::string EncipherPassword(std::string_view plain);
// The password of a stored form; empty for empty or unreadable text.
std::string DecipherPassword(std::string_view stored);

}  // namespace kelvane
