#include <array>

#include "RasErrors.h"

namespace kelvane {
namespace {

// pon hands over to pppd, so its exit status is pppd's; index = status.
constexpr std::array<const char*, 20> kDialExitTexts = {
    nullptr,
    "The dial-up program met a fatal error",
    "The dial-up options are in error",
    "The dial-up program needs root privileges",
    "The kernel does not support PPP",
    "The dial-up program was ended by a signal",
    "The serial port could not be locked",
    "The serial port could not be opened",
    "The connect script failed",
    "The pty command could not be run",
    "The PPP negotiation failed",
    "The peer failed to authenticate itself",
    "The link was ended because it was idle",
    "The link was ended because the connect time limit was reached",
    "Callback was negotiated; an incoming call should arrive shortly",
    "The link was ended because the peer does not answer echo requests",
    "The modem hung up",
    "The PPP negotiation failed because of a serial loopback",
    "The init script failed",
    "The peer refused our authentication",
};

}  // namespace

ERASError::ERASError(int number) : ERASError(number, RasErrorText(number)) {}

std::string RasErrorText(int number) {
    if (number > 0 && number < static_cast<int>(kDialExitTexts.size())) {
        return kDialExitTexts[static_cast<std::size_t>(number)];
    }
    return kRasErrorNo + std::to_string(number);
}

std::string RASStatusStr(int state) {
    switch (state) {
        case kRasOpenPort:
            return "Initializing...";
        case 2:
        case 3:
        case 4:
            return "Dialing...";
        case 5:
        case 19:
            return "Verifying user name and password";
        case 14:
            return "User name and password verified";
        case 21:
            return "Logging on to Network";
        case kRasConnected:
            return "Successfully connected";
        default:
            return {};
    }
}

}  // namespace kelvane
