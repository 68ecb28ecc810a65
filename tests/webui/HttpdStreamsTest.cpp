// The stream layer of the embedded HTTP server: buffers, generic reads and writes, closing, and
// processing passes over connections made from socket pairs, driven by this thread.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "webui/HttpdHarness.h"
#include "webui/httpd/connection_end.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"
#include "webui/httpd/streams.h"

namespace {

using namespace vnhttpd;
using httpdtest::patternMismatch;

TEST(HttpdIo, PositionsRewindWhenEverythingIsTaken) {
    char bytes[8];
    struct io b {bytes, sizeof bytes, 0, 0, 0};
    io_inc_head(&b, 5);
    EXPECT_EQ(io_data_len(&b), 5u);
    EXPECT_EQ(io_space_len(&b), 3u);
    io_inc_tail(&b, 2);
    EXPECT_EQ(io_data(&b), bytes + 2);
    EXPECT_EQ(io_space(&b), bytes + 5);
    // Taking the rest rewinds both positions; the count of bytes put in stays.
    io_inc_tail(&b, 3);
    EXPECT_EQ(b.head, 0u);
    EXPECT_EQ(b.tail, 0u);
    EXPECT_EQ(b.total, 5u);
    EXPECT_EQ(io_space_len(&b), 8u);
    io_clear(&b);
    EXPECT_EQ(b.total, 0u);
}

TEST(HttpdIoDeathTest, BrokenInvariantStopsTheProcess) {
    char bytes[8];
    struct io b {bytes, sizeof bytes, 0, 0, 0};
    io_inc_head(&b, 4);
    EXPECT_DEATH(io_inc_tail(&b, 5), "io: tail \\+ 5 breaks");
    EXPECT_DEATH(io_inc_head(&b, 5), "io: head \\+ 5 breaks");
}

// A context without listeners whose single worker is served by server_poll on this thread, and
// connections made from socket pairs: the test holds the client end.
class HttpdStreams : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = server_init(args.argc(), args.argv());
        ctx->parse_request = waitingParser;
        ASSERT_TRUE(ctx->listeners.empty());
        ASSERT_EQ(ctx->workers.size(), 1u);
    }
    void TearDown() override {
        server_free(ctx);
        for (int fd : clients) ::close(fd);
    }
    static void waitingParser(connection*) {}

    // A connection of the worker on one end of a socket pair; the other end is returned.
    connection* connect(int* client) {
        int pair[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        ::fcntl(pair[1], F_SETFL, O_NONBLOCK);
        worker* w = ctx->workers.front();
        add_socket(w, pair[0], false);
        clients.push_back(pair[1]);
        *client = pair[1];
        return w->last;
    }
    int connections() const { return ctx->workers.front()->num_conns.load(); }
    static std::string drain(int fd) {
        std::string out;
        char buf[65536];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
        }
        return out;
    }

    httpdtest::Args args{{"-ports", ""}};
    server_context* ctx = nullptr;
    std::vector<int> clients;
};

TEST_F(HttpdStreams, LargeLocalStreamArrivesWholeThroughTheRewindingBuffer) {
    const uint64_t length = 3 * 1048576 + 12345;
    int client;
    connection* c = connect(&client);
    httpdtest::startGenerated(c, length);
    httpdtest::generatedRewinds() = 0;
    c->rem.flags |= STREAM_HEADERS_PARSED;

    std::string received;
    for (int pass = 0; pass < 10000 && connections() == 1; ++pass) {
        server_poll(ctx, 100);
        received += drain(client);
    }
    received += drain(client);
    EXPECT_EQ(connections(), 0);
    ASSERT_EQ(received.size(), length);
    EXPECT_EQ(patternMismatch(received), -1);
    // More than one buffer's worth went through, so the buffer started again at its front.
    EXPECT_GE(httpdtest::generatedRewinds().load(), 1);
    char b;
    EXPECT_EQ(::read(client, &b, 1), 0) << "closed after the answer";
}

