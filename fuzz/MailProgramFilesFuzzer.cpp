// Feeds arbitrary bytes to the readers of other mail programs' files; the first byte picks the
// format ('0' to '6' in the starting inputs). Any account they find must be one a mailbox can
// take.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ClawsMailAccount.h"
#include "DesktopEntries.h"
#include "EvolutionAccount.h"
#include "MailProgramLaunch.h"
#include "ThunderbirdAccount.h"

namespace {

bool HasControls(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    }
    return false;
}

void Check(const std::optional<kelvane::FoundAccount>& account) {
    if (!account) return;
    const std::string_view server = account->server;
    const std::string_view host = server.substr(0, server.find(':'));
    if (host.empty() || host.find(' ') != std::string_view::npos || HasControls(server) ||
        HasControls(account->userName) || account->security < kelvane::kSecurityPlain ||
        account->security > kelvane::kSecurityImplicit) {
        std::abort();
    }
}

// A stored command line reads back as the words it was written from, and what the launch makes
// of any setting starts with a program.
void CheckCommandLine(std::string_view text) {
    const std::vector<std::string> words = kelvane::CommandWords(text);
    if (kelvane::CommandWords(kelvane::CommandLine(words)) != words) std::abort();
    const std::vector<std::string> command = kelvane::MailProgramCommand(std::string(text));
    if (!command.empty() && command.front().empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch ((data[0] + 256 - '0') % 7) {
        case 0:
            Check(kelvane::ThunderbirdPopAccount(text));
            break;
        case 1:
            (void)kelvane::ThunderbirdDefaultProfile(text);
            break;
        case 2:
            Check(kelvane::EvolutionPopAccount(text));
            break;
        case 3:
            Check(kelvane::ClawsMailPopAccount(text));
            break;
        case 4:
            for (const auto& id : kelvane::DefaultMailtoEntries(text)) {
                if (id.empty() || id.find(';') != std::string::npos) std::abort();
            }
            break;
        case 5:
            (void)kelvane::DesktopEntryProgram(text);
            break;
        default:
            CheckCommandLine(text);
            break;
    }
    return 0;
}
