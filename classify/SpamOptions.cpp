#include "SpamOptions.h"

#include <algorithm>
#include <limits>

#include "IniFile.h"

namespace kelvane {
namespace {

bool ReadBool(const IniDocument& ini, const char* section, const char* key, bool fallback) {
    const auto text = ini.Value(section, key);
    return text ? ParseIniBool(*text, fallback) : fallback;
}

long long ReadNumber(const IniDocument& ini, const char* section, const char* key,
                     long long fallback, long long maximum) {
    const auto text = ini.Value(section, key);
    const auto number = text ? ParseIniInteger(*text) : std::nullopt;
    if (!number) return fallback;
    return std::clamp<long long>(*number, 0, maximum);
}

int ReadLimit(const IniDocument& ini, const char* section, int fallback, int maximum) {
    const auto text = ini.Value(section, "Num");
    const auto number = text ? ParseIniInteger(*text) : std::nullopt;
    if (!number) return fallback;
    return static_cast<int>(std::clamp<long long>(*number, 0, maximum));
}

const char* BoolText(bool value) {
    return value ? "1" : "0";
}

long long UnknownDomains(const SpamOptions& options) {
    return ParseIniInteger(options.unknownDomainCount).value_or(0);
}

QuarantineLimits ReadQuarantineLimits(const IniDocument& ini) {
    const QuarantineLimits defaults;
    QuarantineLimits q;
    q.keep = ReadBool(ini, "Quarantine", "Keep", defaults.keep);
    q.days = static_cast<int>(
        ReadNumber(ini, "Quarantine", "Days", defaults.days, QuarantineLimits::kMostDays));
    q.wholeLimit = ReadNumber(ini, "Quarantine", "Whole", defaults.wholeLimit / 1024,
                              QuarantineLimits::kMostWholeKiB) *
                   1024;
    q.totalBytes = ReadNumber(ini, "Quarantine", "Total", defaults.totalBytes / 1000000,
                              QuarantineLimits::kMostTotalMB) *
                   1000000;
    return q;
}

}  // namespace

SpamOptions ReadSpamOptions(const IniDocument& ini) {
    const SpamOptions defaults;
    SpamOptions o;
    o.smallerOn = ReadBool(ini, "Smaller", "QSmaller", defaults.smallerOn);
    o.smallerLimit = ReadLimit(ini, "Smaller", defaults.smallerLimit, SpamOptions::kSmallerMax);
    o.smallerCheckMark = ReadBool(ini, "Smaller", "Check", defaults.smallerCheckMark);
    o.largerOn = ReadBool(ini, "Larger", "QLarger", defaults.largerOn);
    o.largerLimit = ReadLimit(ini, "Larger", defaults.largerLimit, SpamOptions::kLargerMax);
    o.largerCheckMark = ReadBool(ini, "Larger", "Check", defaults.largerCheckMark);
    o.compareKnownSpammers = ReadBool(ini, "Known", "QMonitor", defaults.compareKnownSpammers);
    o.checkValidDomain = ReadBool(ini, "Known", "Valid", defaults.checkValidDomain);
    o.invalidDomainCheckMark = ReadBool(ini, "Known", "Question", defaults.invalidDomainCheckMark);
    o.unknownDomainCount = ini.Value("Known", "Num").value_or(defaults.unknownDomainCount);
    o.quarantine = ReadQuarantineLimits(ini);
    return o;
}

void WriteSpamOptions(const SpamOptions& o, IniDocument& ini) {
    ini.SetValue("Smaller", "QSmaller", BoolText(o.smallerOn));
    ini.SetValue("Smaller", "Num", std::to_string(o.smallerLimit));
    ini.SetValue("Smaller", "Check", BoolText(o.smallerCheckMark));
    ini.SetValue("Larger", "QLarger", BoolText(o.largerOn));
    ini.SetValue("Larger", "Num", std::to_string(o.largerLimit));
    ini.SetValue("Larger", "Check", BoolText(o.largerCheckMark));
    ini.SetValue("Known", "QMonitor", BoolText(o.compareKnownSpammers));
    ini.SetValue("Known", "Valid", BoolText(o.checkValidDomain));
    ini.SetValue("Known", "Question", BoolText(o.invalidDomainCheckMark));
    ini.SetValue("Known", "Num", o.unknownDomainCount);
    ini.SetValue("Quarantine", "Keep", BoolText(o.quarantine.keep));
    ini.SetValue("Quarantine", "Days", std::to_string(o.quarantine.days));
    ini.SetValue("Quarantine", "Whole", std::to_string(o.quarantine.wholeLimit / 1024));
    ini.SetValue("Quarantine", "Total", std::to_string(o.quarantine.totalBytes / 1000000));
}

void bumpUnknown(SpamOptions& options) {
    const long long current = UnknownDomains(options);
    if (current == std::numeric_limits<long long>::max()) return;
    options.unknownDomainCount = std::to_string(current + 1);
}

SpamOptions MergeSpamOptions(const SpamOptions& onDisk, const SpamOptions& loaded,
                             const SpamOptions& current) {
    SpamOptions merged = onDisk;
    long long gained = 0;
    if (__builtin_sub_overflow(UnknownDomains(current), UnknownDomains(loaded), &gained) ||
        gained <= 0) {
        return merged;
    }
    long long sum = 0;
    if (__builtin_add_overflow(UnknownDomains(onDisk), gained, &sum)) {
        sum = std::numeric_limits<long long>::max();
    }
    merged.unknownDomainCount = std::to_string(sum);
    return merged;
}

}  // namespace kelvane
