#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// A uuencode begin line: "BEGIN" (any case) at the front, more than eight characters, and the
// first three characters after "BEGIN" and its blanks read as a number (the file mode).
bool IsUUBegin(std::string_view line);

// The line that ends the data of a uuencoded file: a single '`', or "END" in any case.
bool IsUUEnd(std::string_view line);

// The file name of a begin line, found after its first ten characters ("begin 644 "): a quoted
// name up to its closing quote, else the text up to the first blank. Empty when there is no name
// or the quote is not closed.
std::string UUBeginFileName(std::string_view line);

// Appends the bytes of one uuencoded line. The first character gives the byte count ('`' and ' '
// both mean none), then each four characters carry three bytes. Characters missing at the end of
// a short line count as zero bits; nothing past the line is read.
void AppendUUDecodedLine(std::string_view line, std::string& out);

}  // namespace kelvane
