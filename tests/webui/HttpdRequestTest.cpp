// Requests of the embedded HTTP server, in this process: the routines of the parser and of the
// page interface as tables, and raw request bytes through the real parser over socket pairs,
// the server polled on this thread. Also built under the address sanitizer: every byte these
// routines read comes from the network.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"
#include "webui/httpd/httpd.h"
#include "webui/httpd/page_interface.h"
#include "webui/httpd/parse_http_request.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"

namespace {

using namespace vnhttpd;

// The canned error reply.
std::string canned(int status, const std::string& reason) {
    char body[16];
    std::snprintf(body, sizeof body, "Error: %03d\r\n", status);
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\n" + body;
}

// A time zone for this process while it lives.
class Zone {
public:
    explicit Zone(const std::string& name) : env(new testutil::ScopedEnv("TZ", name)) { ::tzset(); }
    ~Zone() {
        env.reset();
        ::tzset();
    }

private:
    std::unique_ptr<testutil::ScopedEnv> env;
};

// ---- routines -------------------------------------------------------------------------------

TEST(HttpdRequestRoutines, HeaderBlockLength) {
    struct Case {
        const char* name;
        std::string bytes;
        int length;
    };
    const Case cases[] = {
        {"two line feeds end the block", "GET / HTTP/1.0\n\n", 16},
        {"a single line feed at the end waits", "GET / HTTP/1.0\n", 0},
        {"CR LF CR LF ends at the second LF", "GET / HTTP/1.1\r\nA: b\r\n\r\nbody", 24},
        {"LF CR LF ends at the LF + 3", "GET / HTTP/1.1\nA: b\n\r\n", 22},
        {"LF CR without the last LF waits", "GET / HTTP/1.1\nA: b\n\r", 0},
        {"bytes behind the block are not looked at", std::string("GET / HTTP/1.0\n\n\t\0", 18), 16},
        {"a tab is refused", "GET / HTTP/1.1\r\nA:\tb\r\n\r\n", -1},
        {"a zero byte is refused", std::string("GET /\0 HTTP/1.1\r\n\r\n", 19), -1},
        {"DEL is refused", "GET /\x7f HTTP/1.1\r\n\r\n", -1},
        {"a lone CR passes", "GET /\r HTTP/1.1\n\n", 17},
        {"bytes of 128 and above pass", "GET /\xc3\xa9 HTTP/1.1\n\n", 18},
        {"the last byte is not scanned", "GET / HTTP/1.1\t", 0},
        {"nothing", "", 0},
        {"one byte", "\n", 0},
    };
    for (const Case& k : cases)
        EXPECT_EQ(header_block_length(k.bytes.data(), k.bytes.size()), k.length) << k.name;
}

TEST(HttpdRequestRoutines, PercentDecode) {
    struct Case {
        const char* name;
        std::string src;
        int srcLen;  // ALL: all of src
        int size;
        std::string decoded;
    };
    const int ALL = 1 << 30;
    const Case cases[] = {
        {"escapes of either case and '+'", "/a%2e%2E+b%41", ALL, 64, "/a.. bA"},
        {"a '%' without two hex digits is copied", "%4", ALL, 64, "%4"},
        {"a '%' before non-hex digits is copied", "%zz%4g", ALL, 64, "%zz%4g"},
        {"an escape cut by the length is copied", "%41", 2, 64, "%4"},
        {"a zero byte decodes", "a%00b", ALL, 64, std::string("a\0b", 3)},
        {"the destination holds size - 1 bytes", "abcdef", ALL, 4, "abc"},
        {"no source bytes", "abc", 0, 64, ""},
        {"a negative length", "abc", -3, 64, ""},
        {"a destination of one byte", "abc", ALL, 1, ""},
    };
    for (const Case& k : cases) {
        char dst[64];
        std::memset(dst, 'X', sizeof dst);
        const int len = k.srcLen == ALL ? static_cast<int>(k.src.size()) : k.srcLen;
        const int n = percent_decode(k.src.data(), len, dst, k.size);
        EXPECT_EQ(std::string(dst, static_cast<size_t>(n)), k.decoded) << k.name;
        EXPECT_EQ(dst[n], '\0') << k.name;
    }
    // In place: the destination never runs ahead of the source.
    char text[] = "/%2e%2e/x+y%41";
    const int n = percent_decode(text, static_cast<int>(std::strlen(text)), text, sizeof text);
    EXPECT_EQ(std::string(text, static_cast<size_t>(n)), "/../x yA");
}

TEST(HttpdRequestRoutines, KnownHeaders) {
    struct Case {
        const char* name;
        std::string block;
        std::function<std::string(const request_headers&)> field;
        std::string expected;
    };
    auto text = [](header_text request_headers::*f) {
        return [f](const request_headers& h) {
            return (h.*f).ptr ? std::string((h.*f).ptr, (h.*f).len) : std::string("(none)");
        };
    };
    auto number = [](uint64_t request_headers::*f) {
        return [f](const request_headers& h) { return std::to_string(h.*f); };
    };
    const Case cases[] = {
        {"names are matched without regard to case", "content-length: 12\r\n\r\n",
         number(&request_headers::content_length), "12"},
        {"exactly one blank after the colon", "Content-Length:12\r\n\r\n", number(&request_headers::content_length), "0"},
        {"a second blank stays in the value", "Content-Length:  12\r\n\r\n", number(&request_headers::content_length),
         "0"},
        {"a number is its leading digits", "Content-Length: 42abc\r\n\r\n", number(&request_headers::content_length),
         "42"},
        {"a number beyond 64 bits stays at the largest", "Content-Length: 99999999999999999999999\r\n\r\n",
         number(&request_headers::content_length), "18446744073709551615"},
        {"a later duplicate wins", "Content-Length: 1\r\nContent-Length: 2\r\n\r\n",
         number(&request_headers::content_length), "2"},
        {"a text ends before CR LF", "User-Agent: curl/8 x\r\n\r\n", text(&request_headers::user_agent), "curl/8 x"},
        {"a text ends at a bare LF", "Referer: http://r/\n\n", text(&request_headers::referer), "http://r/"},
        {"an empty text is there", "Cookie: \r\n\r\n", text(&request_headers::cookie), ""},
        {"an absent text is none", "Cookie2: a\r\n\r\n", text(&request_headers::cookie), "(none)"},
        {"Status is a number", "Status: 302 Found\r\n\r\n", number(&request_headers::status), "302"},
        {"Connection", "Connection: close\r\n\r\n", text(&request_headers::connection), "close"},
        {"Transfer-Encoding", "Transfer-Encoding: chunked\r\n\r\n", text(&request_headers::transfer_encoding),
         "chunked"},
        {"Range", "Range: bytes=0-1\r\n\r\n", text(&request_headers::range), "bytes=0-1"},
        {"Authorization", "Authorization: Digest x\r\n\r\n", text(&request_headers::authorization), "Digest x"},
        {"Content-Type", "Content-Type: text/plain\r\n\r\n", text(&request_headers::content_type), "text/plain"},
        {"Location", "Location: /x\r\n\r\n", text(&request_headers::location), "/x"},
        {"a name alone at the end of the block is no header", "Cookie: ", text(&request_headers::cookie), "(none)"},
    };
    for (const Case& k : cases) {
        std::string block = k.block;
        request_headers h;
        parse_known_headers(&block[0], block.size(), &h);
        EXPECT_EQ(k.field(h), k.expected) << k.name;
    }
}

TEST(HttpdRequestRoutines, HeaderDatesAreGmt) {
    struct Case {
        const char* name;
        const char* value;
        time_t expected;
    };
    const time_t nov6 = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT
    const Case cases[] = {
        {"weekday, day month year time zone", "Sun, 06 Nov 1994 08:49:37 GMT", nov6},
        {"day month year time", "06 Nov 1994 08:49:37", nov6},
        {"slashes", "06/Nov/1994 08:49:37", nov6},
        {"dashes and a two-digit year from 70", "06-Nov-94 08:49:37 GMT", nov6},
        {"two-digit years up to 69 are 20xx", "06-Nov-05 08:49:37", 1131266977},
        {"year 70 is 1970", "01 Jan 70 00:00:10", 10},
        {"month names are exact", "Sun, 06 nov 1994 08:49:37 GMT", 0},
        {"an unknown month", "06 Foo 1994 08:49:37", 0},
        {"garbage is absent", "yesterday", 0},
        {"a missing time", "06 Nov 1994", 0},
    };
    for (const char* zone : {"UTC", "Europe/Berlin"}) {
        Zone z(zone);
        for (const Case& k : cases) {
            std::string block = std::string("If-Modified-Since: ") + k.value + "\r\n\r\n";
            request_headers h;
            parse_known_headers(&block[0], block.size(), &h);
            EXPECT_EQ(h.if_modified_since, k.expected) << k.name << " in " << zone;
        }
    }
}

TEST(HttpdRequestRoutines, PageGetVar) {
    struct Case {
        const char* name;
        const char* var;
        std::string buf;
        int bufLen;  // -1: all of buf
        int dstLen;
        int result;
        std::string value;  // "untouched": dst keeps its bytes
    };
    const std::string twenty = "v=abcdefghijklmnopqrst";
    const Case cases[] = {
        {"value decoded", "v", "o=1&v=a+b%21", 12, 8, 4, "a b!"},
        {"names without regard to case", "V", "o=1&v=a+b%21", 12, 8, 4, "a b!"},
        {"only at the front or after '&'", "o", "xo=1", 4, 8, -1, "untouched"},
        {"a long value is cut at dst_len - 1", "v", twenty, -1, 8, 7, "abcdefg"},
        {"an empty value", "v", "v=&w=1", -1, 8, 0, ""},
        {"the first occurrence wins", "v", "v=x&v=y", -1, 8, 1, "x"},
        {"the value ends at '&'", "v", "v=1&w=2", -1, 8, 1, "1"},
        {"a name without '=' is absent", "v", "v&w=1", -1, 8, -1, "untouched"},
        {"the length bounds the text", "v", "v=abc&w", 4, 8, 2, "ab"},
        {"an escape cut by the value's end is copied", "v", "v=%4&w", -1, 8, 2, "%4"},
        {"a destination of one byte", "v", "v=abc", -1, 1, 0, ""},
        {"nothing to search", "v", "", 0, 8, -1, "untouched"},
    };
    for (const Case& k : cases) {
        char dst[32];
        std::memset(dst, '#', sizeof dst);
        const int len = k.bufLen < 0 ? static_cast<int>(k.buf.size()) : k.bufLen;
        const int r = page_get_var(k.var, k.buf.data(), len, dst, k.dstLen);
        EXPECT_EQ(r, k.result) << k.name;
        if (k.value == "untouched")
            EXPECT_EQ(std::string(dst, 4), "####") << k.name;
        else
            EXPECT_EQ(std::string(dst), k.value) << k.name;
    }
}

TEST(HttpdRequestRoutines, PagePrintfCutsToTheSpace) {
    struct Case {
        const char* name;
        int outLen;
        int outUsed;
        const char* text;
        int added;
        std::string written;
    };
    const Case cases[] = {
        {"a text that needs the whole space loses one byte", 5, 0, "abcde", 4, "abcd"},
        {"a text shorter than the space", 5, 0, "abc", 3, "abc"},
        {"a longer text", 5, 0, "abcdefgh", 4, "abcd"},
        {"behind earlier output", 8, 3, "abcdefgh", 4, "abcd"},
        {"no space", 5, 5, "abc", 0, ""},
        {"no buffer at all", 0, 0, "abc", 0, ""},
    };
    for (const Case& k : cases) {
        char out[16];
        std::memset(out, '#', sizeof out);
        page_request req{};
        req.out_buf = out;
        req.out_len = k.outLen;
        req.out_used = k.outUsed;
        EXPECT_EQ(page_printf(&req, "%s", k.text), k.added) << k.name;
        EXPECT_EQ(req.out_used, k.outUsed + k.added) << k.name;
        EXPECT_EQ(std::string(out + k.outUsed, static_cast<size_t>(k.added)), k.written) << k.name;
    }
}

TEST(HttpdRequestRoutines, UriPatterns) {
    struct Case {
        const char* pattern;
        const char* uri;
        bool match;
    };
    const Case cases[] = {
        {"/a*", "/a", true},        {"/a*", "/abc", true},       {"/a*", "/a/b/c", true},
        {"/a*", "/b", false},       {"/", "/", true},            {"/", "/x", false},
        {"/x.html", "/x.html", true}, {"/x.html", "/X.html", false}, {"/x.html", "/x.htm", false},
        {"*.gif", "/i/a.gif", true}, {"*.gif", "/a.gif/b", false}, {"/a*c*e", "/abcde", true},
        {"/a*c*e", "/abcdef", false}, {"*", "", true},           {"/a", "/a/", false},
    };
    for (const Case& k : cases) EXPECT_EQ(match_uri_pattern(k.pattern, k.uri), k.match) << k.pattern << " " << k.uri;
    EXPECT_STREQ(server_version(), "1.41");
}

// ---- requests over socket pairs -------------------------------------------------------------

void ignorePipeSignal() { std::signal(SIGPIPE, SIG_IGN); }

// A server without listeners whose single worker is polled on this thread, and clients on
// socket pairs.
class Bench {
public:
    explicit Bench(std::vector<std::string> options = {}) : args(withoutPorts(options)) {
        ignorePipeSignal();
        ctx = server_init(args.argc(), args.argv());
    }
    ~Bench() {
        server_free(ctx);
        for (int fd : clients) ::close(fd);
    }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    server_context* ctx = nullptr;

