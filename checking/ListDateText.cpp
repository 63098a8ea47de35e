#include "ListDateText.h"

#include <cstdio>

#include "MailDate.h"

namespace kelvane {

std::string DefaultListDate(double dateTime) {
    const CivilDateTime t = DateTimeToCivil(dateTime);
    char text[64];
    int length = std::snprintf(text, sizeof text, "%d/%d/%04d", t.month, t.day, t.year);
    if (t.hour != 0 || t.minute != 0 || t.second != 0) {
        const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        std::snprintf(text + length, sizeof text - length, " %d:%02d:%02d %s", hour12, t.minute,
                      t.second, t.hour < 12 ? "AM" : "PM");
    }
    return text;
}

std::string ListDateText(std::string_view field, const DateFormatter& format) {
    const ParsedMailDate parsed = ParseMailDate(field);
    if (parsed.dateTime == 0) return std::string(field);
    return format ? format(parsed.dateTime) : DefaultListDate(parsed.dateTime);
}

}  // namespace kelvane
