#include "Lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/format.hpp>
#include <cerrno>
#include <cstring>
#include <exception>
#include <mutex>

#include "Log.h"
#include "Messages.h"
#include "error.h"

namespace {

const char* const lockFileName = "/tmp/nvo-installer.lock";

// The one descriptor of the lock file and the number of live Lock objects. `busy` counts the
// calls that use the descriptor outside the mutex; the descriptor is never closed under them.
// Never destroyed: objects may still be released while static objects are torn down.
struct LockState {
    std::mutex mutex;
    int fd = -1;
    int count = 0;
    int busy = 0;
};

LockState& state() {
    static LockState* s = new LockState;
    return *s;
}

error systemError(int eclass, int rep, int sys, int supp, const char* key, int err) {
    error e(eclass, rep, sys, supp);
    e << boost::format(Messages::getMessage(key)) % lockFileName % std::strerror(err);
    return e;
}

void checkSlot(int slot) {
    if (static_cast<unsigned>(slot) > 2) throw error(3, 1, 1, 3) << Messages::getMessage("err_bad_semnum");
}

struct flock64 request(short type, int slot) {
    struct flock64 fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = slot;
    fl.l_len = 1;
    return fl;
}

// An interrupted call is made again, however often it is interrupted.
int retrying(int fd, int cmd, struct flock64* fl) {
    for (;;) {
        int r = ::fcntl(fd, cmd, fl);
        if (r == -1 && errno == EINTR) {
            errno = 0;
            continue;
        }
        return r;
    }
}

}  // namespace

void Lock::acquire() {
    LockState& s = state();
    int err = 0;
    {
        std::lock_guard<std::mutex> held(s.mutex);
        if (s.fd < 0) err = openFile();
        if (err == 0) ++s.busy;
    }
    if (err) throw systemError(4, 1, 1, 2, "err_lock_file", err);
}

int Lock::release(bool drop) {
    LockState& s = state();
    std::lock_guard<std::mutex> held(s.mutex);
    --s.busy;
    if (!drop) return 0;
    --s.count;
    if (s.count == 0 && s.busy == 0 && s.fd >= 0) return closeFile();
    return 0;
}

int Lock::openFile() {
    LockState& s = state();
    // Anyone may create a name in /tmp first: a link is not followed, and only a regular file
    // of our own is used. O_NONBLOCK keeps a planted FIFO from blocking the open; it does not
    // change how the record locks wait.
    int fd = ::open(lockFileName, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) return errno;
    struct stat st;
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        err = EPERM;
    if (err) {
        ::close(fd);
        return err;
    }
    s.fd = fd;
    return 0;
}

int Lock::closeFile() {
    LockState& s = state();
    int r = ::close(s.fd);
    int err = r == 0 ? 0 : errno;
    // Even a failed close has released the number (EBADF aside, it was not ours then), and
    // keeping it could later close a descriptor that now belongs to someone else.
    s.fd = -1;
    return err;
}

int Lock::tryLock(int slot) {
    checkSlot(slot);
    struct flock64 fl = request(F_WRLCK, slot);
    if (retrying(state().fd, F_SETLK64, &fl) == 0) return 0;
    int err = errno;
    if (err == EAGAIN || err == EACCES) return 1;
    throw systemError(4, 2, 1, 2, "err_lock_failed", err);
}

int Lock::waitLock(int slot) {
    checkSlot(slot);
    struct flock64 fl = request(F_WRLCK, slot);
    if (retrying(state().fd, F_SETLKW64, &fl) == 0) return 0;
    throw systemError(4, 2, 1, 2, "err_lock_failed", errno);
}

void Lock::unlock(int slot) {
    checkSlot(slot);
    struct flock64 fl = request(F_UNLCK, slot);
    if (retrying(state().fd, F_SETLK64, &fl) == 0) return;
    throw systemError(4, 1, 1, 2, "err_unlock_failed", errno);
}

Lock::Lock(int s, bool wait) : slot(s), uncaught(std::uncaught_exceptions()) {
    acquire();
    try {
        if (wait)
            waitLock(slot);
        else if (tryLock(slot) != 0)
            throw error(4, 2, 1, 1) << Messages::getMessage("err_lock_locked");
    } catch (...) {
        release(false);
        throw;
    }
    LockState& st = state();
    std::lock_guard<std::mutex> held(st.mutex);
    --st.busy;
    ++st.count;
}

Lock::~Lock() noexcept(false) {
    LockState& s = state();
    {
        std::lock_guard<std::mutex> held(s.mutex);
        if (s.fd < 0) return;
        ++s.busy;
    }
    const bool unwinding = std::uncaught_exceptions() > uncaught;
    try {
        unlock(slot);
    } catch (error& e) {
        // The object still counts: the failure comes before the count changes.
        release(false);
        if (!unwinding) throw;
        Log(1) << e.text();
        return;
    }
    int err = release(true);
    if (err == 0) return;
    const std::string text = (boost::format(Messages::getMessage("err_lock_shutdown")) % lockFileName).str();
    Log(1) << text << std::strerror(err);
    if (!unwinding) throw error(4, 1, 1, 1) << text;
}

int Lock::test(int slot) {
    checkSlot(slot);
    acquire();
    struct flock64 fl = request(F_WRLCK, slot);
    int r = retrying(state().fd, F_GETLK64, &fl);
    int err = errno;
    release(false);
    if (r != 0) throw systemError(4, 2, 1, 2, "err_lock_test", err);
    return fl.l_type == F_UNLCK ? 0 : static_cast<int>(fl.l_pid);
}
