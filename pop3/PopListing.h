#pragma once

#include <string_view>
#include <vector>

// Reading the multi-line listings of a POP3 server ("LIST", "UIDL"; RFC 1939).
namespace kelvane::poplisting {

// The lines of a listing's data block without their line ends, up to the terminating "." line.
std::vector<std::string_view> Lines(std::string_view block);

// The blank-separated word at `index` (0 for the first) of `line`; empty when there is none.
std::string_view Word(std::string_view line, int index);

// A unique id as RFC 1939 allows one: 1 to 70 characters from '!' to '~'.
bool IsUniqueId(std::string_view id);

}  // namespace kelvane::poplisting
