#include "TestUtil.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <boost/filesystem.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace testutil {

const char* const unset = "\x01unset";

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vn-test-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    dir = buf.data();
}

TempDir::~TempDir() {
    boost::system::error_code ec;
    boost::filesystem::remove_all(dir, ec);
}

StderrCapture::StderrCapture() : saved(-1) {
    char name[] = "/tmp/vn-stderr-XXXXXX";
    int fd = ::mkstemp(name);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    file = name;
    saved = ::dup(2);
    ::dup2(fd, 2);
    ::close(fd);
}

StderrCapture::~StderrCapture() {
    ::dup2(saved, 2);
    ::close(saved);
    ::unlink(file.c_str());
}

std::string StderrCapture::text() const { return readFile(file); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

RunResult run(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
              const std::string& input) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");

    // Everything the child needs is prepared before fork.
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) {
        std::string kv = *e;
        std::string k = kv.substr(0, kv.find('='));
        if (env.count(k)) continue;
        envStore.push_back(kv);
    }
    for (const auto& kv : env)
        if (kv.second != unset) envStore.push_back(kv.first + "=" + kv.second);
    std::vector<char*> envp, args;
    for (auto& s : envStore) envp.push_back(const_cast<char*>(s.c_str()));
    envp.push_back(nullptr);
    for (auto& s : argv) args.push_back(const_cast<char*>(s.c_str()));
    args.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execve(args[0], args.data(), envp.data());
        const char msg[] = "exec failed\n";
        ssize_t w = ::write(2, msg, sizeof msg - 1);
        (void)w;
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);

    RunResult r;
    size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen || inFd >= 0) {
        std::vector<pollfd> fds;
        if (outOpen) fds.push_back({out[0], POLLIN, 0});
        if (errOpen) fds.push_back({err[0], POLLIN, 0});
        if (inFd >= 0) fds.push_back({inFd, POLLOUT, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (auto& p : fds) {
            if (!p.revents) continue;
            if (p.fd == inFd) {
                ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
                if (n > 0) written += static_cast<size_t>(n);
                if (n < 0 || written == input.size()) {
                    ::close(inFd);
                    inFd = -1;
                }
                continue;
            }
            ssize_t n = ::read(p.fd, buf, sizeof buf);
            if (n <= 0) {
                if (p.fd == out[0]) outOpen = false;
                else errOpen = false;
                continue;
            }
            (p.fd == out[0] ? r.out : r.err).append(buf, static_cast<size_t>(n));
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int st = 0;
    while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

std::string inChild(const std::function<std::string()>& body) { return ChildTask(body).result(); }

ChildTask::ChildTask(const std::function<std::string()>& body) : child(-1), out(-1) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC)) throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        std::string result;
        try {
            result = body();
        } catch (...) {
            result = "uncaught exception";
        }
        const char* p = result.data();
        size_t n = result.size();
        while (n > 0) {
            ssize_t w = ::write(fds[1], p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) break;
            p += w;
            n -= static_cast<size_t>(w);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    child = pid;
    out = fds[0];
}

ChildTask::~ChildTask() {
    if (child > 0) result();
}

std::string ChildTask::result() {
    std::string result;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(out, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        result.append(buf, static_cast<size_t>(n));
    }
    ::close(out);
    out = -1;
    int st = 0;
    while (::waitpid(child, &st, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) result += "[child status " + std::to_string(st) + "]";
    return result;
}

Background::Background(const std::vector<std::string>& argv) : child(-1), out(-1) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC)) throw std::runtime_error("pipe failed");
    std::vector<char*> args;
    for (auto& s : argv) args.push_back(const_cast<char*>(s.c_str()));
    args.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::execv(args[0], args.data());
        const char msg[] = "exec failed\n";
        ssize_t w = ::write(2, msg, sizeof msg - 1);
        (void)w;
        ::_exit(127);
    }
    ::close(fds[1]);
    child = pid;
    out = fds[0];
}

Background::~Background() {
    if (child > 0) stop(SIGKILL);
    ::close(out);
}

std::string Background::readLine() {
    for (;;) {
        size_t nl = buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            return line;
        }
        char buf[4096];
        ssize_t n = ::read(out, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string rest;
            rest.swap(buffer);
            return rest;
        }
        buffer.append(buf, static_cast<size_t>(n));
    }
}

int Background::stop(int sig) {
    if (child <= 0) return -1;
    ::kill(child, sig);
    int st = 0;
    while (::waitpid(child, &st, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
}

RunResult shell(const std::string& cmd) { return run({"/bin/sh", "-c", cmd}); }

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name(name) {
    const char* old = std::getenv(name.c_str());
    hadValue = old != nullptr;
    if (old) oldValue = old;
    ::setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (hadValue)
        ::setenv(name.c_str(), oldValue.c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

CommandShims::CommandShims() : path("PATH", dir.path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")) {}

void CommandShims::add(const std::string& name, const std::string& script) {
    const std::string file = dir / name;
    writeFile(file, "#!/bin/sh\n" + script + "\n");
    if (::chmod(file.c_str(), 0755) != 0) throw std::runtime_error("chmod " + file + ": " + std::strerror(errno));
}

std::string program(const std::string& name) { return std::string(VN_TEST_PROGRAMS_DIR) + "/" + name; }

namespace {
std::atomic<int> unlocalizedAllowed{0};
}

AllowUnlocalizedKeys::AllowUnlocalizedKeys() { ++unlocalizedAllowed; }
AllowUnlocalizedKeys::~AllowUnlocalizedKeys() { --unlocalizedAllowed; }
bool AllowUnlocalizedKeys::active() { return unlocalizedAllowed.load() > 0; }

}  // namespace testutil
