#include "HostResolver.h"

#include <netdb.h>
#include <netinet/in.h>

#include <mutex>
#include <vector>

namespace kelvane {

struct HostResolver::Request {
    std::string name;
    addrinfo hints{};
    gaicb block{};

    ~Request() {
        if (block.ar_result != nullptr) freeaddrinfo(block.ar_result);
    }
    bool Running() { return gai_error(&block) == EAI_INPROGRESS; }
};

HostResolver::HostResolver() = default;

HostResolver::~HostResolver() {
    Cancel();
}

bool HostResolver::Start(const std::string& host) {
    Cancel();
    auto request = std::make_unique<Request>();
    request->name = host;
    request->hints.ai_family = AF_INET;
    request->hints.ai_socktype = SOCK_STREAM;
    request->block.ar_name = request->name.c_str();
    request->block.ar_request = &request->hints;
    gaicb* list[] = {&request->block};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) return false;
    request_ = std::move(request);
    return true;
}

HostResolver::State HostResolver::Wait(int milliseconds) {
    if (!request_) return State::Failed;
    const gaicb* list[] = {&request_->block};
    const timespec slice{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    gai_suspend(list, 1, &slice);
    const int error = gai_error(&request_->block);
    if (error == EAI_INPROGRESS) return State::Pending;
    if (error != 0 || request_->block.ar_result == nullptr) return State::Failed;
    return State::Found;
}

std::uint32_t HostResolver::Address() const {
    const addrinfo* answer = request_ ? request_->block.ar_result : nullptr;
    if (answer == nullptr || answer->ai_family != AF_INET) return 0;
    return reinterpret_cast<const sockaddr_in*>(answer->ai_addr)->sin_addr.s_addr;
}

void HostResolver::Cancel() {
    if (!request_) return;
    if (request_->Running()) gai_cancel(&request_->block);
    Abandon(std::move(request_));
}

// A lookup that could not be cancelled keeps writing into its request until it ends, so the
// request is kept and freed by a later call once it has finished.
void HostResolver::Abandon(std::unique_ptr<Request> request) {
    static std::mutex mutex;
    static auto* kept = new std::vector<std::unique_ptr<Request>>;  // lookups may outlive exit
    std::lock_guard lock(mutex);
    std::erase_if(*kept, [](const std::unique_ptr<Request>& r) { return !r->Running(); });
    if (request->Running()) kept->push_back(std::move(request));
}

}  // namespace kelvane
