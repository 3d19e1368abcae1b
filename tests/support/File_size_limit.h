#pragma once
// Writes that fail on purpose: while a File_size_limit lives, no file this process writes grows
// past the limit, and a write beyond it fails as on a full disk, part-way through a save.
#include <sys/resource.h>

#include <csignal>

namespace wk::test {

class File_size_limit {
public:
    explicit File_size_limit(rlim_t bytes)
    {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~File_size_limit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }
    File_size_limit(const File_size_limit&) = delete;
    File_size_limit& operator=(const File_size_limit&) = delete;

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

} // namespace wk::test
