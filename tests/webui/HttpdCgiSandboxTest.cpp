// CGI scripts of the embedded HTTP server: the environment a script is executed with (seen by a
// script that prints /proc/self/environ), request bodies passed through, the reply head made
// from the script's header block, the limits of the environment, and the start of the script
// process (blocking standard streams, default signals, failures logged once, no zombies),
// against prog_httpd serving a copy of tests/fixtures/httpd/root. Runs inside the namespace
// helper: fixed ports.
#include <arpa/inet.h>
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/RawHttpClient.h"
#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"
#include "webui/httpd/cgi.h"

namespace {

using httpdtest::curl;
using httpdtest::FixtureRoot;
using httpdtest::ProgServer;
using rawhttp::RawHttpClient;

const std::string base = "http://127.0.0.1:8080";

std::string canned(int status, const std::string& reason) {
    char code[8];
    std::snprintf(code, sizeof code, "%03d", status);
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: 12\r\n\r\nError: " + code + "\r\n";
}

// The whole answer to a request sent with "Connection: close" after the extra header lines.
std::string ask(const std::string& target, const std::string& headers = "", int port = 8080) {
    RawHttpClient client("127.0.0.1", port);
    client.send("GET " + target + " HTTP/1.1\r\nHost: x\r\n" + headers + "Connection: close\r\n\r\n");
    return client.readToClose();
}

// The body behind the head, whose end the script writes as "\r\n\r\n" or "\n\n".
std::string bodyOf(const std::string& reply) {
    const size_t crlf = reply.find("\r\n\r\n");
    const size_t lf = reply.find("\n\n");
    if (lf != std::string::npos && (crlf == std::string::npos || lf < crlf)) return reply.substr(lf + 2);
    return crlf == std::string::npos ? std::string() : reply.substr(crlf + 4);
}

// The variables env.cgi printed in its reply body, in order (its last line is the body it read).
std::vector<std::string> variablesIn(const std::string& body) {
    std::vector<std::string> lines = testutil::splitLines(body);
    if (!lines.empty() && lines.back().compare(0, 5, "body=") == 0) lines.pop_back();
    return lines;
}

std::vector<std::string> variablesOf(const std::string& reply) { return variablesIn(bodyOf(reply)); }

std::string valueOf(const std::vector<std::string>& variables, const std::string& name) {
    for (const std::string& v : variables)
        if (v.compare(0, name.size() + 1, name + "=") == 0) return v.substr(name.size() + 1);
    return "(absent)";
}

int localPortOf(int fd) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    return ntohs(sa.sin_port);
}

// Lines of `text` that contain `part`.
int countLines(const std::string& text, const std::string& part) {
    int n = 0;
    for (const std::string& line : testutil::splitLines(text))
        if (line.find(part) != std::string::npos) ++n;
    return n;
}

