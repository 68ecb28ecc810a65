// The login check in a process of its own, so PAM can be the test's wrapper (LD_PRELOAD at
// start): prog_password_check LOGIN PASSWORD LOGFILE prints the service, then "accepted",
// "refused" or "error: <text>". The log (every level) goes to LOGFILE. With the login "--whoami"
// it prints the running user's name (or the error) instead.
#include <cstdio>
#include <string>

#include "common/Log.h"
#include "common/error.h"
#include "webui/password_check.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: prog_password_check LOGIN PASSWORD LOGFILE\n");
        return 2;
    }
    Log::fileLevel = 3;
    Log::openFile(argv[3], true);
    try {
        if (std::string(argv[1]) == "--whoami") {
            std::printf("user=%s\n", currentUserName().c_str());
            return 0;
        }
        std::printf("service=%s\n", pamServiceName().c_str());
        std::printf("%s\n", pamAuthenticate(argv[1], argv[2]) ? "accepted" : "refused");
    } catch (const error& e) {
        std::printf("error: %s", e.text().c_str());
    }
    return 0;
}
