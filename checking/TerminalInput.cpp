#include "TerminalInput.h"

#include <unistd.h>

namespace kelvane {
namespace {

// The modes to put back; read by the signal handler, so set before it is installed.
struct termios savedModes {};

extern "C" void RestoreModesAndEnd(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
    // SA_RESETHAND has put the default action back: the signal, delivered again once this
    // handler returns, ends the program as it would have.
    ::raise(signal);
}

}  // namespace

bool StandardInputIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

std::string ReadInputLine(std::istream& in) {
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

HiddenTyping::HiddenTyping() {
    if (!StandardInputIsTerminal() || ::tcgetattr(STDIN_FILENO, &savedModes) != 0) return;
    struct sigaction restore {};
    restore.sa_handler = RestoreModesAndEnd;
    restore.sa_flags = SA_RESETHAND;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        // A signal the caller ignores (nohup) stays ignored.
        if (::sigaction(kSignals[i], nullptr, &previous_[i]) != 0 ||
            previous_[i].sa_handler == SIG_IGN) {
            continue;
        }
        replaced_[i] = ::sigaction(kSignals[i], &restore, nullptr) == 0;
    }
    struct termios hidden = savedModes;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &hidden) == 0;
}

HiddenTyping::~HiddenTyping() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSANOW, &savedModes);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (replaced_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
}

}  // namespace kelvane
