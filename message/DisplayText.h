#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Outside text (subjects, senders, server replies, file contents) made fit to show in a window,
// a terminal or a log line. Every C0 control (TAB, CR, LF, ESC and NUL included), DEL and every
// C1 control (U+0080 to U+009F) becomes one blank, so that the text can neither break a line or a
// TAB-separated field nor steer a terminal. Bytes that are not well-formed UTF-8 become U+FFFD,
// one for each maximal ill-formed subpart as Unicode recommends: a lead byte and the
// continuation bytes that still fit it give one U+FFFD, and a byte that cannot start or continue
// anything gives one of its own. Everything else passes unchanged.
std::string SafeDisplayText(std::string_view text);

}  // namespace kelvane