    int connections() const { return ctx->workers.front()->num_conns.load(); }

    // A client whose socket the server took as a connection.
    int connect() {
        int pair[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        ::fcntl(pair[1], F_SETFL, O_NONBLOCK);
        add_socket(ctx->workers.front(), pair[0], false);
        clients.push_back(pair[1]);
        return pair[1];
    }

    // A page that runs `body`.
    void page(const std::string& pattern, std::function<void(page_request*)> body) {
        bodies.emplace_back(new std::function<void(page_request*)>(std::move(body)));
        server_register_page(ctx, pattern.c_str(), runBody, bodies.back().get());
    }
    void errorPage(int status, std::function<void(page_request*)> body) {
        bodies.emplace_back(new std::function<void(page_request*)>(std::move(body)));
        server_register_error_page(ctx, status, runBody, bodies.back().get());
    }

    struct Exchange {
        std::string reply;
        bool ended = false;  // the server ended the connection
    };

    // Sends `bytes` as the socket takes them while polling the server, until the connection
    // ends, or everything is sent and five passes bring nothing more (and at least `expect`
    // bytes came). The server runs on this thread, so bytes sent are seen in the next pass.
    Exchange exchange(int fd, const std::string& bytes, size_t expect = 0) {
        Exchange e;
        size_t sent = 0;
        int quiet = 0;
        for (int pass = 0; pass < 200000; ++pass) {
            if (sent < bytes.size()) {
                ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n > 0) sent += static_cast<size_t>(n);
            }
            const size_t before = e.reply.size();
            server_poll(ctx, 0);
            drain(fd, &e.reply);
            if (connections() == 0) {
                drain(fd, &e.reply);
                e.ended = true;
                break;
            }
            if (sent == bytes.size()) {
                quiet = e.reply.size() == before ? quiet + 1 : 0;
                if (quiet >= 5 && e.reply.size() >= expect) break;
            }
        }
        return e;
    }

