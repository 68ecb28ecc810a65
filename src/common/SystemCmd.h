#ifndef VN_COMMON_SYSTEMCMD_H
#define VN_COMMON_SYSTEMCMD_H

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "Pipe.h"

// One command line run as "/bin/sh -c <line>" whose standard output the caller reads from `fp`
// while it runs. Its error output goes into the log (level 0) through a thread of the object,
// so it never mixes into `fp` and neither pipe blocks the command for long. Lives on the
// caller's stack for one command; never copied.
class SystemCmd {
public:
    // The direction of the data pipe: the caller reads the command's standard output.
    enum open_mode_t { read_mode = 0 };

    // The thread body: copies its descriptor into the log until end of file. It never closes
    // the descriptor; the object does, after the join.
    class StderrLogger {
    public:
        explicit StderrLogger(int fd) : fd(fd) {}
        void operator()() const;
        int fd;
    };

    // Starts the command; `fp` is ready to read on return. Raises (4,2,1,1) when the pipes, the
    // stream or the child cannot be made; nothing is left running then.
    SystemCmd(const std::string& cmd, open_mode_t mode, bool check);
    // Closes `fp`, reaps the child, joins the thread; with `check`, a status other than 0 raises
    // (4,2,2,2) "vantrell: Error in execution of <name>". While another exception leaves the
    // owner's scope the failure is logged instead, so the program is not terminated.
    virtual ~SystemCmd() noexcept(false);
    SystemCmd(const SystemCmd&) = delete;
    SystemCmd& operator=(const SystemCmd&) = delete;

    // Reaps the child once and gives its exit status, or 127 when a signal ended it; the same
    // on every call. Read `fp` to its end first.
    int wait();

    FILE* fp;

private:
    std::string command;
    bool checkExit;
    pid_t childPid;  // 0 once reaped
    int waitStatus;
    Pipe outPipe;
    Pipe errPipe;
    std::unique_ptr<StderrLogger> errLogger;
    std::unique_ptr<std::thread> errThread;
    int uncaught;  // exceptions in flight when the object was made
};

#endif
