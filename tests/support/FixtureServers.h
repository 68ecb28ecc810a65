#ifndef VN_TESTS_SUPPORT_FIXTURESERVERS_H
#define VN_TESTS_SUPPORT_FIXTURESERVERS_H

#include <string>
#include <vector>

#include "support/TestUtil.h"

// Servers on 127.0.0.1, each on a port the OS chose, so they need no sandbox and tests may run
// in parallel. Each is killed when its object goes.
namespace testutil {

// The system's python3, which has Debian's modules, rather than whatever PATH finds first.
std::string systemPython();

// A port on 127.0.0.1 that nobody listens on: bound and released again.
int unusedPort();

// tests/fixtures/httpd.py serving `root`; see that file for the special paths ("/_/...").
class HttpServer {
public:
    // `options`: more arguments for the script, such as {"--user", "u", "--password", "p"}.
    explicit HttpServer(const std::string& root, const std::vector<std::string>& options = {});
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const { return portNumber; }
    // "http://127.0.0.1:<port>/" + path
    std::string url(const std::string& path = std::string()) const;
    // Every request line that reached the server so far, in order ("GET /a HTTP/1.1"; with
    // " via=..." when it came through a proxy).
    std::vector<std::string> requests() const;

private:
    TempDir dir;
    Background process;
    int portNumber;
};

// tests/fixtures/ftpd.py: anonymous, read-only FTP of `root`.
class FtpServer {
public:
    explicit FtpServer(const std::string& root);
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int port() const { return portNumber; }
    // "ftp://127.0.0.1:<port>/" + path
    std::string url(const std::string& path = std::string()) const;

private:
    Background process;
    int portNumber;
};

// tinyproxy in the foreground, asking for Basic proxy authentication with these credentials.
class HttpProxy {
public:
    HttpProxy(const std::string& user, const std::string& password);
    HttpProxy(const HttpProxy&) = delete;
    HttpProxy& operator=(const HttpProxy&) = delete;

    int port() const { return portNumber; }

private:
    TempDir dir;
    int portNumber;
    Background process;
};

}  // namespace testutil

#endif
