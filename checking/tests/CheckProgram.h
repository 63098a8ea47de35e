#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "SettingsStore.h"

namespace kelvane::checktest {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not end in time and was killed
    std::string out;
    std::string err;
};

// The settings store that the programs below find with their folders in `folder`.
SettingsStore ProgramSettings(const std::string& folder);

// Runs kelvane-check with `arguments`, `input` on standard input and the settings and program
// folders in `folder`; waits at most `seconds`, then kills it by its pid.
ProgramResult RunCheckProgram(const std::vector<std::string>& arguments, const std::string& folder,
                              const std::string& input = "", int seconds = 20);

// kelvane-check with a pseudo-terminal as its standard input, output and error, and the settings
// and program folders in `folder`, for what a person at a terminal types and sees. A program
// still running when the object goes is killed by its pid.
class TerminalProgram {
  public:
    TerminalProgram(const std::vector<std::string>& arguments, const std::string& folder);
    ~TerminalProgram();
    TerminalProgram(const TerminalProgram&) = delete;
    TerminalProgram& operator=(const TerminalProgram&) = delete;

    // Reads what the program shows until it contains `text`; false when it does not within
    // `milliseconds`.
    bool WaitForOutput(const std::string& text, int milliseconds = 10000);
    // Whether the terminal shows what is typed, as the program has set it now.
    bool Echoes() const;
    // Waits (bounded) until the terminal no longer shows what is typed; false when it still does.
    bool WaitUntilEchoOff(int milliseconds = 10000);
    void Type(const std::string& keys);
    void Signal(int signal);
    // Waits at most `seconds` for the end, reading the rest of the output; the exit status, -1
    // when it did not end in time (then it is killed), 128 + the signal when one ended it.
    int Wait(int seconds = 20);
    // Everything shown so far, line ends as the terminal turns them (CR LF).
    const std::string& output() const { return output_; }

  private:
    void ReadAvailable(int milliseconds);

    int terminal_ = -1;
    pid_t child_ = -1;
    std::string output_;
};

}  // namespace kelvane::checktest
