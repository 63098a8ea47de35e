#include "SizeTest.h"

#include <charconv>
#include <optional>
#include <string>

namespace kelvane {
namespace {

std::optional<long long> SizeOf(std::string_view text) {
    long long size = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, size);
    if (text.empty() || error != std::errc() || end != last) return std::nullopt;
    return size;
}

SizeResult Matched(bool checkMark, std::string_view op, int limit, ReasonLog& log) {
    log.whyAdd(checkMark, "Size", op, std::to_string(limit), false);
    return {true, checkMark};
}

}  // namespace

SizeResult tooBigSmall(const SpamOptions& options, std::string_view sizeText, ReasonLog& log) {
    const std::optional<long long> size = SizeOf(sizeText);
    if (!size) return {};
    if (options.smallerOn && *size < options.smallerLimit) {
        return Matched(options.smallerCheckMark, "smaller than", options.smallerLimit, log);
    }
    if (options.largerOn && *size > options.largerLimit) {
        return Matched(options.largerCheckMark, "larger than", options.largerLimit, log);
    }
    return {};
}

}  // namespace kelvane
