// The agent channel over two plain pipes: the test plays the agent's side of both.
#include "installers/BxPacketGateImpl.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "installers/BxErrors.h"
#include "support/TestUtil.h"

namespace {

using namespace std::chrono_literals;

std::string nul(const std::string& text) { return text + std::string(1, '\0'); }

void writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// A channel whose far side the test holds: `agentOut` is where the agent would write its
// answers, `agentIn` where it would read the requests.
struct Link {
    Link() {
        int answers[2], requests[2];
        if (::pipe2(answers, O_CLOEXEC) != 0 || ::pipe2(requests, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        gate.reset(new bx::PacketGateImpl(answers[0], requests[1]));
        agentOut = answers[1];
        agentIn = requests[0];
    }
    ~Link() {
        if (writer.joinable()) writer.join();
        closeAgentOut();
        closeAgentIn();
    }
    void closeAgentOut() {
        if (agentOut >= 0) ::close(agentOut);
        agentOut = -1;
    }
    void closeAgentIn() {
        if (agentIn >= 0) ::close(agentIn);
        agentIn = -1;
    }
    // Writes the pieces from another thread, one write each, a little apart, then closes the
    // answer pipe when `close`.
    void answerInPieces(const std::vector<std::string>& pieces, bool close) {
        writer = std::thread([this, pieces, close] {
            for (const std::string& p : pieces) {
                writeAll(agentOut, p);
                std::this_thread::sleep_for(5ms);
            }
            if (close) closeAgentOut();
        });
    }
    std::string requestBytes() {
        closeAgentInWriter();
        std::string all;
        char buf[4096];
        for (ssize_t n; (n = ::read(agentIn, buf, sizeof buf)) > 0;) all.append(buf, static_cast<size_t>(n));
        return all;
    }
    // The channel's write end goes, so reading the requests ends.
    void closeAgentInWriter() {
        ::close(gate->writeFd);
        gate->writeFd = -1;
    }

    std::unique_ptr<bx::PacketGateImpl> gate;
    int agentOut = -1;
    int agentIn = -1;
    std::thread writer;
};

// The failure of `f` as "<class> <errorNumber> <what>".
template <class F>
std::string failure(F f) {
    try {
        f();
    } catch (const bx::OSError& e) {
        return "OSError " + std::to_string(e.errorNumber) + " " + e.what();
    } catch (const bx::IOError& e) {
        return "IOError " + std::to_string(e.errorNumber) + " " + e.what();
    }
    return "no failure";
}

std::vector<std::string> inPieces(const std::string& text, size_t size) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); i += size) out.push_back(text.substr(i, size));
    return out;
}

const std::string brokenPipe = "IOError 32 read: Broken pipe";

TEST(BxPacketGate, ReceiveTable) {
    const std::string packet =
        "<packet id=\"0\" version=\"3.0.3\"><data><system><version>4.0</version></system></data></packet>\n";
    struct Case {
        const char* what;
        std::vector<std::string> writes;  // each one write of the agent
        bool closeAfter;
        std::vector<std::string> packets;  // what receive returns, in order
        std::string lastFailure;           // of one more receive; "" when none is made
    } cases[] = {
        {"an answer in pieces of 30 bytes is one packet", inPieces(nul(packet), 30), false, {packet}, ""},
        {"two packets in one write: the second comes without a read (the pipe is closed by then)",
         {nul("first") + nul("second")}, true, {"first", "second"}, brokenPipe},
        {"a lone NUL is an empty packet", {nul("")}, false, {""}, ""},
        {"a NUL in a later piece ends the packet; what follows begins the next",
         {"abc", nul("def") + "gh", "i", nul("")}, false, {"abcdef", "ghi"}, ""},
        {"close in the middle of a packet", {"<packet id=\"1\""}, true, {}, brokenPipe},
        {"close before any byte", {}, true, {}, brokenPipe},
        {"the bytes of a packet that was cut stay; they are not a packet", {nul("whole") + "cut"}, true, {"whole"},
         brokenPipe},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Link link;
        link.answerInPieces(c.writes, c.closeAfter);
        // A closing agent has written everything before the first receive, so a receive that
        // read again after the last packet would meet the end of the stream.
        if (c.closeAfter) link.writer.join();
        for (const std::string& expected : c.packets) EXPECT_EQ(expected, link.gate->receive());
        if (!c.lastFailure.empty()) {
            if (link.writer.joinable()) link.writer.join();
            EXPECT_EQ(c.lastFailure, failure([&] { link.gate->receive(); }));
        }
    }
}

TEST(BxPacketGate, ReadsAtMostOneHundredBytesAndKeepsWhatFollowsTheNul) {
    Link link;
    writeAll(link.agentOut, nul(std::string(10, 'x')) + std::string(200, 'y'));
    EXPECT_EQ(std::string(10, 'x'), link.gate->receive());
    // One read of 100 bytes held the packet, its NUL and 89 bytes of the next one.
    EXPECT_EQ(std::string(89, 'y'), link.gate->buffer);
    writeAll(link.agentOut, nul(""));
    EXPECT_EQ(std::string(200, 'y'), link.gate->receive());
    EXPECT_EQ("", link.gate->buffer);
}

TEST(BxPacketGate, SendWritesThePacketAndItsNulInOneGo) {
    Link link;
    EXPECT_EQ(1, link.gate->send(""));
    EXPECT_EQ(4, link.gate->send("abc"));
    const std::string request = "<packet id=\"0\" version=\"3.0.3\"/>\n";
    EXPECT_EQ(static_cast<int>(request.size() + 1), link.gate->send(request));
    EXPECT_EQ(nul("") + nul("abc") + nul(request), link.requestBytes());
}

