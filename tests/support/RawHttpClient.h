#ifndef VN_TESTS_SUPPORT_RAWHTTPCLIENT_H
#define VN_TESTS_SUPPORT_RAWHTTPCLIENT_H

// A client of raw bytes for HTTP servers under test: connect, send exactly what the test
// wrote, read with a time limit on every wait.
#include <cstddef>
#include <string>

namespace rawhttp {

// A TCP socket connected to `address` ("127.0.0.1", "::1") and `port`, bound to the IPv4
// address `from` first when one is given. Throws std::runtime_error when it cannot connect.
int connectTcp(const std::string& address, int port, const std::string& from = std::string());

struct ReadResult {
    std::string data;
    bool eof = false;  // the peer ended its data (or the connection failed)
};

// Reads from `fd` until end of data, an error, `limit` bytes, or `seconds` without a byte.
ReadResult readFor(int fd, double seconds, size_t limit = static_cast<size_t>(-1));

class RawHttpClient {
public:
    RawHttpClient(const std::string& address, int port);
    // Takes over a connected socket.
    explicit RawHttpClient(int fd);
    ~RawHttpClient();
    RawHttpClient(const RawHttpClient&) = delete;
    RawHttpClient& operator=(const RawHttpClient&) = delete;

    int fd() const { return sock; }
    // Sends every byte; throws when the connection refuses them.
    void send(const std::string& bytes);
    // Everything up to the end of the server's data; `seconds` is the limit of each wait.
    std::string readToClose(double seconds = 10);
    // Exactly `n` bytes, or fewer when the data ends or a wait passes `seconds`.
    std::string readBytes(size_t n, double seconds = 10);
    // Bytes up to and including the first `marker` (all that came when it never does).
    std::string readUntil(const std::string& marker, double seconds = 10);
    // Whether the server ended its data in one of the reads so far.
    bool closed() const { return ended; }
    // Nothing arrives, and the connection is not ended, for `ms` milliseconds.
    bool quietFor(int ms);
    // Closes the client's end.
    void close();

private:
    int sock;
    bool ended = false;
    std::string unread;  // bytes read past a marker
};

// Tries to connect to address:port every 20 ms, up to `attempts` times; true once one succeeds.
bool waitUntilListening(const std::string& address, int port, int attempts = 200);

}  // namespace rawhttp

#endif
