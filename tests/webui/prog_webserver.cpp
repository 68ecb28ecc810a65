// The web-server process as the launcher runs it: runWebServer with the port and the
// certificate file of the command line (prog_webserver PORT [CERTIFICATE]). SIGUSR1 sets the
// stop flag; the exit status is runWebServer's.
#include <csignal>
#include <cstdlib>
#include <string>

#include "webui/runWebServer.h"

namespace {

volatile char stopFlag = 0;

void onUsr1(int) { stopFlag = 1; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    struct sigaction sa {};
    sa.sa_handler = onUsr1;
    ::sigaction(SIGUSR1, &sa, nullptr);
    return runWebServer(std::atoi(argv[1]), argc > 2 ? argv[2] : "", &stopFlag);
}
