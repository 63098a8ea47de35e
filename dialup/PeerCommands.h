#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// A command started for a dial-up peer, watched without blocking.
class RunningCommand {
  public:
    virtual ~RunningCommand() = default;
    // Its exit status once it has ended (128 + the signal when a signal ended it); nothing
    // while it runs.
    virtual std::optional<int> Poll() = 0;
};

// Dials and hangs up a pppd peer. Start failures raise ERASError.
class PeerCommands {
  public:
    virtual ~PeerCommands() = default;
    virtual std::unique_ptr<RunningCommand> Dial(const std::string& peer) = 0;
    virtual std::unique_ptr<RunningCommand> HangUp(const std::string& peer) = 0;
};

// A peer name is outside input, and the dial scripts may expand it unquoted: only letters,
// digits and "._+-@:,=" pass, and no leading "." or "-" (a hidden file, or an option).
bool SafePeerName(std::string_view name);

// Runs the programs directly (posix_spawnp, no shell) with the peer name as their only argument,
// input and output on /dev/null and none of this program's other files open.
class SpawnedPeerCommands : public PeerCommands {
  public:
    explicit SpawnedPeerCommands(std::string dialProgram = "pon",
                                 std::string hangUpProgram = "poff");

    std::unique_ptr<RunningCommand> Dial(const std::string& peer) override;
    std::unique_ptr<RunningCommand> HangUp(const std::string& peer) override;

  private:
    std::string dialProgram_;
    std::string hangUpProgram_;
};

// Starts `program` with the one argument `peer`; raises ERASError when the name is not safe or
// the program cannot be started.
std::unique_ptr<RunningCommand> SpawnPeerCommand(const std::string& program,
                                                 const std::string& peer);

}  // namespace kelvane
