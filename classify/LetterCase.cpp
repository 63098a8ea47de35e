#include "LetterCase.h"

#include <locale.h>
#include <wchar.h>
#include <wctype.h>

#include <algorithm>

namespace kelvane {
namespace {

// glibc builds C.UTF-8 in, so its case data is there without an installed locale.
locale_t Utf8Locale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

// Makes `locale` this thread's locale for the object's lifetime, for mbrtowc.
class ThreadLocale {
  public:
    explicit ThreadLocale(locale_t locale) : previous_(::uselocale(locale)) {}
    ~ThreadLocale() { ::uselocale(previous_); }
    ThreadLocale(const ThreadLocale&) = delete;
    ThreadLocale& operator=(const ThreadLocale&) = delete;

  private:
    locale_t previous_;
};

bool HoldsAsciiLowerCase(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A character whose upper-case form is another character is not in upper case.
bool IsLowerCase(wchar_t c, locale_t locale) {
    const auto character = static_cast<wint_t>(c);
    return ::towupper_l(character, locale) != character;
}

bool HoldsLowerCaseCharacter(std::string_view text, locale_t locale) {
    const ThreadLocale scope(locale);
    mbstate_t state{};
    while (!text.empty()) {
        wchar_t c = 0;
        const size_t length = ::mbrtowc(&c, text.data(), text.size(), &state);
        if (length == static_cast<size_t>(-2)) return false;  // cut off at the end
        if (length == static_cast<size_t>(-1)) {
            // Not UTF-8: this byte is no letter; decoding starts again at the next one.
            state = mbstate_t{};
            text.remove_prefix(1);
            continue;
        }
        if (IsLowerCase(c, locale)) return true;
        text.remove_prefix(std::max<size_t>(length, 1));  // a NUL byte decodes with length 0
    }
    return false;
}

}  // namespace

bool HoldsLowerCaseLetter(std::string_view text) {
    // Plain ASCII is most mail; it needs no decoding.
    if (IsAscii(text)) return HoldsAsciiLowerCase(text);
    const locale_t locale = Utf8Locale();
    // Without the case data only a to z are known.
    if (locale == locale_t{}) return HoldsAsciiLowerCase(text);
    return HoldsLowerCaseCharacter(text, locale);
}

}  // namespace kelvane
