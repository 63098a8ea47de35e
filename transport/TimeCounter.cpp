#include "TimeCounter.h"

namespace kelvane {

void TTimeCounter::Start() {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(TimeOut);
    running_ = true;
}

void TTimeCounter::Stop() {
    running_ = false;
}

bool TTimeCounter::Expired() {
    if (running_ && std::chrono::steady_clock::now() >= deadline_) expired_ = true;
    return expired_;
}

}  // namespace kelvane
