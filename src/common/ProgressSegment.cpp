#include "ProgressSegment.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "Log.h"
#include "error.h"

namespace {

std::mutex& threadMutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}

// Made the first time the segment cannot be had, zero-filled, never freed. Only touched
// under threadMutex().
ProgressRecord* fallbackRecord() {
    static ProgressRecord* record = nullptr;
    if (!record) record = new ProgressRecord();
    return record;
}

// The segment of the key, created when missing, only when it is ours alone: one of another
// user could feed the status service, or be fed by us, and a wider mode left by an older run
// is narrowed. Returns the id, or -1 with the system error in `err`.
int openSegment(int& err) {
    int id = ::shmget(ProgressSegment::key, sizeof(ProgressRecord), IPC_CREAT | 0600);
    if (id < 0) {
        err = errno;
        return -1;
    }
    struct shmid_ds ds;
    if (::shmctl(id, IPC_STAT, &ds) != 0) {
        err = errno;
        return -1;
    }
    const uid_t me = ::geteuid();
    if (ds.shm_perm.uid != me || ds.shm_perm.cuid != me) {
        err = EPERM;
        return -1;
    }
    if ((ds.shm_perm.mode & 0777) != 0600) {
        ds.shm_perm.mode = 0600;
        if (::shmctl(id, IPC_SET, &ds) != 0) {
            err = errno;
            return -1;
        }
    }
    return id;
}

}  // namespace

ProgressSegment::ProgressSegment()
    : threadGuard(threadMutex()), lock(Lock::slotProgress, true), id(-1), attached(nullptr) {
    int err = 0;
    id = openSegment(err);
    if (id < 0) {
        Log(0) << "Error: Can't create/access to shm segment: " << std::strerror(err) << "\n"
               << "Remove status reporter feature will unavailable." << std::endl;
        fallbackRecord();
        return;
    }
    void* p = ::shmat(id, nullptr, 0);
    if (p == reinterpret_cast<void*>(-1)) {
        err = errno;
        // The members release the slot and the mutex while the error leaves.
        throw error(4, 1, 1, 2) << "Can't access to shm segment: " << std::strerror(err);
    }
    attached = static_cast<ProgressRecord*>(p);
}

ProgressSegment::~ProgressSegment() noexcept(false) {
    if (attached && ::shmdt(attached) != 0) {
        int err = errno;
        Log(0) << "Warning: shmdt error: " << std::strerror(err) << std::endl;
    }
}

ProgressRecord* ProgressSegment::record() { return attached ? attached : fallbackRecord(); }

void ProgressSegment::markForDeletion() {
    if (attached && ::shmctl(id, IPC_RMID, nullptr) != 0) {
        int err = errno;
        Log(0) << "Warning: can't set delete flag for shm: " << std::strerror(err) << std::endl;
    }
}
