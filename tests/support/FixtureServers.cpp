#include "FixtureServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testutil {

namespace {

int readPortLine(Background& process, const char* what) {
    std::string line = process.readLine();
    if (line.compare(0, 5, "port ") != 0)
        throw std::runtime_error(std::string(what) + " did not start: '" + line + "'");
    return std::stoi(line.substr(5));
}

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool accepts(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in a = loopback(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

std::string fixture(const char* name) { return std::string(VN_FIXTURES_DIR) + "/" + name; }

std::vector<std::string> httpdArgv(const std::string& log, const std::string& root,
                                   const std::vector<std::string>& options) {
    std::vector<std::string> argv{systemPython(), fixture("httpd.py"), "--log", log};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(root);
    return argv;
}

// Writes the configuration first; tinyproxy cannot be told to pick a port itself.
std::vector<std::string> tinyproxyArgv(const std::string& conf, int port, const std::string& user,
                                       const std::string& password) {
    std::ostringstream c;
    c << "User nobody\nGroup nogroup\nPort " << port << "\nListen 127.0.0.1\nTimeout 30\n"
      << "LogLevel Critical\nMaxClients 16\nBasicAuth " << user << " " << password << "\n";
    writeFile(conf, c.str());
    return {"/usr/bin/tinyproxy", "-d", "-c", conf};
}

}  // namespace

std::string systemPython() {
    return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

int unusedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    ::close(fd);
    return ntohs(a.sin_port);
}

HttpServer::HttpServer(const std::string& root, const std::vector<std::string>& options)
    : process(httpdArgv(dir / "requests.log", root, options)),
      portNumber(readPortLine(process, "httpd.py")) {}

std::string HttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(portNumber) + "/" + path;
}

std::vector<std::string> HttpServer::requests() const {
    std::vector<std::string> lines;
    std::istringstream in(readFile(dir / "requests.log"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

FtpServer::FtpServer(const std::string& root)
    : process({systemPython(), fixture("ftpd.py"), root}), portNumber(readPortLine(process, "ftpd.py")) {}

std::string FtpServer::url(const std::string& path) const {
    return "ftp://127.0.0.1:" + std::to_string(portNumber) + "/" + path;
}

HttpProxy::HttpProxy(const std::string& user, const std::string& password)
    : portNumber(unusedPort()), process(tinyproxyArgv(dir / "tinyproxy.conf", portNumber, user, password)) {
    for (int i = 0; i < 500; ++i) {
        if (accepts(portNumber)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("tinyproxy did not start listening on port " + std::to_string(portNumber));
}

}  // namespace testutil
