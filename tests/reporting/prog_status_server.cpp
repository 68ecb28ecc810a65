// A run's first step, alone: builds the settings (the cookie from VANTRELL_STATUS_COOKIE),
// logs into the file named by the only argument and starts the status service. Prints
// "returned" when startStatusServer came back, or "raised: <text>"; then "no child left" when
// nothing it forked waits to be reaped. Single-threaded, as the driver is when it forks the
// service.
#include <sys/wait.h>

#include <cerrno>
#include <iostream>

#include "common/Log.h"
#include "common/error.h"
#include "main/Options.h"
#include "reporting/StatusServer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: prog_status_server LOGFILE\n";
        return 2;
    }
    Log::openFile(argv[1], false);
    commandLineArgs.argc = 1;
    commandLineArgs.argv = argv;
    try {
        startStatusServer();
    } catch (const error& e) {
        std::cout << "raised: " << e.text() << std::flush;
        return 1;
    }
    std::cout << "returned\n";
    // The service's intermediate process ends at once; the starter reaps it.
    if (::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD) std::cout << "no child left\n";
    std::cout << std::flush;
    return 0;
}