// Children of `pid` that have ended but were not collected.
std::vector<int> zombieChildren(int pid) {
    std::vector<int> zombies;
    DIR* proc = ::opendir("/proc");
    if (!proc) return zombies;
    while (dirent* e = ::readdir(proc)) {
        const int child = std::atoi(e->d_name);
        if (child <= 0) continue;
        std::ifstream stat("/proc/" + std::string(e->d_name) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        if (parent == pid && state == 'Z') zombies.push_back(child);
    }
    ::closedir(proc);
    return zombies;
}

TEST(HttpdCgi, EnvironmentInItsOrder) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path(), "-cgi_env", "EXTRA_ONE=1, EXTRA_TWO=2"},
                      {{"PERLLIB", "/perl/lib"}});
    ASSERT_TRUE(server.ready);
    RawHttpClient client("127.0.0.1", 8080);
    client.send("GET /cgi-bin/env.cgi?a=1 HTTP/1.1\r\nHost: x\r\nUser-Agent: raw-client\r\nCookie: s=1\r\n"
                "x-custom-name: v\r\nConnection: close\r\n\r\n");
    const std::string reply = client.readToClose();

    std::vector<std::string> expected = {
        "GATEWAY_INTERFACE=CGI/1.1",
        "SERVER_PROTOCOL=HTTP/1.1",
        "REDIRECT_STATUS=200",
        "SERVER_PORT=8080",
        "SERVER_NAME=localhost",
        "SERVER_ROOT=" + root.path(),
        "DOCUMENT_ROOT=" + root.path(),
        "REQUEST_METHOD=GET",
        "REMOTE_ADDR=127.0.0.1",
        "REMOTE_PORT=" + std::to_string(localPortOf(client.fd())),
        "REQUEST_URI=/cgi-bin/env.cgi",
        "SCRIPT_NAME=/cgi-bin/env.cgi",
        "SCRIPT_FILENAME=env.cgi",
        "PATH_TRANSLATED=" + root.path() + "/cgi-bin/env.cgi",
        "QUERY_STRING=a=1",
        std::string("PATH=") + std::getenv("PATH"),
    };
    if (const char* libraries = std::getenv("LD_LIBRARY_PATH")) expected.push_back(std::string("LD_LIBRARY_PATH=") + libraries);
    for (const char* line : {"PERLLIB=/perl/lib", "EXTRA_ONE=1", "EXTRA_TWO=2", "HTTP_HOST=x", "HTTP_USER_AGENT=raw-client",
                             "HTTP_COOKIE=s=1", "HTTP_X_CUSTOM_NAME=v", "HTTP_CONNECTION=close"})
        expected.push_back(line);
    std::string body;
    for (const std::string& line : expected) body += line + "\n";
    EXPECT_EQ(reply, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body + "body=\n");
}

TEST(HttpdCgi, PostBodyAndAuthenticatedUser) {
    FixtureRoot root;
    httpdtest::writePasswords(root.beside("passwords"), {{"alice", "localhost", "secret"}});
    ProgServer server({"-ports", "8080", "-root", root.path(), "-auth_gpass", root.beside("passwords")});
    ASSERT_TRUE(server.ready);

    const std::string out = curl({"--digest", "-u", "alice:secret", "--data", "abcdefghijk", base + "/cgi-bin/env.cgi"});
    const std::vector<std::string> vars = variablesIn(out.substr(0, out.rfind('\n')));
    EXPECT_EQ(out.substr(out.rfind('\n') + 1), "200");
    EXPECT_EQ(valueOf(vars, "REQUEST_METHOD"), "POST");
    EXPECT_EQ(valueOf(vars, "CONTENT_TYPE"), "application/x-www-form-urlencoded");
    EXPECT_EQ(valueOf(vars, "CONTENT_LENGTH"), "11");
    EXPECT_EQ(valueOf(vars, "REMOTE_USER"), "alice");
    EXPECT_EQ(valueOf(vars, "AUTH_TYPE"), "Digest");
    // No header is kept from the script by name.
    EXPECT_EQ(valueOf(vars, "HTTP_AUTHORIZATION").compare(0, 16, "Digest username="), 0);
    // The script read exactly the 11 bytes announced.
    EXPECT_NE(out.find("\nbody=abcdefghijk\n"), std::string::npos) << out;
    // Conditional variables keep their places: after the fixed ones, before the headers.
    std::vector<std::string> names;
    for (const std::string& v : vars) names.push_back(v.substr(0, v.find('=')));
    const auto at = [&](const std::string& name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    EXPECT_LT(at("PATH_TRANSLATED"), at("CONTENT_TYPE"));
    EXPECT_LT(at("CONTENT_TYPE"), at("CONTENT_LENGTH"));
    EXPECT_LT(at("CONTENT_LENGTH"), at("PATH"));
    EXPECT_LT(at("PATH"), at("REMOTE_USER"));
    EXPECT_EQ(at("REMOTE_USER") + 1, at("AUTH_TYPE"));
    EXPECT_LT(at("AUTH_TYPE"), at("HTTP_HOST"));
}

// A script's standard input and output block: the old non-blocking socket made `head` fail
// with EAGAIN halfway through a large body, and big outputs break off the same way.
TEST(HttpdCgi, LargeBodiesPassWhole) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);

    std::string upload(2 * 1024 * 1024, '\0');
    for (size_t i = 0; i < upload.size(); ++i) upload[i] = httpdtest::patternByte(i);
    testutil::writeFile(root.beside("upload"), upload);
    const std::string echoed = curl({"--data-binary", "@" + root.beside("upload"), "-H",
                                     "Content-Type: application/octet-stream", base + "/cgi-bin/cat.cgi"});
    EXPECT_EQ(echoed.substr(echoed.rfind('\n') + 1), "200");
    EXPECT_EQ(echoed.size(), upload.size() + 4);
    EXPECT_TRUE(echoed.compare(0, upload.size(), upload) == 0) << "the body came back changed";

    std::string expected;
    while (expected.size() < 3145728) expected += "0123456789abcde\n";
    expected.resize(3145728);
    const std::string big = bodyOf(ask("/cgi-bin/big.cgi"));
    EXPECT_EQ(big.size(), expected.size());
    EXPECT_TRUE(big == expected) << "the output came back changed";
}

