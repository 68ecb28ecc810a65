#ifndef VN_MAIN_RUNFAILURE_H
#define VN_MAIN_RUNFAILURE_H

#include <string>

#include "Reporter.h"

class error;

// How a run that failed ends: what goes into the log, and the report on standard output. The
// program entry builds one from whatever left a phase of the run, then calls end().
class RunFailure {
public:
    // The exception now being handled: call it inside a catch block. Every type has its row,
    // tried in the order of the handlers inside; an `error` that is an http_error with code
    // 404 from the default update server is marked as one for product support on the way.
    static RunFailure fromCurrentException();
    // An `error` while the settings were built or an informational mode was answered.
    static RunFailure fromSettingsError(const error& e);
    // An `error` while testing whether another run holds the run lock; `e` gets the line
    // "err_chk_exclusive".
    static RunFailure fromLockTestError(error& e);

    // SELinux hint, log line, report, then the error exit. The web interface's idle timeout
    // ends silently instead: its notice on the console and exit status 0, no report, no mail.
    [[noreturn]] void end() const;

    bool selinuxHint = false;
    bool idleTimeout = false;
    // Logged at level 1 (level 0 for the idle timeout) with a line end; empty: nothing.
    std::string logLine;
    int status = reportError;
    std::string message;
    std::string errorClass;
};

#endif
