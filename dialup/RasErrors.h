#pragma once

#include <string>

#include "MailErrors.h"

namespace kelvane {

// A dial-up failure. Number() is the exit status of the dial command (pon), or 0 when the
// command did not run at all; the text then says why.
class ERASError : public EMailError {
  public:
    // The text that belongs to the exit status `number`.
    explicit ERASError(int number);
    ERASError(int number, const std::string& text) : EMailError(text), number_(number) {}
    int Number() const { return number_; }

  private:
    int number_;
};

// The texts of the dial-up component's error boxes; "\r" breaks the line.
inline constexpr const char* kRasNotDetected =
    "TagRas component was unable to detect\rRAS on your system.";
inline constexpr const char* kRasSetBeforeConnecting =
    "This property can be set only before\restablishing the connection";
// An exit status without a text of its own: this and the number.
inline constexpr const char* kRasErrorNo = "RAS error no ";

// The text of a dial command's exit status (pppd's documented ones), or "RAS error no " and
// the number.
std::string RasErrorText(int number);

// Connection states whose progress the component reports.
inline constexpr int kRasOpenPort = 0;
inline constexpr int kRasConnectDevice = 2;
inline constexpr int kRasConnected = 8192;

// The status text of connection state `state`; empty for a state without one.
std::string RASStatusStr(int state);

}  // namespace kelvane
