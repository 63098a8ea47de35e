#include "SettingsKeys.h"

#include "IniFile.h"

namespace kelvane {

std::string SettingKey::KeyName(int mailbox) const {
    std::string result(name);
    if (perMailbox) result += std::to_string(mailbox);
    return result;
}

int SettingKey::DefaultInteger() const {
    return static_cast<int>(ParseIniInteger(defaultValue).value_or(0));
}

long long SettingKey::Held(long long value) const {
    if (value >= range.minimum && value <= range.maximum) return value;
    if (range.outside == OutOfRange::Default) return DefaultInteger();
    return value < range.minimum ? range.minimum : range.maximum;
}

}  // namespace kelvane