TEST(HttpdCgi, ReplyHeadFromTheScript) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path(), "-error_log", root.beside("error.log")});
    ASSERT_TRUE(server.ready);
    struct Case {
        const char* target;
        std::string reply;
    };
    const Case cases[] = {
        // The reason stays "OK" whatever the status; the script's lines pass unchanged.
        {"/cgi-bin/status.cgi", "HTTP/1.1 404 OK\r\nStatus: 404 Not Found\n\nbody"},
        {"/cgi-bin/location.cgi", "HTTP/1.1 302 OK\r\nLocation: /elsewhere\n\n"},
        {"/cgi-bin/silent.cgi", canned(500, "Error running CGI")},
        {"/cgi-bin/badheader.cgi", canned(500, "Bad headers sent")},
        // A directory whose only index file is a script runs it.
        {"/scripts/", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\n\nindex script ran"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(ask(k.target), k.reply) << k.target;
    }
    // Extra path information behind the script.
    const std::vector<std::string> vars = variablesOf(ask("/cgi-bin/env.cgi/extra/part"));
    EXPECT_EQ(valueOf(vars, "PATH_INFO"), "/extra/part");
    EXPECT_EQ(valueOf(vars, "SCRIPT_NAME"), "/cgi-bin/env.cgi");
    EXPECT_EQ(valueOf(vars, "REQUEST_URI"), "/cgi-bin/env.cgi/extra/part");
    EXPECT_NE(testutil::readFile(root.beside("error.log"))
                  .find("\"GET /cgi-bin/badheader.cgi HTTP/1.1\" CGI script sent invalid headers: [X-Bad: a\x01"
                        "b\n"),
              std::string::npos);
}

// A registered error page answers a failed script in its place; it used to be closed at once
// as if it were the script's ended output.
TEST(HttpdCgi, ErrorPageAnswersAFailedScript) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path(), "--error-page", "500"});
    ASSERT_TRUE(server.ready);
    for (const char* target : {"/cgi-bin/silent.cgi", "/cgi-bin/badheader.cgi"})
        EXPECT_EQ(ask(target), std::string("HTTP/1.1 500 Custom\r\nContent-Type: text/plain\r\n\r\ncustom error page for ") +
                                   target + "\n");
}

TEST(HttpdCgi, ManyHeadersStopAtTheVariableLimit) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    std::string headers;
    for (int i = 10; i < 70; ++i) headers += "X-Header-" + std::to_string(i) + ": value " + std::to_string(i) + "\r\n";
    const std::vector<std::string> vars = variablesOf(ask("/cgi-bin/env.cgi", headers));
    ASSERT_EQ(vars.size(), static_cast<size_t>(vnhttpd::ENV_MAX_VARS));
    // The first header lines in their order fill what is left; the rest are left out.
    size_t first = 0;
    while (first < vars.size() && vars[first].compare(0, 9, "HTTP_HOST") != 0) ++first;
    ASSERT_LT(first, vars.size());
    for (size_t i = first + 1; i < vars.size(); ++i) {
        const int n = static_cast<int>(i - first - 1) + 10;
        EXPECT_EQ(vars[i], "HTTP_X_HEADER_" + std::to_string(n) + "=value " + std::to_string(n));
    }
    EXPECT_EQ(bodyOf(ask("/scripts/")), "index script ran");
}

