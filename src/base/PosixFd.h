#pragma once
// A POSIX file descriptor closed when it goes out of scope; the ground floor's
// platform files only (never included on Windows).
#include <unistd.h>

#include <utility>

namespace velmora::posix {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

}  // namespace velmora::posix
