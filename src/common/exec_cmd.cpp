#include "exec_cmd.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/format.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "ChildFailureLine.h"
#include "Log.h"
#include "Messages.h"
#include "PopenCommand.h"
#include "ScopedFd.h"
#include "TerminationState.h"
#include "error.h"
#include "utils.h"

namespace {

// The longest wait for output or the child's end: a termination request is taken within it.
const int pollMs = 750;
const int shortPollMs = 20;
// Output enters the log in pieces of at most this size, each one log statement, so a piece is
// never interleaved with another thread's line.
const size_t chunkSize = 4096;
const int maxPiecesPerWake = 256;

// A descriptor that becomes readable when the child ends; -1 where the kernel has none.
int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) return static_cast<int>(fd);  // close-on-exec by itself
#else
    (void)pid;
#endif
    return -1;
}

// Logs the failure line of `key` (level 1) and gives the error to raise.
error failure(const char* key, int errnum) {
    const std::string& text = Messages::getMessage(key);
    Log(1) << text << " (" << std::strerror(errnum) << ")." << std::endl;
    return error(4, 1, 0, 2) << text;
}

// Everything a child needs after the fork, made before it: a child of a threaded process may
// not allocate or look anything up.
struct ChildStart {
    explicit ChildStart(std::string& line)
        : argv{const_cast<char*>("sh"), const_cast<char*>("-c"), &line[0], nullptr},
          execFailure(Messages::getMessage("err_exec_systemfail")),
          nullFailure("Unable to read from '/dev/null'") {
        sigemptyset(&noSignals);
    }

    char* argv[4];
    sigset_t noSignals;  // the caller's blocked signals must not reach the command
    ChildFailureLine execFailure;
    ChildFailureLine nullFailure;
};

// The child of executeCommand. It stays between the installer and the shell: it starts the
// shell, waits for it and ends with the shell's exit status, or 1 when the shell died of a
// signal or could not be forked. So a command that kills its own shell is an ordinary
// failure, and only a signal to this process itself (a cancellation, or one from outside)
// shows as a signal to the installer.
[[noreturn]] void runShellAndWait(int readFd, int writeFd, const ChildStart& s) {
    // A group of its own: a cancellation signals the shell and everything it started.
    ::setpgid(0, 0);
    ::sigprocmask(SIG_SETMASK, &s.noSignals, nullptr);
    ::dup2(writeFd, 1);
    ::dup2(writeFd, 2);
    ::close(readFd);
    // The group is in the background: a command that reads the terminal would be stopped by
    // SIGTTIN and never end.
    int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0) {
        s.nullFailure.writeTo(2, errno);
        ::_exit(127);
    }
    if (devNull != 0) {
        ::dup2(devNull, 0);
        ::close(devNull);
    }

    const pid_t shell = ::_Fork();
    if (shell < 0) {
        s.execFailure.writeTo(2, errno);
        ::_exit(1);
    }
    if (shell == 0) {
        ::execv("/bin/sh", s.argv);
        s.execFailure.writeTo(2, errno);
        ::_exit(127);
    }
    // Copies of the installer's descriptors stay out of this waiting process (the shell keeps
    // its own): another thread's command pipe must reach its end when that command ends, not
    // when this one does.
    ::close_range(3, ~0U, 0);
    int status = 0;
    while (::waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR) ::_exit(1);
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

}  // namespace