// A Content-Length from the script makes the answer one of known length: the connection
// stays for the next request, and what the script writes beyond that length is not sent.
TEST(HttpdCgi, ScriptLengthKeepsTheConnection) {
    FixtureRoot root;
    testutil::writeFile(root / "cgi-bin/more.cgi", "#!/bin/sh\nprintf 'Content-Length: 5\\n\\nhello world'\n");
    ::chmod((root / "cgi-bin/more.cgi").c_str(), 0755);
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    for (const char* target : {"/cgi-bin/length.cgi", "/cgi-bin/more.cgi"}) {
        RawHttpClient client("127.0.0.1", 8080);
        for (int i = 0; i < 2; ++i) {
            client.send(std::string("GET ") + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
            EXPECT_EQ(client.readUntil("\n\n"), "HTTP/1.1 200 OK\r\nContent-Length: 5\n\n") << target << " " << i;
            EXPECT_EQ(client.readBytes(5), "hello") << target << " " << i;
        }
        EXPECT_TRUE(client.quietFor(200)) << target;
    }
}

// The server ignores SIGPIPE; a script must not inherit that (nor a blocked signal), or it
// would write on into a closed connection instead of ending.
TEST(HttpdCgi, ScriptStartsWithDefaultSignals) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    const std::string body = bodyOf(ask("/cgi-bin/signals.cgi"));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(body, m, std::regex("SigIgn:\\s*([0-9a-f]+)"))) << body;
    const unsigned long long ignored = std::stoull(m[1], nullptr, 16);
    EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << body;
    EXPECT_EQ(ignored & (1ull << (SIGCHLD - 1)), 0u) << body;
    ASSERT_TRUE(std::regex_search(body, m, std::regex("SigBlk:\\s*([0-9a-f]+)"))) << body;
    EXPECT_EQ(std::stoull(m[1], nullptr, 16), 0u) << body;
}

// The child that cannot execute the script writes one prepared line and ends without the
// server's exit work: the text left in the server's stdout buffer comes out once.
TEST(HttpdCgi, UnexecutableScriptIsReportedOnce) {
    FixtureRoot root;
    const std::string log = root.beside("error.log");
    ProgServer server({"-ports", "8080", "-root", root.path(), "-error_log", log, "--unflushed", "buffered-once"});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("/cgi-bin/noexec.cgi"), canned(500, "Error running CGI"));
    const std::string text = testutil::readFile(log);
    EXPECT_EQ(countLines(text, "redirect: exec("), 1) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("^\\[[A-Z][a-z]{2} [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}\\] "
                                                   "\\[error\\] \\[client 127\\.0\\.0\\.1\\] \"GET /cgi-bin/noexec\\.cgi "
                                                   "HTTP/1\\.1\" redirect: exec\\(" +
                                                   root.path() + "/cgi-bin/noexec\\.cgi\\)\n$")))
        << text;
    EXPECT_EQ(server.stop(SIGTERM), 0);
    EXPECT_EQ(server.readLine(), "buffered-once");
    EXPECT_EQ(server.readLine(), "");
}

TEST(HttpdCgi, Interpreter) {
    FixtureRoot root;
    const std::string log = root.beside("error.log");
    {
        // The interpreter runs the script by its name in the script's own directory.
        ProgServer server({"-ports", "8080", "-root", root.path(), "-cgi_interp", "/bin/sh"});
        ASSERT_TRUE(server.ready);
        EXPECT_EQ(ask("/cgi-bin/noexec.cgi"), "HTTP/1.1 200 OK\r\nContent-Type: text/plain\n\nran");
    }
    ProgServer server({"-ports", "8081", "-root", root.path(), "-cgi_interp", "/missing/interp", "-error_log", log});
    ASSERT_TRUE(server.ready);
    EXPECT_EQ(ask("/cgi-bin/silent.cgi", "", 8081), canned(500, "Error running CGI"));
    const std::string text = testutil::readFile(log);
    EXPECT_EQ(countLines(text, "redirect: exec(/missing/interp " + root.path() + "/cgi-bin/silent.cgi)"), 1) << text;
}

