#include "bridge/ChildDescriptors.h"

#include <cstddef>
#include <cstdint>

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef CLOSE_RANGE_CLOEXEC
#define CLOSE_RANGE_CLOEXEC (1U << 2)
#endif

namespace tovi {
namespace {

struct LinuxDirent64 {
    std::uint64_t d_ino;
    std::int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

int parseDescriptor(const char* name) {
    if (*name == '\0')
        return -1;
    int fd = 0;
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9' || fd > 100'000'000)
            return -1;
        fd = fd * 10 + (*name - '0');
    }
    return fd;
}

} // namespace

// Raw getdents64 rather than readdir, which may allocate.
void markDescriptorsCloseOnExecByListing() {
    const int dir = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    alignas(LinuxDirent64) char buffer[4096];
    for (;;) {
        const long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (long offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + offset);
            const int fd = parseDescriptor(entry->d_name);
            if (fd > 2 && fd != dir) {
                const int flags = ::fcntl(fd, F_GETFD);
                if (flags >= 0)
                    ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
            }
            offset += entry->d_reclen;
        }
    }
    ::close(dir);
}

void markDescriptorsCloseOnExec() {
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    markDescriptorsCloseOnExecByListing();
}

} // namespace tovi
