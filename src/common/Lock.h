#ifndef VN_COMMON_LOCK_H
#define VN_COMMON_LOCK_H

// Mutual exclusion between the processes of the installer over three one-byte slots of
// "/tmp/nvo-installer.lock":
//   slot 0  the installer run (main tests it, then holds it for the run);
//   slot 1  the status service child (the starter tests it; its holder's pid is the service);
//   slot 2  each single access to the shared progress record.
//
// These are POSIX record locks: they belong to the process, vanish when it ends however it
// ends, are not inherited by fork, and ALL of them are dropped when ANY descriptor of the file
// is closed. So the file must never be opened anywhere else in the program; this class keeps
// the one descriptor and closes it only when its last object goes away.
//
// Between threads of one process a Lock excludes nothing: two threads may hold one slot.
class Lock {
public:
    enum { slotRun = 0, slotStatusService = 1, slotProgress = 2 };

    // Takes the slot. With `wait` blocks until it is free; without, raises "err_lock_locked"
    // (4,2,1,1) when another process holds it. A raised error leaves the slot free and the
    // count of live objects unchanged.
    Lock(int slot, bool wait);
    // Raises "err_unlock_failed" only when no other exception was already leaving the scope
    // that made the object; then it logs the failure instead.
    ~Lock() noexcept(false);
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // 0 when nothing of another process would conflict with a write lock on the slot (a slot
    // this process holds answers 0), else the holder's pid. Takes nothing.
    static int test(int slot);

private:
    // These two run under the mutex of the process-wide state and only return the system
    // error (0 on success): the caller raises once the mutex is released, because building a
    // message may log, and a log statement may be waiting for that mutex.
    static int openFile();
    static int closeFile();
    // These run outside that mutex on a descriptor that is kept open meanwhile (a waiting
    // lock may block for as long as another process works), and raise.
    static int tryLock(int slot);
    static int waitLock(int slot);
    static void unlock(int slot);
    // Opens the file when needed and keeps the descriptor open for a lock call.
    static void acquire();
    // Ends what acquire() began; `drop` also counts this object out and closes the file when
    // it was the last. Returns close's system error.
    static int release(bool drop);

    const int slot;
    const int uncaught;
};

#endif