TEST(HttpdCgi, NoChildIsLeftBehind) {
    FixtureRoot root;
    ProgServer server({"-ports", "8080", "-root", root.path()});
    ASSERT_TRUE(server.ready);
    const char* targets[] = {"/cgi-bin/length.cgi", "/cgi-bin/silent.cgi", "/cgi-bin/status.cgi", "/exec.shtml",
                             "/cgi-bin/noexec.cgi"};
    for (int i = 0; i < 50; ++i) ask(targets[i % 5]);
    EXPECT_TRUE(httpdtest::waitFor([&] { return zombieChildren(server.pid()).empty(); }, 5))
        << zombieChildren(server.pid()).size() << " zombies";
}

struct EnvCase {
    const char* label;
    std::string pattern;
    bool added;
};

TEST(HttpdCgi, EnvironmentBounds) {
    vnhttpd::env_block block;
    // A variable must leave room for its zero byte and the block's final one.
    const std::string fits = "A=" + std::string(vnhttpd::ENV_TEXT_LIMIT - 3, 'a');
    vnhttpd::addenv(&block, "%s", (fits + "a").c_str());
    EXPECT_EQ(block.nvars, 0);
    EXPECT_EQ(block.len, 0u);
    vnhttpd::addenv(&block, "%s", fits.c_str());
    ASSERT_EQ(block.nvars, 1);
    EXPECT_EQ(block.len, vnhttpd::ENV_TEXT_LIMIT);
    vnhttpd::addenv(&block, "B=1");
    EXPECT_EQ(block.nvars, 1);

    vnhttpd::env_block many;
    vnhttpd::addenv(&many, "%s", "");
    EXPECT_EQ(many.nvars, 0);
    for (int i = 0; i < 70; ++i) vnhttpd::addenv(&many, "V%d=1", i);
    EXPECT_EQ(many.nvars, vnhttpd::ENV_MAX_VARS);
    EXPECT_STREQ(many.vars[61], "V61=1");
}

TEST(HttpdCgi, HeaderLinesAsVariables) {
    struct Case {
        std::string line;
        const char* variable;  // null: left out
    };
    const Case cases[] = {
        {"User-Agent: curl/8\r\n", "HTTP_USER_AGENT=curl/8"},
        {"x-lower-case: v\r\n", "HTTP_X_LOWER_CASE=v"},
        {"Authorization: Digest x\r\n", "HTTP_AUTHORIZATION=Digest x"},
        {":leading: colon\r\n", nullptr},
        {"A:\r\n", nullptr},
        {"NoColon\r\n", nullptr},
        {"B: \r\n", "HTTP_B="},
        // The value always starts two characters after the ':' (quirk: no blank, one lost).
        {"C:xy\r\n", "HTTP_C=y"},
        {"Long: " + std::string(4100, 'l') + "\r\n", nullptr},
        {"D: e\n", "HTTP_D=e"},
    };
    std::string request = "GET / HTTP/1.1\r\n";
    for (const Case& k : cases) request += k.line;
    request += "\r\n";
    vnhttpd::connection c;
    c.request = &request[0];
    c.request_len = request.size();
    request[request.find('\n')] = '\0';
    c.headers = &request[request.find('\0') + 1];
    vnhttpd::env_block block;
    vnhttpd::add_http_headers_to_env(&block, &c);
    std::vector<std::string> got(block.vars, block.vars + block.nvars);
    std::vector<std::string> expected;
    for (const Case& k : cases)
        if (k.variable) expected.push_back(k.variable);
    EXPECT_EQ(got, expected);
}

}  // namespace
