#pragma once

#include <QString>
#include <string_view>

#include "DisplayText.h"

namespace kelvane {

// Outside text as a window shows it: made safe by SafeDisplayText, then converted. Labels that
// show it must be plain text, so that a subject or a server reply is never read as markup.
inline QString ShownText(std::string_view text) {
    return QString::fromStdString(SafeDisplayText(text));
}

}  // namespace kelvane
