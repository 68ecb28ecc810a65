// Reading a status request from a connected stream socket (a socket pair here): to the end of
// the stream, at most the request limit, and what was read when the peer stalls or the read
// fails.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "reporting/StatusServer.h"
#include "support/TestUtil.h"

namespace {

class SocketPair {
public:
    SocketPair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    ~SocketPair() {
        closeClient();
        if (fds[0] >= 0) ::close(fds[0]);
    }
    int service() const { return fds[0]; }
    int clientEnd() const { return fds[1]; }
    void send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fds[1], bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void closeClient() {
        if (fds[1] >= 0) ::close(fds[1]);
        fds[1] = -1;
    }

private:
    int fds[2];
};

TEST(StatusRequest, ReadsToTheEndOfTheStream) {
    const std::string requests[] = {"", "<r/>", std::string(31, 'a'), std::string(32, 'b'), std::string(33, 'c'),
                                    std::string("<r/>\0tail", 9), std::string(5000, 'd')};
    for (const std::string& request : requests) {
        SocketPair pair;
        std::thread client([&] {
            pair.send(request);
            pair.closeClient();
        });
        EXPECT_EQ(readStatusRequest(pair.service()), request) << request.size() << " bytes";
        client.join();
    }
}

TEST(StatusRequest, StopsAtTheLimit) {
    SocketPair pair;
    std::string stream;
    for (int i = 0; stream.size() < 100 * 1024; ++i) stream += std::to_string(i) + ",";
    // The writer blocks once the pair's buffer is full; the reader's end closing frees it.
    std::thread client([&] { pair.send(stream); });
    const std::string request = readStatusRequest(pair.service());
    ::shutdown(pair.service(), SHUT_RDWR);
    client.join();
    EXPECT_EQ(request, stream.substr(0, statusRequestLimit));
}

TEST(StatusRequest, AFailedReadKeepsWhatCame) {
    SocketPair pair;
    struct timeval timeout = {0, 200 * 1000};
    ASSERT_EQ(::setsockopt(pair.service(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout), 0);
    pair.send("<r cookie=");
    testutil::StderrCapture err;
    EXPECT_EQ(readStatusRequest(pair.service()), "<r cookie=") << "a client that stalls";
    EXPECT_EQ(err.text(), "ERROR reading from socket: Resource temporarily unavailable\n");

    testutil::StderrCapture err2;
    EXPECT_EQ(readStatusRequest(-1), "");
    EXPECT_EQ(err2.text(), "ERROR reading from socket: Bad file descriptor\n");
}

}  // namespace
