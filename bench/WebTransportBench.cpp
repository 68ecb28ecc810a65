// One page request: a 200-byte command to the engine and its answer back, through a real
// engine handle (in a forked process, as in web mode) and a page handle, over a socket in a
// private directory so that a running engine's fixed path is never touched.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <tinyxml.h>

#include "webui/BackendProtocol.h"
#include "webui/WebUiTransport.h"

namespace {

// Serves until the command "quit": each command starts with the size of the log text its
// answer carries; "raw" before the size sends that many bytes without a document, which
// shows the transport's own share.
void serve() {
    WebUiTransport engine(1);
    BackendProtocol protocol;
    std::string lastSize;
    for (;;) {
        engine.waitCommand();
        const std::string command = engine.getCommand();
        std::string size = command.substr(0, command.find(' '));
        if (size == "quit") break;
        if (size == "raw") {
            size = command.substr(4, command.find(' ', 4) - 4);
            WebUiTransport::sharedRep->sendAnswer(std::string(std::stoul(size), 'l'), [] { return std::string(); });
            continue;
        }
        if (size != lastSize) {
            protocol.resetAnswer();
            protocol.sendLog(std::string(std::stoul(size), 'l'));
            lastSize = size;
        }
        engine.sendAnswer(*protocol.answer());
    }
    protocol.resetAnswer();
    engine.sendAnswer(*protocol.answer());
}

class Engine {
public:
    Engine() {
        char dir[] = "/tmp/vn-webtransport-bench.XXXXXX";
        if (!::mkdtemp(dir)) ::abort();
        directory = dir;
        path = directory + "/socket";
        WebUiTransport::tcp::setSocketPathForBenchmark(path);
        pid = ::fork();
        if (pid == 0) {
            serve();
            ::_exit(0);
        }
        struct stat st;
        while (::stat(path.c_str(), &st) != 0) ::usleep(1000);
    }
    ~Engine() {
        WebUiTransport client(0);
        client.request("quit");
        ::waitpid(pid, nullptr, 0);
        ::rmdir(directory.c_str());
    }

    std::string directory;
    std::string path;
    pid_t pid;
};

std::string command(size_t answerSize, bool raw) {
    std::string text = (raw ? "raw " : "") + std::to_string(answerSize) + " <request><command>get_log</command></request>";
    text.resize(200, ' ');
    return text;
}

void roundTrip(benchmark::State& state, size_t answerSize, bool raw = false) {
    Engine engine;
    WebUiTransport client(0);
    const std::string request = command(answerSize, raw);
    size_t bytes = 0;
    for (auto _ : state) bytes += client.request(request).size();
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_RoundTrip1KAnswer(benchmark::State& state) { roundTrip(state, 1000); }
BENCHMARK(BM_RoundTrip1KAnswer)->Unit(benchmark::kMicrosecond);

void BM_RoundTrip1MAnswer(benchmark::State& state) { roundTrip(state, 1000000); }
BENCHMARK(BM_RoundTrip1MAnswer)->Unit(benchmark::kMicrosecond);

void BM_RoundTrip1MRawText(benchmark::State& state) { roundTrip(state, 1000000, true); }
BENCHMARK(BM_RoundTrip1MRawText)->Unit(benchmark::kMicrosecond);

}  // namespace
