// Feeds arbitrary bytes to the message file decoder. Errors it reports are fine; crashes, hangs
// and reads outside the input are not, nor a body line that still holds a line end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MailErrors.h"
#include "MailMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kelvane::TmsMessage message;
    try {
        message.LoadFromBytes(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const kelvane::EMailError&) {
        return 0;
    }
    for (const std::string& line : message.Body) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    }
    return 0;
}
