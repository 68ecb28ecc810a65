// The serving loop of the embedded HTTP server with real clients on fixed ports: access
// control over IPv4 and IPv6, TLS with openssl and python clients, descriptor limits and
// exhaustion, worker threads and their control channel, the time limits of connections.
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "support/FixtureServers.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"

namespace {

using namespace vnhttpd;
using httpdtest::connectTo;
using httpdtest::PolledServer;
using httpdtest::readAll;
using httpdtest::waitFor;

void noParser(connection*) {}

// Nothing arrives on the socket within `ms`: the server keeps the connection without a word.
bool staysQuiet(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

TEST(HttpdServing, AccessListRefusesOtherClientsAndIPv6) {
    testutil::StderrCapture err;
    PolledServer server({"-ports", "8447", "-acl", "-0.0.0.0/0,+127.0.0.1"}, noParser);

    int allowed = connectTo("127.0.0.1", 8447);
    ASSERT_TRUE(waitFor([&] { return server.connections() == 1; }));
    EXPECT_TRUE(staysQuiet(allowed, 300));
    EXPECT_EQ(server.connections(), 1);

    for (const auto& refused : {std::make_pair(std::string("127.0.0.1"), std::string("127.0.0.2")),
                                std::make_pair(std::string("::1"), std::string())}) {
        int s = connectTo(refused.first, 8447, refused.second);
        httpdtest::ReadResult r = readAll(s, 5);
        EXPECT_TRUE(r.eof) << refused.first << " from " << refused.second;
        EXPECT_EQ(r.data, "");
        ::close(s);
    }
    ASSERT_TRUE(waitFor([&] { return err.text().find("::1 is not") != std::string::npos; }));
    EXPECT_EQ(err.text(), "127.0.0.2 is not allowed to connect\n::1 is not allowed to connect\n");
    EXPECT_EQ(server.connections(), 1);
    ::close(allowed);
}

// Small socket buffers for the TCP of this network namespace, so that a client that reads
// slowly makes the server's sends wait for it.
void smallSocketBuffers() {
    testutil::writeFile("/proc/sys/net/ipv4/tcp_wmem", "4096 8192 16384\n");
    testutil::writeFile("/proc/sys/net/ipv4/tcp_rmem", "4096 8192 16384\n");
    ASSERT_EQ(testutil::readFile("/proc/sys/net/ipv4/tcp_wmem"), "4096\t8192\t16384\n");
}

class HttpdTls : public ::testing::Test {
protected:
    testutil::TempDir tmp;
    std::string pem = httpdtest::makePem(tmp);
};

TEST_F(HttpdTls, OpensslClientCompletesTheHandshake) {
    PolledServer server({"-ports", "8447s", "-ssl_cert", pem}, noParser);
    testutil::RunResult r =
        testutil::run({"/usr/bin/openssl", "s_client", "-connect", "127.0.0.1:8447", "-brief"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("CONNECTION ESTABLISHED"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Protocol version: TLSv1."), std::string::npos) << r.err;
}

// A client with a small receive buffer that reads nothing for a while, then slowly: the
// server's TLS writes must wait for the socket and retry from a moving buffer.
const char* const slowTlsClient = R"(
import socket, ssl, sys, time
port, n = int(sys.argv[1]), int(sys.argv[2])
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
ctx.check_hostname = False
ctx.verify_mode = ssl.CERT_NONE
raw = socket.socket()
raw.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
raw.connect(("127.0.0.1", port))
s = ctx.wrap_socket(raw)
s.sendall(b"x")
time.sleep(0.5)
data = bytearray()
slow = 0
while True:
    chunk = s.recv(16384)
    if not chunk:
        break
    data += chunk
    if slow < 20:
        time.sleep(0.02)
        slow += 1
expected = bytes((i * 7 + i // 1021) % 251 for i in range(n))
print(len(data), data == expected)
)";

TEST_F(HttpdTls, LargeAnswerReachesASlowClientWhole) {
    const uint64_t length = 3 * 1048576;
    httpdtest::generatedLength() = length;
    smallSocketBuffers();
    PolledServer server({"-ports", "8447s", "-ssl_cert", pem});
    testutil::RunResult r = testutil::run({testutil::systemPython(), "-c", slowTlsClient, "8447", std::to_string(length)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(length) + " True\n") << r.err;
    EXPECT_TRUE(waitFor([&] { return server.connections() == 0; }));
}

TEST_F(HttpdTls, SilentClientIsEndedAtTheHeaderLimit) {
    server_limits limits;
    limits.header_timeout = 1;
    PolledServer server({"-ports", "8447s", "-ssl_cert", pem}, noParser, &limits);
    int s = connectTo("127.0.0.1", 8447);
    auto start = std::chrono::steady_clock::now();
    httpdtest::ReadResult r = readAll(s, 15);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(r.eof);
    EXPECT_EQ(r.data, "");
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 10);
    ::close(s);
}

TEST(HttpdServing, ClientThatStopsReadingIsEndedAtTheIdleLimit) {
    server_limits limits;
    limits.idle_timeout = 1;
    httpdtest::generatedLength() = 64 * 1048576;
    PolledServer server({"-ports", "8080"}, httpdtest::generatingParser, &limits);
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ::close(s);
    s = connectTo("127.0.0.1", 8080);
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ASSERT_EQ(::send(s, "x", 1, 0), 1);
    ASSERT_TRUE(waitFor([&] { return server.connections() == 1; }));
    // The sends are refused from now on; refusals do not keep the connection alive.
    EXPECT_TRUE(waitFor([&] { return server.connections() == 0; }, 10));
    ::close(s);
}

// Descriptors of this process taken with dup() up to and including `last`.
class Filler {
public:
    explicit Filler(int last) {
        for (;;) {
            int fd = ::dup(0);
            if (fd < 0) break;
            fds.push_back(fd);
            if (fd >= last) break;
        }
    }
    ~Filler() {
        for (int fd : fds) ::close(fd);
    }
    int highest() const { return fds.empty() ? -1 : fds.back(); }

private:
    std::vector<int> fds;
};

void raiseDescriptorLimit(rlim_t n) {
    rlimit rl{n, n};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &rl), 0) << std::strerror(errno);
}

TEST(HttpdServing, ClientAboveDescriptor1024IsServed) {
    raiseDescriptorLimit(20000);
    httpdtest::generatedLength() = 5000;
    PolledServer server({"-ports", "8080"});
    Filler filler(1500);
    ASSERT_EQ(filler.highest(), 1500);
    int s = connectTo("127.0.0.1", 8080);
    EXPECT_GT(s, 1024);
    ASSERT_EQ(::send(s, "x", 1, 0), 1);
    httpdtest::ReadResult r = readAll(s);
    EXPECT_TRUE(r.eof);
    EXPECT_EQ(r.data.size(), 5000u);
    EXPECT_EQ(httpdtest::patternMismatch(r.data), -1);
    ::close(s);
}

TEST(HttpdServing, DescriptorAbove16383IsRefused) {
    raiseDescriptorLimit(20000);
    testutil::StderrCapture err;
    PolledServer server({"-ports", "8080"}, noParser);
    Filler filler(16382);
    ASSERT_EQ(filler.highest(), 16382);
    int s = connectTo("127.0.0.1", 8080);  // 16383; the server's end is 16384
    ASSERT_EQ(s, 16383);
    httpdtest::ReadResult r = readAll(s, 5);
    EXPECT_TRUE(r.eof);
    EXPECT_EQ(r.data, "");
    ASSERT_TRUE(waitFor([&] { return !err.text().empty(); }));
    EXPECT_TRUE(std::regex_match(err.text(), std::regex("ctx 0x[0-9a-f]+: discarding socket 16384, too busy\n")))
        << err.text();
    EXPECT_EQ(server.connections(), 0);
    ::close(s);
}

TEST(HttpdServing, ConnectionsBeyondTheCapAreRefused) {
    testutil::StderrCapture err;
    PolledServer server({"-ports", "8080"}, noParser);
    std::vector<int> clients;
    for (int i = 0; i < 256; ++i) clients.push_back(connectTo("127.0.0.1", 8080));
    ASSERT_TRUE(waitFor([&] { return server.connections() == 256; }));
    EXPECT_EQ(err.text(), "");
    int extra = connectTo("127.0.0.1", 8080);
    httpdtest::ReadResult r = readAll(extra, 5);
    EXPECT_TRUE(r.eof);
    EXPECT_EQ(r.data, "");
    ASSERT_TRUE(waitFor([&] { return !err.text().empty(); }));
    EXPECT_TRUE(std::regex_match(err.text(), std::regex("ctx 0x[0-9a-f]+: discarding socket [0-9]+, too busy\n")))
        << err.text();
    EXPECT_EQ(server.connections(), 256);
    EXPECT_TRUE(staysQuiet(clients.front(), 100));
    for (int fd : clients) ::close(fd);
    ::close(extra);
}

TEST(HttpdServing, ExhaustedDescriptorsPauseTheListeners) {
    httpdtest::generatedLength() = 100;
    PolledServer server({"-ports", "8080"});
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    long pollsBefore;
    {
        // Every descriptor up to the client's is taken and the limit ends right behind it.
        Filler filler(s);
        rlimit none{static_cast<rlim_t>(s) + 1, old.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(8080);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int connected = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        pollsBefore = server.pollCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const long polls = server.pollCount() - pollsBefore;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
        ASSERT_EQ(connected, 0);
        // The listener stays readable; without the pause every wait would end at once.
        EXPECT_LT(polls, 200);
        EXPECT_GT(polls, 2);
    }
    ASSERT_EQ(::send(s, "x", 1, 0), 1);
    httpdtest::ReadResult r = readAll(s, 10);
    EXPECT_EQ(r.data.size(), 100u);
    ::close(s);
}

TEST(HttpdServing, ThreadedWorkersTakeOneClientEach) {
    PolledServer server({"-ports", "8080", "-threads", "3"}, noParser);
    ASSERT_TRUE(server.ctx()->threaded);
    ASSERT_EQ(server.ctx()->workers.size(), 3u);
    std::vector<int> clients;
    for (int i = 1; i <= 3; ++i) {
        clients.push_back(connectTo("127.0.0.1", 8080));
        ASSERT_TRUE(waitFor([&] { return server.connections() == i; }));
    }
    for (worker* w : server.ctx()->workers) EXPECT_EQ(w->num_conns.load(), 1);
    for (int fd : clients) ::close(fd);
}

TEST(HttpdServing, ThreadedWorkerServesTls) {
    testutil::TempDir tmp;
    const std::string pem = httpdtest::makePem(tmp);
    httpdtest::generatedLength() = 300000;
    smallSocketBuffers();
    PolledServer server({"-ports", "8447s", "-ssl_cert", pem, "-threads", "2"});
    testutil::RunResult r =
        testutil::run({testutil::systemPython(), "-c", slowTlsClient, "8447", "300000"});
    EXPECT_EQ(r.out, "300000 True\n") << r.err;
}

TEST(HttpdServing, UnknownControlCommandEndsTheProcess) {
    testutil::StderrCapture err;
    std::string result = testutil::inChild([] {
        httpdtest::Args a({"-ports", "", "-threads", "3"});
        server_context* ctx = server_init(a.argc(), a.argv());
        const uint32_t command = 7;
        if (::write(ctx->workers[1]->ctl[1], &command, sizeof command) != 4) return std::string("not written");
        ::sleep(10);
        return std::string("survived");
    });
    EXPECT_EQ(result, "[child status 256]");
    EXPECT_TRUE(std::regex_match(err.text(), std::regex("ctx 0x[0-9a-f]+: ctl cmd 7\n"))) << err.text();
}

}  // namespace
