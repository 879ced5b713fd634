#pragma once
// While one lives the calling thread is held to permission bits as any user is (root loses DAC
// override and read-search), so a read-only file or folder is read-only to a test run as root too.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

struct PermissionBits {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{}, held[2]{};
    PermissionBits()
    {
        syscall(SYS_capget, &header, saved);
        held[0] = saved[0], held[1] = saved[1];
        held[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header, held);
    }
    ~PermissionBits() { syscall(SYS_capset, &header, saved); }
};
