// The status service as a client sees it: a service started by a single-threaded run
// (prog_status_server), a python client that sends raw bytes on port 10108, closes its sending
// side and compares the reply byte for byte; the record set through Progress in this process.
// Runs inside the namespace helper: the port, the shared segment and the lock file are private.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "common/Lock.h"
#include "common/LockProbe.h"
#include "common/Progress.h"
#include "reporting/StatusServer.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

const std::string parseError = "<error text=\"error parse request\" />";
const std::string missingCookie = "<error text=\"not specified secure cookie in request\" />";
const std::string wrongCookie = "<error text=\"secure cookie don't match\" />";
const std::string zeroed =
    "<progress><stage stage=\"0\" stage_n=\"0\" id=\"\" title=\"\" /><step step=\"0\" step_n=\"0\" id=\"\" title=\"\" />"
    "</progress>";
const std::string resolving =
    "<progress><stage stage=\"2\" stage_n=\"4\" id=\"resolv\" title=\"Resolving package\" />"
    "<step step=\"0\" step_n=\"3\" id=\"\" title=\"\" /></progress>";

const std::string client = std::string(VN_FIXTURES_DIR) + "/reporting/status_client.py";

bool within(int seconds, const std::function<bool()>& done) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// A connection to the port that is accepted (the backlog takes it once the service listens).
bool serviceAnswers() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(statusServicePort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool answered = false;
    if (::connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) == 0) {
        ::shutdown(fd, SHUT_WR);
        char buffer[256];
        answered = ::read(fd, buffer, sizeof buffer) > 0;
    }
    ::close(fd);
    return answered;
}

bool segmentExists() { return testutil::shell("ipcs -m").out.find("0x0004e7b0") != std::string::npos; }

