// The embedded HTTP server as the web-server process runs it: argv goes to server_init, SIGPIPE
// is ignored, exited children are collected; "ready" on standard output after start-up, then
// polls until SIGTERM.
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "webui/httpd/httpd.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void onTerm(int) { stopRequested = 1; }

void reapChildren(int) {
    int saved = errno;
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = saved;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction sa {};
    sa.sa_handler = reapChildren;
    sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    ::sigaction(SIGCHLD, &sa, nullptr);
    struct sigaction term {};
    term.sa_handler = onTerm;
    ::sigaction(SIGTERM, &term, nullptr);

    vnhttpd::server_context* ctx = vnhttpd::server_init(argc, argv);
    std::printf("ready\n");
    std::fflush(stdout);
    while (!stopRequested) vnhttpd::server_poll(ctx, 1000);
    vnhttpd::server_free(ctx);
    return 0;
}