    Exchange exchange(const std::string& bytes, size_t expect = 0) { return exchange(connect(), bytes, expect); }

private:
    static std::vector<std::string> withoutPorts(std::vector<std::string> options) {
        options.insert(options.begin(), {"-ports", ""});
        return options;
    }
    static void runBody(page_request* req) { (*static_cast<std::function<void(page_request*)>*>(req->user_data))(req); }
    static void drain(int fd, std::string* out) {
        char buf[65536];
        for (;;) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            out->append(buf, static_cast<size_t>(n));
        }
    }

    httpdtest::Args args;
    std::vector<int> clients;
    std::vector<std::unique_ptr<std::function<void(page_request*)>>> bodies;
};

TEST(HttpdRequest, RawRequests) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string reply;  // empty: the server waits
        bool ended;
    };
    const std::string notFound = canned(404, "Not Found");
    const Case cases[] = {
        {"16 bytes of HTTP/1.0 are a request; 1.0 closes", "GET / HTTP/1.0\n\n", notFound, true},
        {"with a single line feed the server waits", "GET / HTTP/1.0\n", "", false},
        {"HTTP/1.1 stays open", "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n", notFound, false},
        {"Connection: close ends HTTP/1.1", "GET / HTTP/1.1\r\nConnection: Close\r\n\r\n", notFound, true},
        {"a Connection value of 4 characters is no close", "GET / HTTP/1.1\r\nConnection: clos\r\n\r\n", notFound,
         false},
        {"a transfer coding is never kept alive", "GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", notFound,
         true},
        {"the method is a prefix: GETX is GET", "GETX / HTTP/1.1\r\n\r\n", notFound, false},
        {"a method in lower case", "get / HTTP/1.1\r\n\r\n", canned(501, "Method Not Implemented"), true},
        {"an unknown method", "PATCH / HTTP/1.1\r\n\r\n", canned(501, "Method Not Implemented"), true},
        {"HTTP/1.2", "GET / HTTP/1.2\r\n\r\n", canned(505, "HTTP version not supported"), true},
        {"HTTP/2.0", "GET / HTTP/2.0\r\n\r\n", canned(505, "HTTP version not supported"), true},
        {"a blank after the version", "GET / HTTP/1.1 \r\n\r\n", canned(400, "Bad HTTP version"), true},
        {"no version", "GET /index.html\r\n\r\n", canned(400, "Bad HTTP version"), true},
        {"a version without its minor number", "GET / HTTP/1.\r\n\r\n", canned(400, "Bad HTTP version"), true},
        {"a tab in a header line", "GET / HTTP/1.1\r\nHost:\tx\r\n\r\n", canned(400, "Bad request"), true},
        {"a zero byte in the request line", std::string("GET /\0 HTTP/1.1\r\n\r\n", 19), canned(400, "Bad request"),
         true},
        {"a block under 16 bytes", "GET / HTTP/1\n\n", canned(400, "Bad request"), true},
        {"a target that is no absolute path", "GET ./etc/passwd HTTP/1.1\r\n\r\n", canned(400, "Bad URI"), false},
        {"a line break in the path", "GET /a%0d%0aX HTTP/1.1\r\n\r\n", canned(400, "Bad URI"), false},
        {"a zero byte in the path", "GET /a%00b HTTP/1.1\r\n\r\n", canned(400, "Bad URI"), false},
        {"DEL in the path", "GET /a%7f HTTP/1.1\r\n\r\n", canned(400, "Bad URI"), false},
        {"a header block that fills the buffer", "GET /" + std::string(1048576 - 5, 'a'),
         canned(400, "Request is too big"), true},
    };
    // A root that does not exist: every well-formed request here is "Not Found".
    testutil::TempDir dir;
    for (const Case& k : cases) {
        Bench bench({"-root", dir / "missing"});
        Bench::Exchange e = bench.exchange(k.bytes, k.reply.size());
        EXPECT_EQ(e.reply, k.reply) << k.name;
        EXPECT_EQ(e.ended, k.ended) << k.name;
    }
}