// The test program ignores the broken-pipe signal; the installer does not, so the child puts
// the default action back: a send to a gone reader must fail, not end the process.
TEST(BxPacketGate, SendToAGoneReaderFailsAndTheProcessLives) {
    const std::string result = testutil::inChild([] {
        ::signal(SIGPIPE, SIG_DFL);
        Link link;
        link.closeAgentIn();
        std::string out = failure([&] { link.gate->send("<packet/>\n"); });

        sigset_t mask, pending;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        sigpending(&pending);
        out += sigismember(&mask, SIGPIPE) ? " | still blocked" : " | unblocked";
        out += sigismember(&pending, SIGPIPE) ? " | pending" : " | none pending";
        return out;
    });
    EXPECT_EQ("IOError 32 write: Broken pipe | unblocked | none pending", result);
}

// A broken-pipe signal that was pending before the send is someone else's: it stays.
TEST(BxPacketGate, SendLeavesASignalPendingBeforeItAlone) {
    const std::string result = testutil::inChild([] {
        ::signal(SIGPIPE, SIG_DFL);
        sigset_t pipeSignal, pending;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        ::raise(SIGPIPE);
        Link link;
        link.closeAgentIn();
        std::string out = failure([&] { link.gate->send("x"); });
        sigpending(&pending);
        out += sigismember(&pending, SIGPIPE) ? " | pending" : " | none pending";
        // Taken here, so the child does not die of it on its way out.
        const struct timespec now = {0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now);
        return out;
    });
    EXPECT_EQ("IOError 32 write: Broken pipe | pending", result);
}

TEST(BxPacketGate, ReadAndWriteErrorsCarryTheSystemReason) {
    Link link;
    // Each descriptor used the wrong way round.
    std::swap(link.gate->readFd, link.gate->writeFd);
    EXPECT_EQ("IOError 9 read: Bad file descriptor", failure([&] { link.gate->receive(); }));
    EXPECT_EQ("IOError 9 write: Bad file descriptor", failure([&] { link.gate->send("x"); }));
    std::swap(link.gate->readFd, link.gate->writeFd);
}

TEST(BxPacketGate, AWaitWithALimitEndsInATimeout) {
    Link link;
    EXPECT_EQ("IOError 110 read: Connection timed out", failure([&] { link.gate->receive(50ms); }));
    // The limit counts for the whole packet, not for each piece.
    writeAll(link.agentOut, "<packet");
    link.answerInPieces({"<data", "/>", "</packet>"}, false);
    EXPECT_EQ("IOError 110 read: Connection timed out", failure([&] { link.gate->receive(1ms); }));
    link.writer.join();
    writeAll(link.agentOut, nul(""));
    EXPECT_EQ("<packet<data/></packet>", link.gate->receive(10s));
    // A packet already received is returned at once, whatever the limit.
    writeAll(link.agentOut, nul("a") + nul("b"));
    EXPECT_EQ("a", link.gate->receive(10s));
    EXPECT_EQ("b", link.gate->receive(0ms));
}

TEST(BxPacketGate, APacketLongerThanTheBoundIsRefusedAndSkipped) {
    const size_t bound = bx::PacketGateImpl::maxPacketSize;
    Link link;
    // Fewer turns between the two threads.
    ::fcntl(link.agentOut, F_SETPIPE_SZ, 1 << 20);
    std::thread agent([&] {
        writeAll(link.agentOut, nul(std::string(bound, 'a')));
        writeAll(link.agentOut, std::string(bound + 5000, 'c') + nul("d") + nul("next"));
    });
    EXPECT_EQ(bound, link.gate->receive().size());
    // Refused as soon as the bound is passed; the rest up to its NUL is dropped unkept.
    EXPECT_EQ("IOError 90 read: Message too long", failure([&] { link.gate->receive(); }));
    EXPECT_LT(link.gate->buffer.size(), bound);
    EXPECT_EQ("next", link.gate->receive());
    agent.join();
}

TEST(BxPacketGate, TheDestructorClosesBothDescriptors) {
    int answers[2], requests[2];
    ASSERT_EQ(0, ::pipe(answers));
    ASSERT_EQ(0, ::pipe(requests));
    delete new bx::PacketGateImpl(answers[0], requests[1]);
    EXPECT_EQ(-1, ::fcntl(answers[0], F_GETFD));
    EXPECT_EQ(-1, ::fcntl(requests[1], F_GETFD));
    ::close(answers[1]);
    ::close(requests[0]);
}

TEST(BxPacketGate, ErrorTexts) {
    struct Case {
        int number;
        const char* what;
    } cases[] = {{0, "open"}, {ENOENT, "open: No such file or directory"}, {EPIPE, "open: Broken pipe"}};
    for (const Case& c : cases) {
        const bx::OSError e("open", c.number);
        EXPECT_STREQ(c.what, e.what());
        EXPECT_EQ(c.number, e.errorNumber);
    }
    // Callers catch them as the channel's errors or as any standard exception.
    try {
        throw bx::IOError("write", EPIPE);
    } catch (const std::exception& e) {
        EXPECT_STREQ("write: Broken pipe", e.what());
        EXPECT_NE(nullptr, dynamic_cast<const bx::EnvironmentError*>(&e));
    }
}

}  // namespace
