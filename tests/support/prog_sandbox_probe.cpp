// Touches the fixed places that the sandbox must keep from the host, whether they exist there
// or not: appends to the lock file in /tmp (creating it), attaches to System V shared memory
// with the progress key (creating it), and appends to a file under /etc. A leak onto the host
// changes what a test saw there before.
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cstdio>

namespace {

bool append(const char* path) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) return false;
    const bool written = ::write(fd, "probe\n", 6) == 6;
    return ::close(fd) == 0 && written;
}

}  // namespace

int main() {
    if (!append("/tmp/nvo-installer.lock")) {
        std::perror("lock file");
        return 1;
    }
    int id = ::shmget(321456, 0, 0);
    if (id < 0) id = ::shmget(321456, 20564, IPC_CREAT | 0600);
    void* at = id < 0 ? reinterpret_cast<void*>(-1) : ::shmat(id, nullptr, SHM_RDONLY);
    if (at == reinterpret_cast<void*>(-1) || ::shmdt(at) != 0) {
        std::perror("shared memory");
        return 2;
    }
    if (!append("/etc/vn-sandbox-probe")) {
        std::perror("/etc file");
        return 3;
    }
    std::puts("probe done");
    return 0;
}