TEST(HttpdRequest, PathLengthCountsTheRoot) {
    const std::string root(1048575 - 9000, 'r');
    // A global password file that does not exist protects nothing; the per-directory one would
    // not fit its buffer below this root and be refused.
    testutil::TempDir dir;
    Bench bench({"-root", root, "-auth_gpass", dir / "missing"});
    EXPECT_EQ(bench.exchange("GET /" + std::string(8999, 'u') + " HTTP/1.1\r\n\r\n").reply, canned(404, "Not Found"));
    EXPECT_EQ(bench.exchange("GET /" + std::string(9000, 'u') + " HTTP/1.1\r\n\r\n").reply,
              canned(400, "URI is too long"));
}

// What the page of a request sees: path, query, file path and environment.
struct Seen {
    std::string uri;
    std::string query;
    std::string filePath;
    std::string method;
    std::string lowerCaseName;
    int major = -1;
    int minor = -1;
};

std::string orNone(const char* text) { return text ? text : "(null)"; }

TEST(HttpdRequest, TargetsDecodedAndJoinedToTheRoot) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        const char* target;
        std::string uri;
        std::string query;
        std::string filePath;
    };
    const std::vector<std::string> none;
    const std::vector<std::string> alias{"-aliases", "/x=/srv/x,/d/=/srv/d/,/x=/second"};
    const Case cases[] = {
        {"dots after a slash go", none, "/%2e%2e/secret", "/secret", "(null)", "./secret"},
        {"the query is split at the first '?'", none, "/a?b=1?c", "/a", "b=1?c", "./a"},
        {"the query stays raw", none, "/a%20b?x=%20+", "/a b", "x=%20+", "./a b"},
        {"an empty query", none, "/x?", "/x", "", "./x"},
        {"'..' after a slash", none, "/a/../b", "/a/b", "(null)", "./a/b"},
        {"double slashes", none, "/a//b", "/a/b", "(null)", "./a/b"},
        {"a leading dot", none, "/.x", "/x", "(null)", "./x"},
        {"dots inside a name stay", none, "/a.b", "/a.b", "(null)", "./a.b"},
        {"two dots inside a name stay", none, "/a..b", "/a..b", "(null)", "./a..b"},
        {"backslashes and dots after them go", none, "/%5c..%5cetc/x", "/etc/x", "(null)", "./etc/x"},
        {"'+' is a blank", none, "/a+b", "/a b", "(null)", "./a b"},
        {"an alias maps its directory", alias, "/x/y", "/x/y", "(null)", "/srv/x/y"},
        {"an alias maps its own path", alias, "/x", "/x", "(null)", "/srv/x"},
        {"an alias ends at a path boundary", alias, "/x-y", "/x-y", "(null)", "./x-y"},
        {"a prefix ending in '/'", alias, "/d/y", "/d/y", "(null)", "/srv/d/y"},
        {"climbing stays inside the alias", alias, "/x/../../etc", "/x/etc", "(null)", "/srv/x/etc"},
    };
    for (const Case& k : cases) {
        Bench bench(k.options);
        Seen seen;
        bench.page("*", [&seen](page_request* req) {
            seen.uri = orNone(page_get_env(req, "REQUEST_URI"));
            seen.query = orNone(page_get_env(req, "QUERY_STRING"));
            seen.filePath = req->conn->file_path;
            req->flags |= PAGE_LAST;
        });
        bench.exchange(std::string("GET ") + k.target + " HTTP/1.1\r\n\r\n");
        EXPECT_EQ(seen.uri, k.uri) << k.name;
        EXPECT_EQ(seen.query, k.query) << k.name;
        EXPECT_EQ(seen.filePath, k.filePath) << k.name;
    }
}

