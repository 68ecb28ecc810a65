#include "SystemCmd.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <ostream>

#include "ChildFailureLine.h"
#include "Log.h"
#include "Messages.h"
#include "error.h"
#include "exec_cmd.h"

void SystemCmd::StderrLogger::operator()() const {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            // A chunk that cannot be logged is dropped; the thread must go on reading, or the
            // command would block on its error output and never end.
            try {
                Log(0).writeRaw(buf, static_cast<int>(n));
            } catch (...) {
            }
            continue;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return;
    }
}

SystemCmd::SystemCmd(const std::string& cmd, open_mode_t, bool check)
    : fp(nullptr),
      command(cmd),
      checkExit(check),
      childPid(0),
      waitStatus(0),
      uncaught(std::uncaught_exceptions()) {
    Log(2) << "vantrell: read output of " << cmd << std::endl;

    // Everything that can fail is made before the fork, so a failure leaves nothing running.
    std::string line(cmd);
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), &line[0], nullptr};
    sigset_t noSignals;
    sigemptyset(&noSignals);
    const ChildFailureLine execFailure(Messages::getMessage("err_exec_systemfail"));
    const ChildFailureLine dupFailure("ERROR (child): Can't put a pipe on a standard descriptor");
    const std::string& forkFailed = Messages::getMessage("err_exec_forkfail");

    fp = ::fdopen(outPipe.out(), "r");
    if (!fp) throw error(4, 2, 1, 1) << "SystemCmd: Can't create FILE from FD: " << std::strerror(errno);
    outPipe.releaseOut();

    try {
        errLogger.reset(new StderrLogger(errPipe.out()));
        errThread.reset(new std::thread(*errLogger));

        const int outIn = outPipe.in();
        const int errIn = errPipe.in();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
            if (::dup2(errIn, 2) < 0 || ::dup2(outIn, 1) < 0) {
                dupFailure.writeTo(2, errno);
                ::_exit(127);
            }
            // The pipes' own descriptors are close-on-exec; only the two copies stay.
            ::execv("/bin/sh", argv);
            execFailure.writeTo(2, errno);
            ::_exit(127);
        }
        if (pid < 0) throw error(4, 2, 1, 1) << forkFailed;
        childPid = pid;
        // Only the child writes now: end of file comes when it (and what it started) is done.
        outPipe.closeIn();
        errPipe.closeIn();
    } catch (...) {
        // The logger sees the end of its pipe once our write end is gone.
        try {
            errPipe.closeIn();
        } catch (...) {
        }
        if (errThread) errThread->join();
        std::fclose(fp);
        fp = nullptr;
        throw;
    }
}

int SystemCmd::wait() {
    if (childPid != 0) {
        int st = 0;
        pid_t r;
        while ((r = ::waitpid(childPid, &st, 0)) < 0 && errno == EINTR) {
        }
        if (r < 0) {
            // Someone else reaped it; its status is lost, so count it as a failure.
            Log(2) << "SystemCmd: cannot wait for process " << childPid << ": " << std::strerror(errno)
                   << std::endl;
            st = 127 << 8;
        }
        waitStatus = st;
        childPid = 0;
    }
    return WIFSIGNALED(waitStatus) ? 127 : WEXITSTATUS(waitStatus);
}

SystemCmd::~SystemCmd() noexcept(false) {
    Log(3) << "SystemCmd::~SystemCmd() entry " << std::endl;
    if (fp) {
        std::fclose(fp);
        fp = nullptr;
    }
    const int status = wait();
    if (errThread) errThread->join();

    if (checkExit && status != 0) {
        const std::string text = "vantrell: Error in execution of " + getCommandName(command);
        // The pipes close as the members go, also while this error leaves.
        if (std::uncaught_exceptions() <= uncaught) throw error(4, 2, 2, 2) << text;
        Log(1) << text << std::endl;
    }
    Log(3) << "SystemCmd::~SystemCmd() out " << std::endl;
}
