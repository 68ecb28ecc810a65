#include "support/RawHttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace rawhttp {

int connectTcp(const std::string& address, int port, const std::string& from) {
    const bool v6 = address.find(':') != std::string::npos;
    int s = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) throw std::runtime_error("socket failed");
    if (!from.empty()) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, from.c_str(), &a.sin_addr);
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(s);
            throw std::runtime_error("bind failed");
        }
    }
    int r;
    if (v6) {
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET6, address.c_str(), &a.sin6_addr);
        r = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
        r = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (r != 0) {
        const int e = errno;
        ::close(s);
        throw std::runtime_error("connect failed: " + std::string(std::strerror(e)));
    }
    return s;
}

ReadResult readFor(int fd, double seconds, size_t limit) {
    ReadResult r;
    std::vector<char> buf(65536);
    while (r.data.size() < limit) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(seconds * 1000));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        ssize_t n = ::recv(fd, buf.data(), std::min(buf.size(), limit - r.data.size()), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            r.eof = true;
            break;
        }
        r.data.append(buf.data(), static_cast<size_t>(n));
    }
    return r;
}

RawHttpClient::RawHttpClient(const std::string& address, int port) : sock(connectTcp(address, port)) {}

RawHttpClient::RawHttpClient(int fd) : sock(fd) {}

RawHttpClient::~RawHttpClient() { close(); }

void RawHttpClient::send(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(sock, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{sock, POLLOUT, 0};
            if (::poll(&p, 1, 10000) <= 0) throw std::runtime_error("send timed out");
            continue;
        }
        if (n <= 0) throw std::runtime_error("send failed: " + std::string(std::strerror(errno)));
        sent += static_cast<size_t>(n);
    }
}

std::string RawHttpClient::readToClose(double seconds) {
    std::string out;
    out.swap(unread);
    if (ended) return out;
    ReadResult r = readFor(sock, seconds);
    ended = r.eof;
    return out + r.data;
}

std::string RawHttpClient::readBytes(size_t n, double seconds) {
    std::string out;
    out.swap(unread);
    if (out.size() > n) {
        unread = out.substr(n);
        out.resize(n);
    }
    if (out.size() < n && !ended) {
        ReadResult r = readFor(sock, seconds, n - out.size());
        ended = r.eof;
        out += r.data;
    }
    return out;
}

std::string RawHttpClient::readUntil(const std::string& marker, double seconds) {
    std::string out;
    out.swap(unread);
    for (;;) {
        const size_t at = out.find(marker);
        if (at != std::string::npos) {
            unread = out.substr(at + marker.size());
            out.resize(at + marker.size());
            return out;
        }
        if (ended) return out;
        pollfd p{sock, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(seconds * 1000)) <= 0) return out;
        char buf[65536];
        ssize_t n = ::recv(sock, buf, sizeof buf, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            ended = true;
            return out;
        }
        out.append(buf, static_cast<size_t>(n));
    }
}

bool RawHttpClient::quietFor(int ms) {
    if (!unread.empty() || ended) return false;
    pollfd p{sock, POLLIN, 0};
    return ::poll(&p, 1, ms) == 0;
}

void RawHttpClient::close() {
    if (sock >= 0) ::close(sock);
    sock = -1;
}

bool waitUntilListening(const std::string& address, int port, int attempts) {
    for (int i = 0; i < attempts; ++i) {
        try {
            RawHttpClient probe(address, port);
            return true;
        } catch (const std::exception&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return false;
}

}  // namespace rawhttp