TEST_F(HttpdStreams, AnnouncedLengthCapsTheRemoteStream) {
    int client;
    connection* c = connect(&client);
    c->rem.content_len = 10;
    ASSERT_EQ(::write(client, "0123456789abcde", 15), 15);
    read_stream(&c->rem);
    EXPECT_EQ(std::string(io_data(&c->rem.io), io_data_len(&c->rem.io)), "0123456789");
    EXPECT_FALSE(c->rem.flags & STREAM_CLOSED);
    // Asked for nothing more, the channel answers 0 bytes, which ends the stream.
    read_stream(&c->rem);
    EXPECT_TRUE(c->rem.flags & STREAM_CLOSED);
    EXPECT_EQ(c->rem.cls, nullptr);
    EXPECT_EQ(io_data_len(&c->rem.io), 10u);
}

TEST_F(HttpdStreams, ClosedLocalStreamStillSendsItsOutput) {
    int client;
    connection* c = connect(&client);
    httpdtest::startGenerated(c, 5000);
    c->rem.flags |= STREAM_HEADERS_PARSED;
    c->loc.content_len = 0;  // not a known-length answer: only the close ends it
    read_stream(&c->loc);
    stream_close(&c->loc);
    EXPECT_EQ(c->loc.flags & (STREAM_CLOSED | STREAM_READABLE), unsigned(STREAM_CLOSED));
    EXPECT_EQ(io_data_len(&c->loc.io), 1048576u);
    std::string received;
    for (int pass = 0; pass < 1000 && connections() == 1; ++pass) {
        server_poll(ctx, 100);
        received += drain(client);
    }
    received += drain(client);
    EXPECT_EQ(received.size(), 1048576u);
    EXPECT_EQ(patternMismatch(received), -1);
    EXPECT_EQ(connections(), 0);
}

// What one read of the remote stream does with what the channel gives.
TEST_F(HttpdStreams, ReadOutcomes) {
    struct Case {
        const char* name;
        const char* sent;  // null: the client closes its end
        bool keepOpen;
        bool closed;
        size_t pending;
    };
    const Case cases[] = {
        {"bytes", "abc", false, false, 3},
        {"nothing yet (EAGAIN) is no failure", "", false, false, 0},
        {"end of data closes", nullptr, false, true, 0},
        {"end of data with keep-open", nullptr, true, false, 0},
    };
    for (const Case& k : cases) {
        int client;
        connection* c = connect(&client);
        c->expire_time = 0;
        if (k.keepOpen) c->rem.flags |= STREAM_KEEP_OPEN;
        if (k.sent)
            ASSERT_EQ(::write(client, k.sent, std::strlen(k.sent)), static_cast<ssize_t>(std::strlen(k.sent)));
        else
            ::shutdown(client, SHUT_WR);
        read_stream(&c->rem);
        EXPECT_EQ((c->rem.flags & STREAM_CLOSED) != 0, k.closed) << k.name;
        EXPECT_EQ(io_data_len(&c->rem.io), k.pending) << k.name;
        // Only a transfer of bytes renews the expiry.
        EXPECT_EQ(c->expire_time != 0, k.pending > 0) << k.name;
        close_connection(c);
    }
}

TEST_F(HttpdStreams, WriteToAVanishedClientClosesTheStream) {
    int client;
    connection* c = connect(&client);
    httpdtest::startGenerated(c, 100);
    read_stream(&c->loc);
    ::shutdown(client, SHUT_RD);
    ::close(client);
    clients.pop_back();
    c->expire_time = 0;
    write_stream(&c->loc, &c->rem);
    EXPECT_TRUE(c->rem.flags & STREAM_CLOSED);
    EXPECT_EQ(io_data_len(&c->loc.io), 100u);
    EXPECT_EQ(c->expire_time, 0);
}