TEST(HttpdRequest, PageEnvironment) {
    Bench bench;
    std::vector<std::string> values;
    int major = -1, minor = -1;
    bench.page("/env*", [&](page_request* req) {
        for (const char* name : {"REQUEST_METHOD", "REQUEST_URI", "QUERY_STRING", "REMOTE_USER", "REMOTE_ADDR",
                                 "request_method", "PATH"})
            values.push_back(orNone(page_get_env(req, name)));
        page_get_http_version(req, &major, &minor);
        req->flags |= PAGE_LAST;
    });
    bench.exchange("POST /env/a%41?q=1 HTTP/1.0\r\n\r\n");
    // A socket pair has no IPv4 peer.
    EXPECT_EQ(values, (std::vector<std::string>{"POST", "/env/aA", "q=1", "(null)", "0.0.0.0", "(null)", "(null)"}));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
}

TEST(HttpdRequest, PageGetHeader) {
    Bench bench;
    std::vector<std::string> values;
    bench.page("/h", [&](page_request* req) {
        for (const char* name : {"Host", "host", "Cookie", "Missing", "Bare", "X-Lf", "Cookie"})
            values.push_back(orNone(page_get_header(req, name)));
        req->flags |= PAGE_LAST;
    });
    bench.exchange("GET /h HTTP/1.1\r\nHost: example\r\nCookie2: a=1\r\nCookie: b=2\r\nBare\r\nX-Lf:  v\n\r\n");
    EXPECT_EQ(values, (std::vector<std::string>{
                          "example", "example",
                          " a=1",      // a prefix match: "Cookie" takes the "Cookie2:" line
                          "(null)", "",  // a line too short for its value gives the empty text
                          " v",        // further leading blanks stay
                          " a=1",      // the lines cut by the first call read the same again
                      }));
}