int executeCommand(const char* cmd, bool echo, bool check) {
    Log(2) << "Execute command " << cmd << std::endl;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw failure("err_exec_pipefail", errno);
    ScopedFd readEnd(fds[0]);
    ScopedFd writeEnd(fds[1]);
    // Before the fork, so that this failure leaves no child behind. The write end stays
    // blocking: the command waits on a full pipe instead of losing output.
    const int flags = ::fcntl(readEnd.fd, F_GETFL);
    if (flags < 0 || ::fcntl(readEnd.fd, F_SETFL, flags | O_NONBLOCK) != 0)
        throw failure("err_exec_pipenoblock", errno);

    std::string line(cmd);
    const ChildStart start(line);
    const pid_t pid = ::fork();
    if (pid < 0) throw failure("err_exec_forkfail", errno);
    if (pid == 0) runShellAndWait(readEnd.fd, writeEnd.fd, start);

    // The child does the same; whichever runs first, the group exists before it is signalled.
    ::setpgid(pid, pid);
    ::close(writeEnd.release());

    // No SIGCHLD handler and no shared flag: each wake-up asks for this child only, and the
    // pipe is drained on every one, so a command never waits long on a full pipe, whatever
    // other children of the process do meanwhile. The wait ends at once when output comes or
    // the child ends (its pidfd), else after one period, so a termination request is seen.
    ScopedFd childEnd(openPidFd(pid));
    char buf[chunkSize];
    bool reaped = false;
    bool pipeOpen = true;
    int status = 0;
    for (;;) {
        if (!reaped) {
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                reaped = true;
                Log(3) << "executeCommand: arrive SIGCHLD, " << r << std::endl;
            } else if (r < 0 && errno != EINTR) {
                throw internalError("exec_cmd", 118);
            } else if (acceptTerminationRequest()) {
                Log(3) << "DEBUG: send SIGTERM to child process because Corvane Installer was canceled by user."
                       << std::endl;
                ::kill(-pid, SIGTERM);
            }
        }
        // What the pipe holds now, one log statement per piece; bounded, so that a command
        // that never stops writing still lets the loop look for a termination request.
        for (int pieces = 0; pipeOpen && pieces < maxPiecesPerWake;) {
            const ssize_t n = ::read(readEnd.fd, buf, sizeof buf);
            if (n > 0) {
                Log(echo ? 0 : 2).writeRaw(buf, static_cast<int>(n));
                ++pieces;
            } else if (n == 0) {
                // Everything that held the write end has closed it.
                pipeOpen = false;
            } else if (errno == EAGAIN) {
                break;
            } else if (errno != EINTR) {
                throw failure("err_exec_pipenoread", errno);
            }
        }
        if (reaped) break;

        pollfd waitFor[2];
        nfds_t count = 0;
        if (pipeOpen) waitFor[count++] = pollfd{readEnd.fd, POLLIN, 0};
        if (childEnd.fd >= 0) waitFor[count++] = pollfd{childEnd.fd, POLLIN, 0};
        // Without a pidfd and with the pipe at its end, only a short period notices the end.
        const int timeout = childEnd.fd < 0 && !pipeOpen ? shortPollMs : pollMs;
        if (::poll(waitFor, count, timeout) < 0 && errno != EINTR) throw failure("err_exec_pipenoread", errno);
    }
    ::close(readEnd.release());

    if (WIFSIGNALED(status)) {
        checkTermination();
        const std::string& text = Messages::getMessage("err_exec_signal");
        Log(1) << text << " (" << WTERMSIG(status) << ")" << std::endl;
        throw error(4, 2, 0, 2) << text;
    }
    const int code = WEXITSTATUS(status);
    if (!check || code == 0) return code;
    if (code == 127)
        throw error(4, 1, 0, 3) << boost::format(Messages::getMessage("err_exec_cmd_not_found")) %
                                       getCommandName(line);
    throw error(0, 0, 0, 0) << boost::format("Command %s exited with non-zero status (%s).") %
                                   getCommandName(line) % code;
}

void launchCommand(const std::string& cmd) {
    Log(2) << "Execute command " << cmd << std::endl;

    std::string line(cmd);
    const ChildStart start(line);
    // The child's error output is /dev/null, so its last words go straight into the log file.
    const int logFd = Log::fileDescriptor();
    const pid_t pid = ::fork();
    if (pid < 0) throw failure("err_exec_forkfail", errno);
    if (pid > 0) return;

    ::sigprocmask(SIG_SETMASK, &start.noSignals, nullptr);
    // Opened for writing: a command that checks its writes must not fail on a read-only one.
    int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull < 0) {
        start.nullFailure.writeTo(logFd, errno);
        ::_exit(127);
    }
    ::dup2(devNull, 1);
    ::dup2(devNull, 2);
    if (devNull > 2) ::close(devNull);
    ::execv("/bin/sh", start.argv);
    start.execFailure.writeTo(logFd, errno);
    ::_exit(127);
}

std::vector<std::string> getCommandOutput(const std::string& cmd, const std::string& args) {
    const std::string line = args.empty() ? cmd : cmd + " " + args;
    Log(3) << "Get output from command '" << line << "'" << std::endl;

    std::vector<std::string> lines;
    {
        PopenCommand reader(line, false);
        char buf[4096];
        for (;;) {
            if (std::fgets(buf, sizeof buf, reader.fp)) {
                trimSpaces(buf);
                lines.emplace_back(buf);
                continue;
            }
            // A signal caught meanwhile is no end of the output.
            if (std::ferror(reader.fp) && errno == EINTR) {
                std::clearerr(reader.fp);
                continue;
            }
            break;
        }
    }  // the command's result is tested here, after all its output was read
    return lines;
}

std::string getCommandOutputLine(const std::string& cmd, const std::string& args) {
    std::vector<std::string> lines = getCommandOutput(cmd, args);
    if (lines.empty())
        throw error(0, 0, 0, 0) << boost::format(Messages::getMessage("err_empty_output")) % getCommandName(cmd);
    return lines.front();
}

std::string getCommandName(const std::string& cmdline) {
    size_t pos = 0;
    const size_t size = cmdline.size();
    while (pos < size) {
        while (pos < size && cmdline[pos] == ' ') ++pos;
        if (pos == size) break;
        size_t end = cmdline.find(' ', pos);
        if (end == std::string::npos) end = size;
        std::string word = cmdline.substr(pos, end - pos);
        pos = end;
        if (word == "env" || word == "sh" || word.find('=') != std::string::npos) continue;
        return word;
    }
    return cmdline;
}
