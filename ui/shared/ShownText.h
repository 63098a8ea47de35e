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

// The same for a message box, whose own texts may break lines with CR, LF or CR LF: each line is
// made safe and the breaks are kept; a final break is dropped.
QString ShownLines(std::string_view text);

}  // namespace kelvane
