// A limit on the size of the files this process writes, for the life of the object: a write past it fails
// with EFBIG, as a full disk fails a write with ENOSPC, whoever runs the test.
//
//     {
//         const FileSizeLimit limit(100);
//         store.save();                       // fails part of the way through a longer file
//     }
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace tessly::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        // Past the limit a write fails instead of the signal ending the process.
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

} // namespace tessly::testing
