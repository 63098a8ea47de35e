// Feeds arbitrary bytes to the header cache reader: as they come, and sealed with a checksum of
// their own so that the reader behind the checksum is reached too (for a mutated seed, in place
// of its last 72 bytes, where the checksum line of a whole file stands). Whatever it accepts must
// write out and read back to the same entries (so no entry beyond an entry's limits), must not
// pass for another mailbox's file, and must fit the file limit of the message count.
#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "HeaderCache.h"

using kelvane::HeaderCache;

namespace {

constexpr std::string_view kMailbox = "fuzz@pop.example.org:995";
constexpr std::size_t kChecksumLineSize = 72;
constexpr std::size_t kMessages = 3;

std::string Sealed(std::string_view body) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(body.data(), body.size(), digest, &size, EVP_sha256(), nullptr) != 1) {
        std::abort();
    }
    std::string file(body);
    file += "sha256 ";
    for (unsigned i = 0; i < size; ++i) {
        file += "0123456789abcdef"[digest[i] >> 4];
        file += "0123456789abcdef"[digest[i] & 0xF];
    }
    return file + "\n";
}

void Check(std::string_view bytes) {
    const std::optional<HeaderCache> cache = HeaderCache::Parse(bytes, kMailbox, kMessages);
    if (!cache) return;
    if (HeaderCache::Parse(bytes, kMailbox.substr(1), kMessages)) std::abort();
    if (bytes.size() > HeaderCache::LargestFile(kMailbox, 0) &&
        HeaderCache::Parse(bytes, kMailbox, 0)) {
        std::abort();
    }
    const std::string written = cache->Serialize(kMailbox);
    const std::optional<HeaderCache> again = HeaderCache::Parse(written, kMailbox, kMessages);
    if (!again || again->Count() != cache->Count() || again->Serialize(kMailbox) != written) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);
    Check(Sealed(bytes));
    if (bytes.size() >= kChecksumLineSize) {
        Check(Sealed(bytes.substr(0, bytes.size() - kChecksumLineSize)));
    }
    return 0;
}
