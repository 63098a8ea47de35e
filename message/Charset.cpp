#include "Charset.h"

#include <iconv.h>

#include <cerrno>

#include "MailText.h"

namespace kelvane {
namespace {

// Charset names come from mail headers: anything that does not look like a name is not handed to
// iconv at all (an empty name would even select the locale's own charset).
bool IsPlausibleCharsetName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (unsigned char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.' || c == ':' || c == '+';
        if (!ok) return false;
    }
    return true;
}

class IconvHandle {
  public:
    explicit IconvHandle(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
    ~IconvHandle() {
        if (valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

// Runs one conversion step, growing `out` while iconv asks for room. False on bad input.
bool ConvertStep(iconv_t cd, char** in, size_t* inLeft, std::string& out, size_t& used) {
    for (;;) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        size_t rc = iconv(cd, in, inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) return true;
        if (errno != E2BIG) return false;
        out.resize(out.size() * 2 + 16);
    }
}

// Length of the UTF-8 sequence that `lead` starts (1 for anything that is not a lead byte).
size_t SequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

}  // namespace

std::string ConvertToUtf8(std::string_view bytes, std::string_view charset) {
    using mailtext::EqualsNoCase;
    if (EqualsNoCase(charset, "us-ascii") || EqualsNoCase(charset, "utf-8") || bytes.empty() ||
        !IsPlausibleCharsetName(charset)) {
        return std::string(bytes);
    }
    IconvHandle handle{std::string(charset)};
    if (!handle.valid()) return std::string(bytes);

    // iconv only reads its input, whatever its signature says.
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    std::string out(bytes.size() * 2 + 16, '\0');
    size_t used = 0;
    // The second step flushes the shift state of stateful charsets.
    if (!ConvertStep(handle.get(), &in, &inLeft, out, used) ||
        !ConvertStep(handle.get(), nullptr, nullptr, out, used)) {
        return std::string(bytes);
    }
    out.resize(used);
    return out;
}

std::string CutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    auto isContinuation = [&](size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    // The cut splits a sequence only when the first byte left out continues it; then the lead
    // byte is at most three bytes back.
    if (!isContinuation(maxBytes)) return std::string(text.substr(0, maxBytes));
    size_t stop = maxBytes >= 3 ? maxBytes - 3 : 0;
    for (size_t i = maxBytes; i-- > stop;) {
        if (isContinuation(i)) continue;
        if (SequenceLength(static_cast<unsigned char>(text[i])) > maxBytes - i) {
            return std::string(text.substr(0, i));
        }
        break;
    }
    return std::string(text.substr(0, maxBytes));
}

}  // namespace kelvane
