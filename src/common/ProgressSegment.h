#ifndef VN_COMMON_PROGRESSSEGMENT_H
#define VN_COMMON_PROGRESSSEGMENT_H

#include <mutex>

#include "Lock.h"
#include "ProgressRecord.h"

// One access to the shared progress record: from construction to destruction the caller has
// the record to itself, against the other threads of this process (a mutex) and against the
// status service and other runs (lock slot 2). Accesses never nest.
//
// When the segment cannot be had (no System V shared memory, a segment of the key that
// another user owns, one of the wrong size) the access logs the level-0 error line and works
// on a record of this process instead; the run goes on without a status feature.
class ProgressSegment {
public:
    enum { key = 321456 };

    // Raises (4,1,1,2) "Can't access to shm segment: ..." when the segment exists but cannot
    // be attached; the slot is free again by then.
    ProgressSegment();
    ~ProgressSegment() noexcept(false);
    ProgressSegment(const ProgressSegment&) = delete;
    ProgressSegment& operator=(const ProgressSegment&) = delete;

    // The attached record, or this process's own when no segment is attached.
    ProgressRecord* record();

    // Lets the system remove the segment once every process has detached it.
    void markForDeletion();

private:
    // Taken before slot 2 and released after it: between threads slot 2 excludes nothing,
    // and the first thread to release it would free it for both.
    std::unique_lock<std::mutex> threadGuard;
    Lock lock;
    int id;
    ProgressRecord* attached;
};

#endif
