#include "PppLink.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "RasErrors.h"

namespace kelvane {

bool PppLinkUp() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        throw ERASError(0,
                        std::string("Cannot list the network interfaces: ") + std::strerror(errno));
    }
    bool up = false;
    for (const ifaddrs* entry = list; entry != nullptr && !up; entry = entry->ifa_next) {
        up = entry->ifa_name != nullptr && std::string_view(entry->ifa_name).starts_with("ppp") &&
             (entry->ifa_flags & IFF_UP) != 0 && entry->ifa_addr != nullptr &&
             entry->ifa_addr->sa_family == AF_INET;
    }
    ::freeifaddrs(list);
    return up;
}

}  // namespace kelvane
