#include "TagRas.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "EventPump.h"
#include "MailErrors.h"
#include "MessageBoxes.h"
#include "PeerFolder.h"
#include "RasErrors.h"

namespace kelvane {
namespace {

constexpr auto kSlice = std::chrono::milliseconds(20);
// How long the owner's end waits for hang-up commands to finish.
constexpr auto kEndingGrace = std::chrono::seconds(2);

// Marks a wait on the stack for its lifetime, however it ends.
class WaitScope {
  public:
    explicit WaitScope(bool& waiting) : waiting_(waiting) { waiting_ = true; }
    ~WaitScope() { waiting_ = false; }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

  private:
    bool& waiting_;
};

}  // namespace

TagRas::TagRas(std::string peersFolder, std::unique_ptr<PeerCommands> commands, LinkTest linkUp)
    : peersFolder_(std::move(peersFolder)),
      commands_(std::move(commands)),
      linkUp_(std::move(linkUp)) {
    Entries();
}

TagRas::~TagRas() {
    OnDisconnected = nullptr;  // the owner is going away
    HangUp();
    if (dial_) ending_.push_back(std::move(dial_));
    const auto deadline = std::chrono::steady_clock::now() + kEndingGrace;
    for (ReapFinished(); !ending_.empty() && std::chrono::steady_clock::now() < deadline;
         ReapFinished()) {
        std::this_thread::sleep_for(kSlice);
    }
}

const std::vector<std::string>& TagRas::Entries() {
    int error = 0;
    entries_ = PeerNames(peersFolder_, error);
    if (error != 0) lastError_ = error;
    return entries_;
}

// By value: the name may be one of the entries, which are read again here.
void TagRas::SetService(std::string name) {
    if (name.empty()) {
        service_.clear();
    } else if (!RasAvailable()) {
        ShowBox(kRasNotDetected);
    } else if (connected_) {
        ShowBox(kRasSetBeforeConnecting);
    } else {
        const std::vector<std::string>& names = Entries();
        const bool known = std::find(names.begin(), names.end(), name) != names.end();
        service_ = known ? std::move(name) : std::string();
    }
}

void TagRas::EnsureConnected() {
    ReapFinished();
    // A link that comes up after this component's own dial timed out is that dial's, and stays
    // this component's to hang up; any other is adopted and left alone.
    if (service_.empty() || linkUp_()) {
        connected_ = true;
        return;
    }
    // A dial of another peer that never came up would otherwise be left running.
    if (!dialed_.empty() && dialed_ != service_) HangUp();
    connected_ = false;
    canceled_ = false;
    counter_.ResetExpired();
    Dial();
    WaitForLink();
}

void TagRas::Dial() {
    ShowStatus(kRasOpenPort);
    if (dial_) ending_.push_back(std::move(dial_));
    dial_ = commands_->Dial(service_);
    dialed_ = service_;
    ShowStatus(kRasConnectDevice);
}

// A dial command that ends with 0 has only handed the link to pppd: the wait goes on until the
// interface is up.
void TagRas::WaitForLink() {
    counter_.TimeOut = TimeOut;
    counter_.Start();
    int error = 0;
    {
        const WaitScope scope(waiting_);
        while (!linkUp_()) {
            const std::optional<int> status = dial_ ? dial_->Poll() : std::nullopt;
            if (status && *status != 0) {
                error = *status;
                break;
            }
            PumpEvents();
            if (canceled_ || counter_.Expired()) break;
            std::this_thread::sleep_for(kSlice);
        }
    }
    counter_.Stop();
    if (error != 0) {
        lastError_ = error;
        HangUp();
        throw ERASError(error);
    }
    // Only Release cancels, and it left its hang-up to this unwound wait.
    if (canceled_) {
        HangUp();
        throw ECanceledError(kOperationCanceled);
    }
    if (counter_.Expired()) throw ETimedOutError(kOperationTimedOut);
    connected_ = true;
    ShowStatus(kRasConnected);
}

void TagRas::Release() {
    canceled_ = true;
    // Called from the pump during the wait: the wait hangs up once it has ended.
    if (!waiting_) HangUp();
}

void TagRas::HangUp() {
    ReapFinished();
    connected_ = false;
    if (dialed_.empty()) return;
    const std::string peer = std::exchange(dialed_, std::string());
    if (dial_) ending_.push_back(std::move(dial_));
    try {
        ending_.push_back(commands_->HangUp(peer));
    } catch (const ERASError&) {
        // poff cannot run: the link stays up, and a caller that is closing could do no better.
    }
    if (OnDisconnected) OnDisconnected(*this);
}

void TagRas::ShowStatus(int state) {
    if (OnStatusChange) OnStatusChange(*this, RASStatusStr(state));
}

void TagRas::ShowBox(const char* text) {
    if (Boxes != nullptr) Boxes->Error(text);
}

void TagRas::ReapFinished() {
    std::erase_if(ending_, [](const std::unique_ptr<RunningCommand>& command) {
        return command->Poll().has_value();
    });
}

}  // namespace kelvane
