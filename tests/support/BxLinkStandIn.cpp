// The link device of the container kernel, played by an ioctl() of ours (see BxLinkStandIn.h).
#include "support/BxLinkStandIn.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

const unsigned long linkRequest = 0x40346003UL;
const int linkWords = 13;
const char* const device = "/etc/bx/dev/bxlink";
const char* const python = "/usr/bin/python3";

std::vector<int32_t> acceptedWords;
std::string refusal;
pid_t agentPid = -1;

bool isDevice(int fd) {
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(device, &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

bool isPipeEnd(int fd, int accessMode) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) == accessMode;
}

int errnoByName(const char* text) {
    static const struct {
        const char* name;
        int number;
    } names[] = {{"EPERM", EPERM}, {"EACCES", EACCES}, {"ENOTTY", ENOTTY}, {"EINVAL", EINVAL},
                 {"EBUSY", EBUSY}, {"ENODEV", ENODEV}, {"EMFILE", EMFILE}, {"ENOMEM", ENOMEM}};
    for (const auto& n : names)
        if (std::strcmp(n.name, text) == 0) return n.number;
    const int number = std::atoi(text);
    return number > 0 ? number : EINVAL;
}

// The record as the device expects it, or the reason it is not.
std::string checkRecord(const int32_t* w) {
    for (int i = 0; i < linkWords; ++i)
        if (i != 2 && i != 3 && i != 4 && w[i] != 0) return "word " + std::to_string(i) + " is not 0";
    if (w[2] != 10) return "word 2 (channel) is " + std::to_string(w[2]);
    if (!isPipeEnd(w[3], O_RDONLY)) return "word 3 is no open pipe read end";
    if (!isPipeEnd(w[4], O_WRONLY)) return "word 4 is no open pipe write end";
    return std::string();
}

// Starts the fake agent on the two ends, as descriptors 3 and 4. The child only calls
// async-signal-safe functions.
int startAgent(int requestEnd, int answerEnd, const char* scenario) {
    const std::string script = std::string(VN_SOURCE_DIR) + "/tests/support/bxagent.py";
    const std::string scenarioText = scenario;
    char* const argv[] = {const_cast<char*>(python), const_cast<char*>(script.c_str()),
                          const_cast<char*>(scenarioText.c_str()), nullptr};
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        // Moved above 4 first, so that neither end is overwritten by the other's dup2.
        const int r = ::fcntl(requestEnd, F_DUPFD, 10);
        const int w = ::fcntl(answerEnd, F_DUPFD, 10);
        if (r < 0 || w < 0 || ::dup2(r, 3) < 0 || ::dup2(w, 4) < 0) ::_exit(126);
        ::close_range(5, ~0U, 0);
        ::execv(python, argv);
        ::_exit(127);
    }
    agentPid = pid;
    return 0;
}

int realIoctl(int fd, unsigned long request, void* argument) {
    typedef int (*ioctl_t)(int, unsigned long, ...);
    static ioctl_t next = reinterpret_cast<ioctl_t>(::dlsym(RTLD_NEXT, "ioctl"));
    if (!next) {
        errno = ENOSYS;
        return -1;
    }
    return next(fd, request, argument);
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);

    if (request != linkRequest || !isDevice(fd)) return realIoctl(fd, request, argument);

    if (const char* number = std::getenv("VN_BXLINK_ERRNO")) {
        errno = errnoByName(number);
        return -1;
    }
    const char* scenario = std::getenv("VN_BXAGENT_SCENARIO");
    if (!scenario) {
        errno = ENOTTY;
        return -1;
    }
    const int32_t* words = static_cast<const int32_t*>(argument);
    refusal = checkRecord(words);
    if (!refusal.empty()) {
        errno = EINVAL;
        return -1;
    }
    acceptedWords.assign(words, words + linkWords);
    if (startAgent(words[3], words[4], scenario) != 0) return -1;
    return 0;
}

namespace testutil {

std::vector<int32_t> bxLinkWords() { return acceptedWords; }

std::string bxLinkRefusal() { return refusal; }

namespace {

std::string scenarioFile(const TempDir& dir, const std::string& scenario) {
    if (!scenario.empty() && scenario[0] == '[') {
        writeFile(dir / "scenario.json", scenario);
        return dir / "scenario.json";
    }
    return std::string(VN_FIXTURES_DIR) + "/bxagent/" + scenario + ".json";
}

}  // namespace

BxAgent::BxAgent(const std::string& scenario)
    : scenarioVariable("VN_BXAGENT_SCENARIO", scenarioFile(dir, scenario)),
      logVariable("VN_BXAGENT_LOG", dir / "requests") {
    acceptedWords.clear();
    refusal.clear();
    agentPid = -1;
}

BxAgent::~BxAgent() {
    if (agentPid > 0) {
        ::kill(agentPid, SIGKILL);
        wait();
    }
}

int BxAgent::wait() {
    if (agentPid <= 0) return -1;
    int status = 0;
    while (::waitpid(agentPid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid on the fake agent failed");
    }
    agentPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> BxAgent::records() const {
    std::vector<std::string> out;
    const std::string text = readFile(dir / "requests");  // "" before the first request
    size_t start = 0;
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

std::vector<std::string> BxAgent::requests() const {
    std::vector<std::string> out;
    for (const std::string& r : records())
        if (r.compare(0, 7, "agent: ") != 0) out.push_back(r);
    return out;
}

std::vector<std::string> BxAgent::notes() const {
    std::vector<std::string> out;
    for (const std::string& r : records())
        if (r.compare(0, 7, "agent: ") == 0) out.push_back(r.substr(7));
    return out;
}

}  // namespace testutil
