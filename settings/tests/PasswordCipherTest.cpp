#include "PasswordCipher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include "CaseName.h"

namespace kelvane {
namespace {

std::string Apply(PasswordCipher& cipher, CipherAction action, std::string input) {
    cipher.SetAction(action);
    cipher.SetInput(std::move(input));
    cipher.Apply();
    return cipher.Output();
}

// Worked out by hand from the key "ovek" (6F 76 65 6B), so that a change of the stored format
// cannot go unnoticed: each byte is ((previous + plain) mod 255) XOR key byte.
TEST(PasswordCipher, EnciphersToTheStoredFormat) {
    PasswordCipher cipher;
    EXPECT_EQ(cipher.Key(), "ovek");

    // 0A + 61 = 6B, XOR 6F = 04: a one-character password is four digits, leading zeros kept.
    cipher.SetSeed(0x0A);
    EXPECT_EQ(Apply(cipher, CipherAction::atEncryption, "a"), "0A04");

    // Seed FA wraps modulo 255 on the first byte; the fifth byte reuses the first key byte.
    cipher.SetSeed(0xFA);
    EXPECT_EQ(Apply(cipher, CipherAction::atEncryption, "hello"), "FA0C0716E936");
    EXPECT_EQ(EncipherPassword("hello").size(), 12u);
}

TEST(PasswordCipher, DeciphersEitherCaseOfHexDigits) {
    PasswordCipher cipher;
    EXPECT_EQ(Apply(cipher, CipherAction::atDecryption, "FA0C0716E936"), "hello");
    EXPECT_EQ(Apply(cipher, CipherAction::atDecryption, "fa0c0716e936"), "hello");
    EXPECT_EQ(Apply(cipher, CipherAction::atDecryption, "0a04"), "a");
    EXPECT_EQ(DecipherPassword("Fa0C0716e936"), "hello");

    // Where the chained value equals the previous byte: 10 + FF = 10 (mod 255), XOR 6F = 7F.
    EXPECT_EQ(DecipherPassword("107F"), "\xff");
    // The one byte that cannot come back: FF after a byte of FF gives 0, XOR 6F = 6F.
    EXPECT_EQ(DecipherPassword("FF6F"), std::string(1, '\0'));
}

TEST(PasswordCipher, EachEncipheringDrawsANewSeed) {
    std::set<std::string> texts;
    for (int i = 0; i < 20; ++i) {
        const std::string text = EncipherPassword("s3cret pass");
        EXPECT_EQ(text.size(), 2u + 2 * 11);
        EXPECT_EQ(DecipherPassword(text), "s3cret pass") << text;
        texts.insert(text);
    }
    EXPECT_GT(texts.size(), 1u) << "twenty encipherings all drew the same seed";
}

TEST(PasswordCipher, EmptyStaysEmptyInBothDirections) {
    PasswordCipher cipher;
    cipher.SetSeed(0x42);
    ASSERT_FALSE(Apply(cipher, CipherAction::atEncryption, "x").empty());
    EXPECT_EQ(Apply(cipher, CipherAction::atEncryption, ""), "") << "no seed for nothing";
    EXPECT_EQ(Apply(cipher, CipherAction::atDecryption, ""), "");
    EXPECT_EQ(EncipherPassword(""), "");
}

TEST(PasswordCipher, TextThatIsNotHexDeciphersToNothing) {
    struct Case {
        const char* name;
        const char* stored;
    };
    const Case cases[] = {
        {"one digit", "A"},
        {"odd length", "FA0C0"},
        {"letter beyond F in its first pair", "G00C"},
        {"letter beyond F later", "FA0C07Z6"},
        {"blank inside", "FA 0C0"},
        {"hex prefix", "0xFA0C"},
        {"plain password left over", "hello!"},
        {"seed only", "FA"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecipherPassword(c.stored), "") << c.name;
}

struct KeyCase {
    const char* name;
    std::string key;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const KeyCase& c, std::ostream* out) {
    *out << c.name;
}

class PasswordCipherRoundTrip : public ::testing::TestWithParam<KeyCase> {};

// Every byte from 1 to 254 comes back whichever seed is drawn; printable passwords are a subset.
TEST_P(PasswordCipherRoundTrip, EveryByteFromOneTo254UnderEverySeed) {
    std::string plain;
    for (int b = 1; b <= 254; ++b) plain += static_cast<char>(b);
    PasswordCipher cipher;
    cipher.SetKey(GetParam().key);
    for (int seed = 0; seed <= 255; ++seed) {
        cipher.SetSeed(static_cast<std::uint8_t>(seed));
        const std::string stored = Apply(cipher, CipherAction::atEncryption, plain);
        ASSERT_EQ(stored.size(), 2 + 2 * plain.size());
        ASSERT_EQ(Apply(cipher, CipherAction::atDecryption, stored), plain) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PasswordCipherRoundTrip,
    ::testing::Values(KeyCase{"program key", "ovek"}, KeyCase{"empty key uses a fallback", ""},
                      KeyCase{"key longer than the text", std::string(300, 'k')},
                      KeyCase{"bytes with the high bit", "\xff\x80\x01"}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane
