#include "SpamCounter.h"

#include <charconv>
#include <limits>

#include "SettingsStore.h"

namespace kelvane {

namespace {

using Limits = std::numeric_limits<long long>;

long long ParseCount(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return 0;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size()) return 0;
    if (error == std::errc::result_out_of_range) {
        return text.front() == '-' ? Limits::min() : Limits::max();
    }
    return error == std::errc() ? value : 0;
}

}  // namespace

std::string AddToSpamCount(std::string_view count, long long added) {
    const long long current = ParseCount(count);
    long long sum = 0;
    if (__builtin_add_overflow(current, added, &sum)) {
        sum = added > 0 ? Limits::max() : Limits::min();
    }
    return std::to_string(sum);
}

std::string RaiseStoredSpamCount(SettingsStore& store, long long added) {
    std::string count;
    store.Write([&](SettingsWriter& writer) {
        count = AddToSpamCount(writer.ReadString(settingkeys::Count), added);
        writer.WriteString(settingkeys::Count, count);
    });
    return count;
}

}  // namespace kelvane
