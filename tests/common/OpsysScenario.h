#ifndef VN_TESTS_COMMON_OPSYSSCENARIO_H
#define VN_TESTS_COMMON_OPSYSSCENARIO_H

// The running system is detected once per process, so every scenario of the detection runs in
// a forked child of its own.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include "common/Opsys.h"
#include "common/error.h"
#include "support/LogCapture.h"

namespace opsystest {

struct Detection {
    std::string printed;  // the detected system as operator<< writes it; "" when it raised
    std::string error;    // "(c,r,s,p) text" of the error raised; "" when none
    bool shared = false;  // a second default construction shared the first one's record
    std::string log;      // what reached the log up to level 2
};

// In this process: two default constructions of Opsys.
inline Detection detect() {
    testutil::LogCapture capture(2);
    Detection d;
    try {
        Opsys first;
        Opsys second;
        std::ostringstream s;
        s << first;
        d.printed = s.str();
        d.shared = &first.os_name() == &second.os_name();
    } catch (const error& e) {
        d.error = testutil::codesOf(e) + " " + e.text();
    }
    d.log = capture.text();
    return d;
}

// Runs `body` in a forked child and hands back its Detection. Anything else the child raises
// comes back as the error "unexpected: ...".
inline Detection inChild(const std::function<Detection()>& body = detect) {
    int fds[2];
    if (::pipe(fds) != 0) return Detection{"", "unexpected: no pipe", false, ""};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        try {
            Detection d = body();
            out = d.printed + '\0' + d.error + '\0' + (d.shared ? "1" : "0") + '\0' + d.log;
        } catch (const std::exception& e) {
            out = std::string("\0unexpected: ", 13) + e.what() + '\0' + "0" + '\0';
        } catch (const error& e) {
            out = std::string("\0unexpected: ", 13) + e.text() + '\0' + "0" + '\0';
        }
        for (size_t done = 0; done < out.size();) {
            ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string in;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) in.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);

    Detection d;
    std::istringstream fields(in);
    std::string shared;
    if (!std::getline(fields, d.printed, '\0') || !std::getline(fields, d.error, '\0') ||
        !std::getline(fields, shared, '\0'))
        d.error = "unexpected: the child ended early (status " + std::to_string(status) + ")";
    std::getline(fields, d.log, '\0');
    d.shared = shared == "1";
    return d;
}

// Puts the uname stand-in first on PATH with these answers (nullptr: that question fails).
inline void fakeUname(const char* s, const char* m, const char* r) {
    std::string path = std::string(VN_FIXTURES_DIR) + "/common/uname:" + std::getenv("PATH");
    ::setenv("PATH", path.c_str(), 1);
    const char* names[] = {"VN_UNAME_S", "VN_UNAME_M", "VN_UNAME_R"};
    const char* values[] = {s, m, r};
    for (int i = 0; i < 3; ++i) {
        if (values[i])
            ::setenv(names[i], values[i], 1);
        else
            ::unsetenv(names[i]);
    }
}

// How many times `part` stands in `text`.
inline int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace opsystest

#endif
