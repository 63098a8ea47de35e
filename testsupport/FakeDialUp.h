#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PeerCommands.h"
#include "RasErrors.h"

namespace kelvane::testsupport {

// The world outside a dial: the commands run, as "pon beta", and whether a ppp link is up.
struct FakeLine {
    std::vector<std::string> commands;
    bool up = false;
    bool dialCannotStart = false;
    int dialExit = 0;
    int pollsBeforeExit = 0;  // polls of pon that find it still running
    int pollsBeforeUp = -1;   // polls of pon before the link is up; -1: never
    bool hungUp = false;      // poff ran, which ends a pon still running
};

class FakeDial : public RunningCommand {
  public:
    explicit FakeDial(FakeLine& line) : line_(line) {}
    std::optional<int> Poll() override {
        ++polls_;
        if (line_.pollsBeforeUp >= 0 && polls_ > line_.pollsBeforeUp) line_.up = true;
        if (polls_ > line_.pollsBeforeExit || line_.hungUp) return line_.dialExit;
        return std::nullopt;
    }

  private:
    FakeLine& line_;
    int polls_ = 0;
};

class EndedCommand : public RunningCommand {
  public:
    std::optional<int> Poll() override { return 0; }
};

// pon and poff acting on a FakeLine.
class FakeCommands : public PeerCommands {
  public:
    explicit FakeCommands(FakeLine& line) : line_(line) {}
    std::unique_ptr<RunningCommand> Dial(const std::string& peer) override {
        line_.commands.push_back("pon " + peer);
        if (line_.dialCannotStart) throw ERASError(0, "Cannot run pon: No such file or directory");
        return std::make_unique<FakeDial>(line_);
    }
    std::unique_ptr<RunningCommand> HangUp(const std::string& peer) override {
        line_.commands.push_back("poff " + peer);
        line_.up = false;
        line_.hungUp = true;
        return std::make_unique<EndedCommand>();
    }

  private:
    FakeLine& line_;
};

}  // namespace kelvane::testsupport
