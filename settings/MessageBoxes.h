#pragma once

#include <string>

namespace kelvane {

// The four kinds of message box the program shows. The window program implements them with
// real boxes; tests record them; the command line prints them.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void Error(const std::string& text) = 0;
    virtual void Warning(const std::string& text) = 0;
    virtual void Information(const std::string& text) = 0;
    // Yes gives true, No false.
    virtual bool Confirm(const std::string& text) = 0;
};

}  // namespace kelvane
