// What other processes see of the lock file, for the tests of the lock and the progress
// record (which runs inside lock slot 2).
#ifndef VN_TESTS_COMMON_LOCKPROBE_H
#define VN_TESTS_COMMON_LOCKPROBE_H

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace lockprobe {

const char* const lockFile = "/tmp/nvo-installer.lock";

// A python process that holds `slot` until the object goes (SIGKILL then).
inline std::unique_ptr<testutil::Background> holder(int slot) {
    std::unique_ptr<testutil::Background> h(new testutil::Background(
        {"/usr/bin/python3", "-c",
         "import fcntl, os, sys, time\n"
         "fd = os.open('/tmp/nvo-installer.lock', os.O_WRONLY | os.O_CREAT, 0o600)\n"
         "fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, int(sys.argv[1]), 0)\n"
         "print('held', flush=True)\n"
         "time.sleep(3600)\n",
         std::to_string(slot)}));
    if (h->readLine() != "held") throw std::runtime_error("the holder did not take its slot");
    return h;
}

// "held" or "free": whether another process could take `slot` right now.
inline std::string fromOutside(int slot) {
    auto r = testutil::run({"/usr/bin/python3", "-c",
                            "import fcntl, os, sys\n"
                            "fd = os.open('/tmp/nvo-installer.lock', os.O_WRONLY)\n"
                            "try:\n"
                            "    fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, int(sys.argv[1]), 0)\n"
                            "    print('free')\n"
                            "except OSError:\n"
                            "    print('held')\n",
                            std::to_string(slot)});
    return r.out.empty() ? r.err : r.out.substr(0, r.out.size() - 1);
}

// This process's descriptors of the lock file.
inline std::vector<int> descriptors() {
    std::vector<int> fds;
    DIR* d = ::opendir("/proc/self/fd");
    if (!d) return fds;
    while (dirent* e = ::readdir(d)) {
        std::string link = std::string("/proc/self/fd/") + e->d_name;
        char target[PATH_MAX];
        ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == lockFile) fds.push_back(std::stoi(e->d_name));
    }
    ::closedir(d);
    return fds;
}

// "ok", or the codes and text of the error that `f` raised.
template <class F>
std::string outcome(F f) {
    try {
        f();
        return "ok";
    } catch (error& e) {
        return testutil::codesOf(e) + " " + e.text();
    }
}

}  // namespace lockprobe

#endif