TEST(HttpdRequest, NotFoundReplyAndKeepAlive) {
    Bench bench;
    const std::string notFound = canned(404, "Not Found");
    EXPECT_EQ(notFound, "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: 404\r\n");

    // Two pipelined requests: two replies, and the connection stays for a third.
    int fd = bench.connect();
    Bench::Exchange e = bench.exchange(fd, "GET /a HTTP/1.1\r\n\r\nGET /b HTTP/1.1\r\n\r\n", 2 * notFound.size());
    EXPECT_EQ(e.reply, notFound + notFound);
    EXPECT_FALSE(e.ended);
    e = bench.exchange(fd, "GET /c HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(e.reply, notFound);
    EXPECT_TRUE(e.ended);

    // A request split over several sends after a kept-alive one.
    fd = bench.connect();
    EXPECT_EQ(bench.exchange(fd, "GET /a HTTP/1.1\r\n\r\nGET /b HT").reply, notFound);
    EXPECT_EQ(bench.exchange(fd, "TP/1.1\r\n\r\n").reply, notFound);
    EXPECT_EQ(bench.connections(), 1);
}

TEST(HttpdRequest, LongRunOfPipelinedRequests) {
    Bench bench;
    const int n = 3000;
    std::string requests;
    for (int i = 0; i < n; ++i) requests += "GET /" + std::to_string(i) + " HTTP/1.1\n\n";
    const std::string notFound = canned(404, "Not Found");
    Bench::Exchange e = bench.exchange(requests, n * notFound.size());
    EXPECT_EQ(e.reply.size(), n * notFound.size());
    EXPECT_EQ(e.reply.substr(0, notFound.size()), notFound);
    EXPECT_FALSE(e.ended);
}

TEST(HttpdRequest, UnreadBodyIsNeverARequest) {
    Bench bench;
    std::vector<std::string> paths;
    bench.page("/y", [&](page_request* req) {
        paths.push_back(page_get_env(req, "REQUEST_URI"));
        req->flags |= PAGE_LAST;
    });
    Bench::Exchange e = bench.exchange("POST /x HTTP/1.1\r\nContent-Length: 19\r\n\r\nGET /y HTTP/1.1\r\n\r\n");
    EXPECT_EQ(e.reply, canned(404, "Not Found"));
    EXPECT_TRUE(e.ended);
    EXPECT_TRUE(paths.empty());
}

TEST(HttpdRequest, BodyLargerThanTheBufferIsRefusedBeforeThePage) {
    struct Case {
        const char* name;
        uint64_t length;
        bool refused;
    };
    const Case cases[] = {
        {"one byte more than the buffer", 1048577, true},
        {"two million bytes", 2000000, true},
        {"exactly the buffer", 1048576, false},
    };
    for (const Case& k : cases) {
        Bench bench;
        int calls = 0;
        bench.page("/p", [&calls](page_request* req) {
            ++calls;
            page_printf(req, "HTTP/1.1 200 OK\r\n\r\n");
            req->flags |= PAGE_LAST;
        });
        Bench::Exchange e =
            bench.exchange("POST /p HTTP/1.1\r\nContent-Length: " + std::to_string(k.length) + "\r\n\r\n");
        if (k.refused) {
            EXPECT_EQ(e.reply, canned(413, "Request Entity Too Large")) << k.name;
            EXPECT_EQ(calls, 0) << k.name;
        } else {
            EXPECT_EQ(e.reply, "HTTP/1.1 200 OK\r\n\r\n") << k.name;
            EXPECT_EQ(calls, 1) << k.name;
        }
        EXPECT_TRUE(e.ended) << k.name;
    }
}

TEST(HttpdRequest, ErrorPageReplacesTheCannedReply) {
    Bench bench;
    bench.errorPage(404, [](page_request* req) {
        page_printf(req, "HTTP/1.1 404 Gone Fishing\r\n\r\n%s", page_get_env(req, "REQUEST_URI"));
        req->flags |= PAGE_LAST;
    });
    Bench::Exchange e = bench.exchange("GET /missing HTTP/1.1\r\n\r\n");
    EXPECT_EQ(e.reply, "HTTP/1.1 404 Gone Fishing\r\n\r\n/missing");
    // A page's answer has no known length: the connection ends after it.
    EXPECT_TRUE(e.ended);
    // Other statuses keep the canned reply.
    EXPECT_EQ(bench.exchange("GET / HTTP/1.7\r\n\r\n").reply, canned(505, "HTTP version not supported"));
}

TEST(HttpdRequest, PageCallsAndBuffers) {
    Bench bench;
    struct Call {
        unsigned flags;
        std::string in;
        void* state;
    };
    std::vector<Call> calls;
    static int stateMark;
    bench.page("/p", [&calls](page_request* req) {
        calls.push_back({req->flags, std::string(req->in_buf, static_cast<size_t>(req->in_len)), req->state});
        req->state = &stateMark;
        if (req->flags & PAGE_MORE_INPUT) return;
        // Consumes two bytes at a time, answering with them.
        req->in_used = std::min(req->in_len, 2);
        req->out_used = req->in_used;
        std::memcpy(req->out_buf, req->in_buf, static_cast<size_t>(req->in_used));
        if (req->in_len <= 2) req->flags |= PAGE_LAST;
    });
    int fd = bench.connect();
    bench.exchange(fd, "POST /p HTTP/1.1\r\nContent-Length: 5\r\n\r\nab");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().state, nullptr);
    EXPECT_EQ(calls.front().flags, unsigned(PAGE_MORE_INPUT));
    EXPECT_EQ(calls.back().in, "ab");
    EXPECT_EQ(calls.back().state, &stateMark) << "the state is kept between calls";
    calls.clear();
    Bench::Exchange e = bench.exchange(fd, "cde");
    EXPECT_EQ(e.reply, "abcde");
    EXPECT_TRUE(e.ended);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].flags, 0u);
    EXPECT_EQ(calls[0].in, "abcde");
    EXPECT_EQ(calls[calls.size() - 1].in, "e");
}

