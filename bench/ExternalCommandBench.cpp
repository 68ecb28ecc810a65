// The cost of running an external command through executeCommand, against the command's own
// run time: the same command line started with posix_spawn ("/bin/sh -c") and waited for, its
// output read to the end and dropped. The difference per call is what the program adds.
//
//   bench_ExternalCommand                  (log at level 0 to a temporary file)
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "common/Log.h"
#include "common/exec_cmd.h"

extern char** environ;

namespace {

const char* const commands[] = {
    "true",
    "head -c 2097152 /dev/zero",
    "rpm -q vn-bench-no-such-package",
};

// The log is a file, as in a real run; the output goes into it at level 2.
void openLog() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    char dir[] = "/tmp/vn-bench-exec-XXXXXX";
    if (!::mkdtemp(dir)) std::abort();
    Log::openFile((std::string(dir) + "/vantrell3.log").c_str(), true);
}

void BM_ExecuteCommand(benchmark::State& state) {
    openLog();
    const char* cmd = commands[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(executeCommand(cmd, false, false));
    state.SetLabel(cmd);
}

// The baseline: the shell and the command, nothing else.
void BM_SpawnAndWait(benchmark::State& state) {
    const char* cmd = commands[state.range(0)];
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(cmd), nullptr};
    char buf[65536];
    for (auto _ : state) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) std::abort();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        pid_t pid;
        if (posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, environ) != 0) std::abort();
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        while (::read(fds[0], buf, sizeof buf) > 0) {
        }
        ::close(fds[0]);
        int status;
        ::waitpid(pid, &status, 0);
    }
    state.SetLabel(cmd);
}

}  // namespace

BENCHMARK(BM_ExecuteCommand)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SpawnAndWait)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
