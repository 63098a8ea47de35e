// Feeds arbitrary bytes to the reader of a kept deleted message. Whatever it accepts must
// describe exactly the bytes that follow its description, and must write out and read back to
// the same description and message; a data block must come out no longer than it went in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "KeptMessageFile.h"

namespace {

bool MessageOfDataBlockLonger(std::string_view block) {
    return kelvane::MessageOfDataBlock(block).size() > block.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (MessageOfDataBlockLonger(input)) std::abort();
    const auto parsed = kelvane::ParseKeptMessage(input);
    if (!parsed) return 0;
    const std::string_view message = input.substr(parsed->messageOffset);
    if (static_cast<long long>(message.size()) != parsed->kept.keptSize) std::abort();
    const std::string again = kelvane::FormatKeptMessage(parsed->kept, message);
    const auto reread = kelvane::ParseKeptMessage(again);
    if (!reread || !(reread->kept == parsed->kept) ||
        again.substr(reread->messageOffset) != message) {
        std::abort();
    }
    return 0;
}
