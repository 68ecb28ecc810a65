#ifndef VN_COMMON_SCOPEDFD_H
#define VN_COMMON_SCOPEDFD_H

#include <unistd.h>

// A file or socket descriptor closed when an error leaves its scope early. Paths that must
// check the result of close() take the descriptor back with release() and close it themselves.
class ScopedFd {
public:
    explicit ScopedFd(int descriptor) : fd(descriptor) {}
    ~ScopedFd() {
        if (fd >= 0) ::close(fd);
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

    int release() {
        int d = fd;
        fd = -1;
        return d;
    }

    int fd;
};

#endif
