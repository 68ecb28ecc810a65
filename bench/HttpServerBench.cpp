// Requests per second of the embedded HTTP server for a small static file (100 bytes): over one
// kept-alive connection, over four, and with a new connection per request (as every page answer
// closes its connection). The server loop runs on a thread pinned to one CPU, the client on
// another when there is one.
//
// With VN_HTTP_TARGET=host:port the same client measures that server instead (which must serve
// /small as the 100-byte file); bench/compare_httpd.sh uses it to put other servers beside ours.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "webui/httpd/httpd.h"
#include "webui/httpd/server_context.h"

namespace {

void pinTo(int cpu) {
    const int cpus = static_cast<int>(std::thread::hardware_concurrency());
    if (cpus <= 0) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu % cpus, &set);
    ::pthread_setaffinity_np(::pthread_self(), sizeof set, &set);
}

// Our server on a free port (its program name in the root, so no configuration file of the
// working directory is read) serving a temporary root, polled by a pinned thread.
class OwnServer {
public:
    OwnServer() {
        // Worker threads made by the server inherit this CPU; the client moves on afterwards.
        pinTo(0);
        char pattern[] = "/tmp/vn-httpbench-XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp");
        root = pattern;
        std::ofstream(root + "/small") << std::string(100, 's');
        std::vector<std::string> words{root + "/prog", "-ports", "0", "-root", root};
        std::vector<const char*> argv;
        for (const std::string& w : words) argv.push_back(w.c_str());
        ctx = vnhttpd::server_init(static_cast<int>(argv.size()), argv.data());
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        ::getsockname(ctx->listeners.at(0).sock, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
        loop = std::thread([this] {
            pinTo(0);
            while (!stop.load()) vnhttpd::server_poll(ctx, 100);
        });
    }
    ~OwnServer() {
        stop.store(true);
        loop.join();
        vnhttpd::server_free(ctx);
        std::remove((root + "/small").c_str());
        ::rmdir(root.c_str());
    }
    int port = 0;

private:
    std::string root;
    vnhttpd::server_context* ctx = nullptr;
    std::atomic<bool> stop{false};
    std::thread loop;
};

struct Target {
    std::string host = "127.0.0.1";
    int port = 0;
};

Target& target() {
    static Target t = [] {
        Target t;
        if (const char* env = std::getenv("VN_HTTP_TARGET")) {
            const std::string s = env;
            const size_t colon = s.rfind(':');
            t.host = s.substr(0, colon);
            t.port = std::atoi(s.c_str() + colon + 1);
        } else {
            static OwnServer server;
            t.port = server.port;
        }
        ::signal(SIGPIPE, SIG_IGN);
        pinTo(1);
        return t;
    }();
    return t;
}

int connectTarget() {
    const Target& t = target();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(t.port));
    ::inet_pton(AF_INET, t.host.c_str(), &addr.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) throw std::runtime_error("connect");
    return fd;
}

// A client connection that reads whole replies of known length.
class Client {
public:
    Client() : fd(connectTarget()) {}
    ~Client() { ::close(fd); }
    void send(const std::string& request) {
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
            throw std::runtime_error("send");
    }
    // One reply: the head, then Content-Length bytes. False when the connection ended first.
    bool readReply() {
        for (;;) {
            const size_t end = pending.find("\r\n\r\n");
            if (end != std::string::npos) {
                size_t length = 0;
                const size_t at = pending.find("Content-Length: ");
                if (at != std::string::npos && at < end) length = std::strtoul(pending.c_str() + at + 16, nullptr, 10);
                const size_t whole = end + 4 + length;
                while (pending.size() < whole)
                    if (!fill()) return false;
                pending.erase(0, whole);
                return true;
            }
            if (!fill()) return false;
        }
    }
    void readToEnd() {
        while (fill()) {
        }
    }

private:
    bool fill() {
        char buf[16384];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        pending.append(buf, static_cast<size_t>(n));
        return true;
    }
    int fd;
    std::string pending;
};

const std::string request = "GET /small HTTP/1.1\r\nHost: bench\r\n\r\n";

void BM_KeepAliveOneConnection(benchmark::State& state) {
    Client client;
    for (auto _ : state) {
        client.send(request);
        if (!client.readReply()) {
            state.SkipWithError("connection ended");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeepAliveOneConnection)->UseRealTime();

void BM_KeepAliveFourConnections(benchmark::State& state) {
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 4; ++i) clients.emplace_back(new Client);
    for (auto _ : state) {
        for (auto& c : clients) c->send(request);
        for (auto& c : clients)
            if (!c->readReply()) {
                state.SkipWithError("connection ended");
                return;
            }
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_KeepAliveFourConnections)->UseRealTime();

void BM_ConnectionPerRequest(benchmark::State& state) {
    const std::string closing = "GET /small HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n\r\n";
    for (auto _ : state) {
        Client client;
        client.send(closing);
        client.readToEnd();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConnectionPerRequest)->UseRealTime();

}  // namespace
