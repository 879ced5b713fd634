#pragma once
// A disk that fills after a few bytes, for tests of file writes: while one lives, writes past the
// limit fail with EFBIG (SIGXFSZ ignored). Files already on the disk are not touched.
#include <csignal>
#include <sys/resource.h>

struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit lowered{bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};
