#include "Pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "error.h"

Pipe::Pipe() : readEnd(-1), writeEnd(-1) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw error(4, 2, 1, 1) << "Pipe: Can't create pipe: " << std::strerror(errno);
    readEnd = fds[0];
    writeEnd = fds[1];
}

Pipe::~Pipe() {
    if (readEnd != -1) ::close(readEnd);
    if (writeEnd != -1) ::close(writeEnd);
}

int Pipe::out() const {
    if (readEnd == -1) throw error(3, 2, 1, 3) << "Pipe: out() end is already closed";
    return readEnd;
}

int Pipe::in() const {
    if (writeEnd == -1) throw error(3, 2, 1, 3) << "Pipe: in() end is already closed";
    return writeEnd;
}

void Pipe::closeOut() { closeEnd(readEnd, " Can't close out fd "); }

void Pipe::closeIn() { closeEnd(writeEnd, " Can't close in fd "); }

int Pipe::releaseOut() {
    int fd = out();
    readEnd = -1;
    return fd;
}

void Pipe::closeEnd(int& fd, const char* which) {
    if (fd == -1) return;
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0) {
        int e = errno;
        throw error(4, 2, 1, 1) << "Pipe: " << static_cast<const void*>(this) << which << closing << ":"
                                << std::strerror(e);
    }
}
