#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DialUpLink.h"
#include "PeerCommands.h"
#include "PppLink.h"
#include "TimeCounter.h"

namespace kelvane {

class MessageBoxes;

// The dial-up link: the entries are the pppd peers, dialled with pon and hung up with poff; a
// link is up when a ppp interface is. EnsureConnected adopts a link that is already up (and
// never hangs it up) or dials Service and waits for the link in pumped slices, bounded by
// TimeOut and ended by Release. Only what this component dialled is hung up. Failures raise
// ERASError, ETimedOutError or ECanceledError.
class TagRas : public DialUpLink {
  public:
    using LinkTest = std::function<bool()>;
    static constexpr const char* kPeersFolder = "/etc/ppp/peers";

    explicit TagRas(
        std::string peersFolder = kPeersFolder,
        std::unique_ptr<PeerCommands> commands = std::make_unique<SpawnedPeerCommands>(),
        LinkTest linkUp = PppLinkUp);
    // Hangs up what it dialled.
    ~TagRas() override;
    TagRas(const TagRas&) = delete;
    TagRas& operator=(const TagRas&) = delete;

    int TimeOut = 120;  // seconds
    // Where SetService shows its error boxes; none are shown without one.
    MessageBoxes* Boxes = nullptr;
    // The status text (RASStatusStr) of each step of a dial.
    std::function<void(TagRas& sender, const std::string& status)> OnStatusChange;
    std::function<void(TagRas& sender)> OnDisconnected;

    // Reads the peers folder again.
    const std::vector<std::string>& Entries();
    // The entries as last read are not empty.
    bool RasAvailable() const { return !entries_.empty(); }
    // The entry to dial; empty: never dial.
    const std::string& Service() const { return service_; }
    // Empty clears it; a name that is not an entry clears it too. Refused, with an error box,
    // without entries or while connected.
    void SetService(std::string name);
    bool Connected() const { return connected_; }
    // The number of the last failure: a dial command's exit status, or the system's error
    // number when the peers folder could not be read.
    int LastError() const { return lastError_; }

    void EnsureConnected() override;
    // Hangs up what this component dialled and ends a dial in progress, which then raises
    // ECanceledError.
    void Release() override;
    void HangUp();

  private:
    void Dial();
    void WaitForLink();
    void ShowStatus(int state);
    void ShowBox(const char* text);
    // Forgets the commands that have ended.
    void ReapFinished();

    std::string peersFolder_;
    std::unique_ptr<PeerCommands> commands_;
    LinkTest linkUp_;
    std::vector<std::string> entries_;
    std::string service_;
    std::string dialed_;  // the peer this component dialled and has not hung up; empty if none
    bool connected_ = false;
    bool canceled_ = false;
    bool waiting_ = false;
    int lastError_ = 0;
    TTimeCounter counter_;
    std::unique_ptr<RunningCommand> dial_;
    // Commands left to end by themselves, watched so that none stays a zombie.
    std::vector<std::unique_ptr<RunningCommand>> ending_;
};

}  // namespace kelvane
