#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kelvane::testsupport {

// Root passes every permission check, so a read-only file or folder refuses it nothing. While
// this lives the calling thread lacks that privilege and obeys the modes as any other user does,
// so that tests of refused writes run as root too.
class PermissionsObeyed {
  public:
    PermissionsObeyed() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~PermissionsObeyed() {
        if (lowered_) ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsObeyed(const PermissionsObeyed&) = delete;
    PermissionsObeyed& operator=(const PermissionsObeyed&) = delete;

    // False when the modes still refuse nothing (root whose privilege could not be lowered).
    bool obeyed() const { return ::geteuid() != 0 || lowered_; }

  private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

}  // namespace kelvane::testsupport