TEST(HttpdRequest, ConfigurationPageRefusesWithoutChange) {
    Bench bench({"-cfg_uri", "/cfg", "-acl", "+127.0.0.1"});
    ASSERT_EQ(bench.ctx->acl.size(), 1u);
    struct Case {
        const char* name;
        std::string body;
        std::string status;
        std::string shown;
    };
    const Case cases[] = {
        {"a post without o", "v=1", "HTTP/1.1 400 Bad Request", "no such option: []"},
        {"an unknown option", "o=nosuch&v=1", "HTTP/1.1 400 Bad Request", "no such option: [nosuch]"},
        {"a value the setter refuses", "o=acl&v=%2B1.2.3.4%2F40", "HTTP/1.1 400 Bad Request",
         "bad subnet mask: 40 [+1.2.3.4/40]"},
        {"a good value", "o=acl&v=-10.0.0.0%2F8", "HTTP/1.1 200 OK", "Saved: acl=-10.0.0.0/8"},
    };
    testutil::StderrCapture err;
    for (const Case& k : cases) {
        const std::string before = option_value(bench.ctx, OPT_ACL);
        Bench::Exchange e = bench.exchange("POST /cfg HTTP/1.1\r\nContent-Length: " + std::to_string(k.body.size()) +
                                           "\r\n\r\n" + k.body);
        EXPECT_EQ(e.reply.substr(0, k.status.size()), k.status) << k.name;
        EXPECT_NE(e.reply.find(k.shown), std::string::npos) << k.name << ": " << e.reply;
        if (k.status != "HTTP/1.1 200 OK") {
            EXPECT_EQ(option_value(bench.ctx, OPT_ACL), before) << k.name;
            ASSERT_EQ(bench.ctx->acl.size(), 1u) << k.name;
            EXPECT_EQ(bench.ctx->acl[0].address, 0x7f000001u) << k.name;
        }
    }
    EXPECT_STREQ(option_value(bench.ctx, OPT_ACL), "-10.0.0.0/8");
    ASSERT_EQ(bench.ctx->acl.size(), 1u);
    EXPECT_EQ(bench.ctx->acl[0].flag, '-');
}

}  // namespace