TEST_F(HttpdStreams, FullClientSocketIsRetriedLater) {
    int client;
    connection* c = connect(&client);
    httpdtest::startGenerated(c, 8 * 1048576);
    read_stream(&c->loc);
    // The socket pair's buffers fill long before a megabyte.
    for (int i = 0; i < 100 && io_data_len(&c->loc.io) > 0; ++i) write_stream(&c->loc, &c->rem);
    ASSERT_GT(io_data_len(&c->loc.io), 0u);
    const time_t expiry = c->expire_time;
    c->expire_time = 0;
    write_stream(&c->loc, &c->rem);
    EXPECT_FALSE(c->rem.flags & STREAM_CLOSED);
    EXPECT_EQ(c->expire_time, 0) << "a refused send does not renew the expiry";
    EXPECT_GT(expiry, 0);
}

// Which states end a connection in a pass.
TEST_F(HttpdStreams, EndOfAConnection) {
    struct Case {
        const char* name;
        std::function<void(connection*)> set;
        bool ended;
    };
    const time_t now = current_time();
    const Case cases[] = {
        {"fresh and waiting for its header block", [](connection*) {}, false},
        {"expired", [now](connection* c) { c->expire_time = now - 1; }, true},
        {"expiring this second", [now](connection* c) { c->expire_time = now; }, false},
        {"header block overdue", [now](connection* c) { c->birth_time = now - 61; }, true},
        {"header block due this second", [now](connection* c) { c->birth_time = now - 60; }, false},
        {"old but its request parsed",
         [now](connection* c) {
             c->birth_time = now - 1000;
             c->rem.flags |= STREAM_HEADERS_PARSED;
         },
         false},
        {"remote stream closed", [](connection* c) { c->rem.flags |= STREAM_CLOSED; }, true},
        {"local stream closed with nothing pending", [](connection* c) { c->loc.flags |= STREAM_CLOSED; }, true},
        {"local stream closed, output pending",
         [](connection* c) {
             c->loc.flags |= STREAM_CLOSED | STREAM_SUSPENDED;
             io_inc_head(&c->loc.io, 10);
             c->rem.cls = nullptr;  // nothing can be sent in this pass
         },
         false},
    };
    for (const Case& k : cases) {
        int client;
        connection* c = connect(&client);
        k.set(c);
        const stream_class* cls = c->rem.cls;
        serve_connection(c, false, false);
        EXPECT_EQ(connections() == 0, k.ended) << k.name;
        if (connections() != 0) {
            c->rem.cls = cls;
            close_connection(c);
        }
    }
}

TEST_F(HttpdStreams, WakeCommandNamesItsConnectionById) {
    int client;
    connection* c = connect(&client);
    connection* other = connect(&client);
    c->loc.flags |= STREAM_SUSPENDED;
    other->loc.flags |= STREAM_SUSPENDED;
    worker* w = ctx->workers.front();
    struct __attribute__((packed)) {
        uint32_t command;
        uint64_t id;
    } stale{CTL_WAKE, c->id + 1000}, wake{CTL_WAKE, c->id};
    ASSERT_EQ(send_control(w, &stale, sizeof stale), 0);
    server_poll(ctx, 100);
    EXPECT_TRUE(c->loc.flags & STREAM_SUSPENDED) << "an unknown id is ignored";
    ASSERT_EQ(send_control(w, &wake, sizeof wake), 0);
    server_poll(ctx, 100);
    EXPECT_FALSE(c->loc.flags & STREAM_SUSPENDED);
    EXPECT_TRUE(other->loc.flags & STREAM_SUSPENDED);
    EXPECT_EQ(connections(), 2);
}

