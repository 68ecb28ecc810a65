#ifndef VN_COMMON_PROGRESS_H
#define VN_COMMON_PROGRESS_H

#include <string>

// Writes the state of the running installation into the shared progress record, one access
// per operation, so a status reader always sees the latest complete write. Holds no data:
// make one wherever it is needed.
//
// stage, step, finish and fail never let a failure reach the caller (progress is a courtesy
// to the status service, not a reason to stop an installation); setCookie does.
class Progress {
public:
    // 0 start, 1 preparation, 2 package resolution, 3 download, 4 installation; `steps` is how
    // many steps the stage will announce. Keeps the error text and the cookie.
    void stage(unsigned stage, unsigned steps);
    // The next step of the current stage; a step beyond the announced count raises the count.
    void step(const std::string& id, const std::string& title);
    void finish();
    void fail(const std::string& text);
    void setCookie(const std::string& cookie);
};

#endif
