#pragma once

#include <string>

#include "QuarantineLimits.h"

namespace kelvane {

class IniDocument;

// The spam options kept in "kelvane.ini" beside the rule files.
struct SpamOptions {
    static constexpr int kSmallerMax = 100000;
    static constexpr int kLargerMax = 99999999;

    bool smallerOn = false;            // Smaller/QSmaller
    int smallerLimit = 100;            // Smaller/Num, bytes
    bool smallerCheckMark = true;      // Smaller/Check: check mark, else question mark
    bool largerOn = false;             // Larger/QLarger
    int largerLimit = 20000;           // Larger/Num, bytes
    bool largerCheckMark = true;       // Larger/Check
    bool compareKnownSpammers = true;  // Known/QMonitor
    bool checkValidDomain = true;      // Known/Valid
    // Known/Question: despite the key's name, true marks an invalid domain with a check mark.
    bool invalidDomainCheckMark = false;
    std::string unknownDomainCount = "0";  // Known/Num, as shown
    QuarantineLimits quarantine;           // [Quarantine]

    bool operator==(const SpamOptions&) const = default;
};

// Reads every option with its default where it is missing or does not read; limits outside
// their range are brought into it.
SpamOptions ReadSpamOptions(const IniDocument& ini);
// Writes the options in their fixed order; booleans as "0" or "1".
void WriteSpamOptions(const SpamOptions& options, IniDocument& ini);

// Counts one more unknown domain; a count that is not a number starts again from 0.
void bumpUnknown(SpamOptions& options);

// The options another program (or a hand edit) left in the file, `onDisk`, with the unknown
// domains this program counted since it read or wrote `loaded` added to their count, `current`
// being what it holds now.
SpamOptions MergeSpamOptions(const SpamOptions& onDisk, const SpamOptions& loaded,
                             const SpamOptions& current);

}  // namespace kelvane
