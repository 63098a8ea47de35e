#pragma once

#include <termios.h>

#include <csignal>
#include <istream>
#include <iterator>
#include <string>

namespace kelvane {

// True when standard input is a terminal, where a person types the answers.
bool StandardInputIsTerminal();

// One line of input without its line end (LF or CR LF); empty at the end of input.
std::string ReadInputLine(std::istream& in);

// While it lives, what is typed at the terminal on standard input is not shown. The terminal's
// modes come back when it goes, and also when an interrupt, hang-up, quit or termination signal
// ends the program meanwhile. Does nothing when standard input is not a terminal.
class HiddenTyping {
  public:
    HiddenTyping();
    ~HiddenTyping();
    HiddenTyping(const HiddenTyping&) = delete;
    HiddenTyping& operator=(const HiddenTyping&) = delete;

    // Whether typing is hidden, i.e. standard input is a terminal whose echo could be turned off.
    bool active() const { return active_; }

  private:
    static constexpr int kSignals[] = {SIGINT, SIGHUP, SIGQUIT, SIGTERM};
    bool active_ = false;
    struct sigaction previous_[std::size(kSignals)] = {};
    bool replaced_[std::size(kSignals)] = {};
};

}  // namespace kelvane
