#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kelvane {

// One IPv4 host-name lookup that runs in the background, so that the caller can wait for it in
// short slices, keep the windows live meanwhile and give up at any moment.
class HostResolver {
  public:
    enum class State { Pending, Found, Failed };

    HostResolver();
    ~HostResolver();
    HostResolver(const HostResolver&) = delete;
    HostResolver& operator=(const HostResolver&) = delete;

    // Starts looking up `host`, abandoning an earlier lookup; false when it could not start.
    bool Start(const std::string& host);
    // Waits at most `milliseconds` for the answer.
    State Wait(int milliseconds);
    // The first address found, in network byte order; valid once Wait() returned Found.
    std::uint32_t Address() const;
    // Abandons a lookup that is still running.
    void Cancel();

  private:
    struct Request;
    static void Abandon(std::unique_ptr<Request> request);

    std::unique_ptr<Request> request_;
};

}  // namespace kelvane
