#pragma once
// A full disk on demand: while a FileSizeLimit lives, no file of this process grows beyond
// `bytes`. A write across the limit fails with EFBIG ("File too large") instead of raising
// SIGXFSZ, the way a write onto a full disk fails with ENOSPC. The limit holds for root too.

#include <sys/resource.h>

#include <csignal>

namespace tavrel::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, previous_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace tavrel::test
