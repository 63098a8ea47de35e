#pragma once

#include <chrono>

namespace kelvane {

// A count-down of whole seconds. Start() begins the count from TimeOut; Expired() turns true
// once that many seconds have passed and stays true until ResetExpired(), even across a new
// Start(), as a session's time-out does.
class TTimeCounter {
  public:
    int TimeOut = 60;

    void Start();
    void Stop();
    bool Running() const { return running_; }
    // Checks the clock; true from the moment the count reached zero.
    bool Expired();
    void ResetExpired() { expired_ = false; }

  private:
    bool running_ = false;
    bool expired_ = false;
    std::chrono::steady_clock::time_point deadline_{};
};

}  // namespace kelvane
