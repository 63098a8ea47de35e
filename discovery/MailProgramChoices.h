#pragma once

#include <array>
#include <string_view>

namespace kelvane {

// One entry of the mail program search's list: its caption and the program file that the file
// search looks for. "Other" has none: the user picks any file instead.
struct MailProgramChoice {
    std::string_view caption;
    std::string_view programFile;
};

inline constexpr std::array<MailProgramChoice, 7> kMailProgramChoices{{
    {"Other", ""},
    {"Thunderbird", "thunderbird"},
    {"Evolution", "evolution"},
    {"KMail", "kmail"},
    {"Claws Mail", "claws-mail"},
    {"Geary", "geary"},
    {"Sylpheed", "sylpheed"},
}};

// The entry selected when the list is shown: "Other".
inline constexpr std::size_t kDefaultMailProgramChoice = 0;

// Where the file search for a program starts.
inline constexpr std::string_view kFileSearchRoot = "/";

}  // namespace kelvane
