// The process without root's power over permissions, for the life of the object: a test of what a file's
// permissions refuse holds whoever runs it.
//
//     {
//         const WithoutPermissionOverride heldToPermissions;
//         EXPECT_FALSE(QFile(readOnlyFolder + "/x").open(QIODevice::WriteOnly));   // even for root
//     }
//
// A process without those capabilities (not root) is held to permissions already; nothing changes.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tessly::testing {

class WithoutPermissionOverride {
public:
    WithoutPermissionOverride() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~WithoutPermissionOverride() {
        if (m_lowered) {
            ::syscall(SYS_capset, &m_header, m_saved);
        }
    }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_lowered = false;
};

} // namespace tessly::testing
