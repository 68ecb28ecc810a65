// Runs one command each way and reports the statuses on standard output. Before each command
// a text goes into the stdio buffer of standard output (a pipe, so nothing is flushed yet), and
// an exit handler appends the pid of any process but this one to a marker file: a child that
// left through exit() instead of _exit() would show in the marker and print the texts twice.
//
// usage: prog_exec_exit MARKER LOGFILE
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Log.h"
#include "common/SystemCmd.h"
#include "common/exec_cmd.h"

namespace {

pid_t mainPid;
const char* markerPath;

void recordForeignExit() {
    if (::getpid() == mainPid) return;
    if (FILE* f = std::fopen(markerPath, "a")) {
        std::fprintf(f, "%d\n", static_cast<int>(::getpid()));
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    mainPid = ::getpid();
    markerPath = argv[1];
    std::fclose(std::fopen(markerPath, "w"));
    std::atexit(recordForeignExit);
    Log::openFile(argv[2], true);

    std::printf("before-execute;");
    const int executed = executeCommand("true", false, false);

    std::printf("before-launch;");
    launchCommand("true");
    int status = 0;
    int launched = -1;
    if (::wait(&status) > 0 && WIFEXITED(status)) launched = WEXITSTATUS(status);

    std::printf("before-stream;");
    int streamed = -1;
    {
        SystemCmd cmd("true", SystemCmd::read_mode, false);
        while (std::fgetc(cmd.fp) != EOF) {
        }
        streamed = cmd.wait();
    }

    // Raw command output waits in the log's buffer for the next ordinary statement.
    Log(2) << "end" << std::endl;
    std::printf("results %d %d %d\n", executed, launched, streamed);
    return 0;
}