TEST_F(HttpdStreams, AddSocketCommandCreatesTheConnection) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    clients.push_back(pair[1]);
    const uint32_t add[3] = {CTL_ADD_SOCKET, static_cast<uint32_t>(pair[0]), 0};
    ASSERT_EQ(send_control(ctx->workers.front(), add, sizeof add), 0);
    server_poll(ctx, 100);
    ASSERT_EQ(connections(), 1);
    connection* c = ctx->workers.front()->first;
    EXPECT_EQ(c->sock, pair[0]);
    EXPECT_EQ(c->rem.cls, &socket_class);
    EXPECT_TRUE(::fcntl(c->sock, F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(::fcntl(c->sock, F_GETFL) & O_NONBLOCK);
}

TEST(HttpdControlPair, LocalSocketPairNonBlockingAndCloseOnExec) {
    int pair[2];
    ASSERT_EQ(make_control_pair(pair), 0);
    for (int fd : pair) {
        int domain = -1;
        socklen_t len = sizeof domain;
        ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &len), 0);
        EXPECT_EQ(domain, AF_UNIX) << "no other process can connect to it";
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK);
    }
    const uint32_t word = 5;
    ASSERT_EQ(::write(pair[1], &word, 4), 4);
    uint32_t got = 0;
    EXPECT_EQ(::read(pair[0], &got, 4), 4);
    EXPECT_EQ(got, 5u);
    ::close(pair[0]);
    ::close(pair[1]);
}

// Where report_error writes, by severity and by the "inetd" option.
TEST(HttpdReportError, StandardErrorAndErrorLog) {
    testutil::TempDir tmp;
    const std::string log = tmp / "error.log";
    testutil::writeFile(log, "earlier line\n");
    httpdtest::Args args({"-ports", "", "-error_log", log});
    server_context* ctx = server_init(args.argc(), args.argv());
    EXPECT_TRUE(::fcntl(::fileno(ctx->error_log), F_GETFD) & FD_CLOEXEC);
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    add_socket(ctx->workers.front(), pair[0], false);
    connection* c = ctx->workers.front()->first;
    const std::string datePattern = "\\[[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\\] ";
    struct Case {
        const char* name;
        int severity;
        bool withConnection;
        const char* request;
        const char* inetd;
        std::string err;
        std::string logLine;  // pattern; empty: no line
    };
    const Case cases[] = {
        {"log severity", REPORT_LOG, true, "GET /a HTTP/1.0", "no", "x 5\n",
         datePattern + "\\[error\\] \\[client 0\\.0\\.0\\.0\\] \"GET /a HTTP/1\\.0\" x 5\n"},
        {"no request yet", REPORT_LOG, true, nullptr, "no", "x 5\n", datePattern + "\\[error\\] \\[client 0\\.0\\.0\\.0\\] \"-\" x 5\n"},
        {"severity 0 only reaches standard error", 0, true, nullptr, "no", "x 5\n", ""},
        {"no connection: standard error only", REPORT_LOG, false, nullptr, "no", "x 5\n", ""},
        {"inetd: the log only", REPORT_LOG, true, nullptr, "yes", "", datePattern + ".* x 5\n"},
    };
    for (const Case& k : cases) {
        testutil::writeFile(log, "");
        store_option(ctx, "inetd", k.inetd);
        std::free(c->request);
        c->request = k.request ? ::strdup(k.request) : nullptr;
        testutil::StderrCapture err;
        report_error(k.severity, k.withConnection ? c : nullptr, "x %d", 5);
        EXPECT_EQ(err.text(), k.err) << k.name;
        std::string line = testutil::readFile(log);
        if (k.logLine.empty())
            EXPECT_EQ(line, "") << k.name;
        else
            EXPECT_TRUE(std::regex_match(line, std::regex(k.logLine))) << k.name << ": " << line;
    }
    store_option(ctx, "inetd", "no");

    // A line is cut at 1,048,575 bytes before its line feed.
    testutil::writeFile(log, "");
    {
        testutil::StderrCapture err;
        report_error(REPORT_LOG, c, "%s", std::string(2 * 1048576, 'm').c_str());
        EXPECT_EQ(err.text().size(), 2u * 1048576 + 1);
    }
    std::string line = testutil::readFile(log);
    EXPECT_EQ(line.size(), 1048576u);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line[line.size() - 2], 'm');
    server_free(ctx);
    ::close(pair[1]);
}

}  // namespace
