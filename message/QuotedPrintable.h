#pragma once

#include <string>
#include <vector>

namespace kelvane {

class TQuotedPrintable {
  public:
    // Decodes quoted-printable lines into bytes. Each line is cut to 255 bytes; "=" and two hex
    // digits become that byte, any other "=" stays. A line ending in "=" joins the next one;
    // every other line gets CR LF unless its last byte is Ctrl-Z (26). The user interface gets a
    // chance to process its pending events after each paragraph of joined lines.
    static std::string Decode(const std::vector<std::string>& lines);
};

}  // namespace kelvane
