#pragma once

namespace kelvane {

// The limits the user sets for the deleted messages kept (spam options, section [Quarantine]).
struct QuarantineLimits {
    static constexpr int kMostDays = 3650;
    static constexpr long long kMostWholeKiB = 256 * 1024;
    static constexpr long long kMostTotalMB = 1000 * 1000;

    bool keep = true;                            // Keep
    int days = 30;                               // Days
    long long wholeLimit = 1 << 20;              // Whole, bytes; KiB in the file
    long long totalBytes = 200LL * 1000 * 1000;  // Total, bytes; MB in the file

    bool operator==(const QuarantineLimits&) const = default;
};

}  // namespace kelvane