// The reply bytes; "refused" when nobody listens.
std::string ask(const std::string& request, int pieces = 1) {
    // As hexadecimal digits: an argument cannot carry every byte.
    std::string hex;
    for (unsigned char c : request) {
        const char digits[] = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    const testutil::RunResult r =
        testutil::run({"/usr/bin/python3", client, "--pieces", std::to_string(pieces), "--hex", hex});
    if (r.status == 3) return "refused";
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

class StatusService : public testutil::EnglishTest {
protected:
    // A run with this cookie ("" for none) starts the service; the log of that run.
    std::string start(const std::string& cookie) {
        const std::string log = logDir / ("run" + std::to_string(++runs) + ".log");
        std::map<std::string, std::string> env{{"VANTRELL_STATUS_COOKIE", cookie.empty() ? testutil::unset : cookie}};
        const testutil::RunResult r = testutil::run({testutil::program("prog_status_server"), log}, env);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out, "returned\nno child left\n");
        return testutil::readFile(log);
    }
    void startServing(const std::string& cookie) {
        start(cookie);
        ASSERT_TRUE(within(20, serviceAnswers)) << "the status service does not answer";
    }
    static int servicePid() { return Lock::test(Lock::slotStatusService); }
    // The service has ended: slot 1 free, nobody on the port.
    static bool gone() { return lockprobe::fromOutside(1) == "free" && ask("<r/>") == "refused"; }

    testutil::TempDir logDir;
    int runs = 0;
};

struct Exchange {
    const char* label;
    std::function<void()> before;
    std::string request;
    int pieces;
    std::string reply;
};

template <size_t N>
void play(const Exchange (&exchanges)[N]) {
    for (const Exchange& e : exchanges) {
        e.before();
        EXPECT_EQ(ask(e.request, e.pieces), e.reply) << e.label;
    }
}

TEST_F(StatusService, RepliesByteForByte) {
    startServing("");
    const std::string padded = "<r cookie=\"c1\" pad=\"" + std::string(100 - 23, 'x') + "\"/>";
    ASSERT_EQ(padded.size(), 100u);
    const auto nothing = [] {};
    const Exchange withoutCookie[] = {
        {"empty request", nothing, "", 1, parseError},
        {"white space only", nothing, "   ", 1, parseError},
        {"text without markup", nothing, "status?", 1, parseError},
        {"unclosed element", nothing, "<r cookie=\"c1\"", 1, parseError},
        {"zeroed record", nothing, "<r/>", 1, zeroed},
        {"no cookie stored: a cookie in the request is ignored", nothing, "<r cookie=\"x\"/>", 1, zeroed},
        {"no cookie stored: a document without element", nothing, "<!-- none -->", 1, zeroed},
        {"after stage(2,3)", [] { Progress().stage(2, 3); }, "<r/>", 1, resolving},
        {"texts are escaped; a value with a double quote stands in single quotes",
         [] { Progress().step("s&1", "say \"hi\" <now>"); }, "<q/>", 1,
         "<progress><stage stage=\"2\" stage_n=\"4\" id=\"resolv\" title=\"Resolving package\" />"
         "<step step=\"1\" step_n=\"3\" id=\"s&amp;1\" title='say &quot;hi&quot; &lt;now&gt;' /></progress>"},
        {"the request ends at its first NUL", [] { Progress().stage(2, 3); }, std::string("<r/>\0junk", 9), 1,
         resolving},
    };
    play(withoutCookie);

    // A second run while the service lives: no second service, and the new cookie counts.
    const int pid = servicePid();
    ASSERT_NE(pid, 0);
    EXPECT_NE(start("c1").find("Server for reporting status is already running: pid=" + std::to_string(pid) + "\n"),
              std::string::npos);
    EXPECT_EQ(servicePid(), pid);
    const Exchange withCookie[] = {
        {"no cookie attribute", nothing, "<r/>", 1, missingCookie},
        {"another cookie", nothing, "<r cookie=\"x\"/>", 1, wrongCookie},
        {"a prefix of the cookie", nothing, "<r cookie=\"c\"/>", 1, wrongCookie},
        {"the cookie", nothing, "<r cookie=\"c1\"/>", 1, resolving},
        {"a cookie on a nested element counts as missing", nothing, "<r><s cookie=\"c1\"/></r>", 1, missingCookie},
        {"no element at all counts as missing", nothing, "<!-- none -->", 1, missingCookie},
        {"a malformed request is refused before the cookie", nothing, "<r cookie=\"c1\"", 1, parseError},
        {"100 bytes in 5 pieces are one request", nothing, padded, 5, resolving},
    };
    play(withCookie);

    start("c2");
    EXPECT_EQ(ask("<r cookie=\"c1\"/>"), wrongCookie) << "the old cookie is no longer good";
    EXPECT_EQ(ask("<r cookie=\"c2\"/>"), resolving);
}

TEST_F(StatusService, FinishedRecordEndsTheServiceAfterTheReply) {
    startServing("c1");
    const int pid = servicePid();
    Progress().fail("boom");
    EXPECT_EQ(ask("<r/>"), missingCookie);
    EXPECT_EQ(ask("<r cookie=\"no\"/>"), wrongCookie);
    EXPECT_EQ(servicePid(), pid) << "a request refused for its cookie never ends the service";
    EXPECT_EQ(ask("<r cookie=\"c1\"/>"),
              "<progress finished=\"true\" failed=\"true\"><error>boom</error>"
              "<stage stage=\"0\" stage_n=\"0\" id=\"\" title=\"\" /><step step=\"0\" step_n=\"0\" id=\"\" title=\"\" />"
              "</progress>");
    EXPECT_TRUE(within(30, gone)) << "the service still runs after a finished reply";
    EXPECT_FALSE(segmentExists()) << testutil::shell("ipcs -m").out;
}

TEST_F(StatusService, StopRequestEndsTheServiceAndRemovesTheSegment) {
    startServing("");
    Progress().stage(1, 2);
    ASSERT_TRUE(segmentExists());
    stopStatusServer();
    EXPECT_TRUE(within(30, gone));
    EXPECT_FALSE(segmentExists()) << testutil::shell("ipcs -m").out;
}

// kill -ALRM stands in for the clock. Each alarm re-arms the next one 60 s later, so at most
// the first real alarm (3 s after listening) mixes in, and that cannot make 20 into 22.
TEST_F(StatusService, TheTwentySecondAlarmEndsTheService) {
    startServing("");
    const int pid = servicePid();
    ASSERT_NE(pid, 0);
    for (int i = 1; i <= 20; ++i) {
        ASSERT_EQ(::kill(pid, SIGALRM), 0);
        // An answer after the signal shows that the service handled it and goes on.
        ASSERT_EQ(ask("<r/>"), zeroed) << "after alarm " << i;
    }
    // The 21st re-arms once more and the 22nd ends the service; with the real first alarm
    // mixed in, the 21st already does. Signals of one kind sent back to back may merge: a
    // request between them makes sure the first was handled.
    ::kill(pid, SIGALRM);
    ask("<r/>");
    ::kill(pid, SIGALRM);
    EXPECT_TRUE(within(30, gone)) << "the service outlived its last alarm";
    EXPECT_FALSE(segmentExists());
}

// A client that stops sending without closing its side is answered after the receive bound, a
// client that never stops is answered after the request limit; the clients queued behind them
// are served. Closing first leaves the port in TIME_WAIT, and the next service still binds.
TEST_F(StatusService, StalledAndEndlessClientsDoNotHoldTheService) {
    startServing("");
    testutil::Background stalled({"/usr/bin/python3", client, "--hold", "<r cookie="});
    ASSERT_EQ(stalled.readLine(), "sent");
    // Queued behind the stalled client until the service gives up on it.
    EXPECT_EQ(ask("<r/>"), zeroed);
    EXPECT_EQ(stalled.readLine(), parseError);

    const testutil::RunResult endless =
        testutil::run({"/usr/bin/python3", client, "--stream", std::to_string(64 << 20)});
    EXPECT_EQ(endless.status, 0) << endless.err;
    EXPECT_EQ(endless.out, parseError) << "one reply, to the first 64 KiB";
    EXPECT_NE(endless.err, "sent=" + std::to_string(64 << 20) + "\n") << "the service read the whole stream";
    EXPECT_EQ(ask("<r/>"), zeroed);

    // The service closed the stalled client's connection first: TIME_WAIT on port 10108.
    stopStatusServer();
    ASSERT_TRUE(within(30, gone));
    startServing("");
    EXPECT_EQ(ask("<r/>"), zeroed);
}

TEST_F(StatusService, PortTakenByAnotherProgramLeavesTheRunGoingOn) {
    testutil::Background other({"/usr/bin/python3", "-c",
                                "import socket, time\n"
                                "s = socket.socket()\n"
                                "s.bind(('0.0.0.0', 10108))\n"
                                "s.listen(5)\n"
                                "print('listening', flush=True)\n"
                                "time.sleep(3600)\n"});
    ASSERT_EQ(other.readLine(), "listening");
    const std::string log = start("");
    EXPECT_NE(log.find("Server for reporting status run OK: pid="), std::string::npos) << log;
    EXPECT_TRUE(within(30, [] { return lockprobe::fromOutside(1) == "free"; })) << "the service did not give up";
    EXPECT_EQ(::kill(other.pid(), 0), 0) << "the other program keeps its port";
}

// The status query of the real program over the same record, and its stop of the service.
TEST_F(StatusService, QueryStatusReportsTheRecordAndStopsAFinishedService) {
    const std::string notRunning = "\nCorvane Products Installer is not running.\n\n";
    const auto query = [] {
        return testutil::run({VN_VANTRELL_BIN, "--query-status"},
                             {{"LANG", "C"}, {"LC_ALL", testutil::unset}, {"VANTRELL_STATUS_COOKIE", testutil::unset}});
    };
    testutil::RunResult r = query();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, notRunning);

    startServing("");
    Progress().stage(2, 3);
    r = query();
    EXPECT_EQ(r.out, notRunning + "Overall progress: 2/4: - Resolving package\nCurrent step: 0/3: - \n");
    EXPECT_NE(servicePid(), 0) << "a running installation keeps its service";

    Progress().finish();
    r = query();
    EXPECT_EQ(r.out, notRunning + "Vantrell finished. \n\nOverall progress: 2/4: - Resolving package\n"
                                  "Current step: 0/3: - \n");
    EXPECT_TRUE(within(30, gone)) << "the finished record did not stop the service";
    EXPECT_FALSE(segmentExists());
}

}  // namespace
