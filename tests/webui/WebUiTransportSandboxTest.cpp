// The engine's socket at its fixed path, inside the namespace helper's own /tmp. The engine
// handle lives in the test process; its clients are python scripts that send chosen bytes
// (tests/fixtures/webui/transport_client.py) or forked children with a page handle.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "common/TerminationState.h"
#include "common/error.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "webui/BackendProtocol.h"
#include "webui/WebUiTransport.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

const std::string socketPath = "/tmp/vantrell_webui_socket";

// A page client in a python process, one connection, the given steps.
class Client {
public:
    explicit Client(const std::vector<std::string>& steps) : process(argv(steps)) {
        EXPECT_EQ(process.readLine(), "connected");
    }
    // Reads lines until `line`; false when output ends first.
    bool waitFor(const std::string& line) {
        for (;;) {
            const std::string got = process.readLine();
            if (got == line) return true;
            if (got.empty()) return false;
        }
    }
private:
    static std::vector<std::string> argv(const std::vector<std::string>& steps) {
        std::vector<std::string> all = {testutil::systemPython(),
                                        VN_FIXTURES_DIR "/webui/transport_client.py", socketPath};
        all.insert(all.end(), steps.begin(), steps.end());
        return all;
    }
    testutil::Background process;
};

class WebUiTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        WebUiTransport::tcp::setIdleTimeoutForTest(1);
        resetTermination();
    }
    void TearDown() override {
        WebUiTransport::tcp::setIdleTimeoutForTest(1800);
        resetTermination();
    }
    WebUiTransport::tcp& engineRep() { return dynamic_cast<WebUiTransport::tcp&>(*WebUiTransport::sharedRep); }

    testutil::TempDir dir;
    testutil::LogCapture log;
};

std::string okDocument() {
    BackendProtocol protocol;
    protocol.resetAnswer();
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    protocol.answer()->Accept(&printer);
    return printer.Str();
}

// The log form handed to the representation.
std::function<std::string()> shown(const std::string& text) {
    return [text] { return text; };
}

bool pathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> privateDirectoriesLeft() {
    std::vector<std::string> found;
    glob_t g;
    if (::glob("/tmp/vantrell_webui.*", 0, nullptr, &g) == 0)
        for (size_t i = 0; i < g.gl_pathc; ++i) found.push_back(g.gl_pathv[i]);
    ::globfree(&g);
    return found;
}

TEST(WebUiTransportCompleteness, LengthLineThenExactlyThatManyBytes) {
    struct Case {
        std::string received;
        bool complete;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"", false, "nothing yet"},
        {"5", false, "digits only"},
        {"5\n", false, "no body yet"},
        {"5\nabcd", false, "one byte short"},
        {"5\nabcde", true, "whole"},
        {"5\nabcdef", false, "more than announced never completes"},
        {"0\n", true, "an empty command"},
        {"0", false, "the separator has not arrived"},
        {" \t5\nabcde", true, "leading white space is skipped"},
        {"5xabcde", true, "any one character separates"},
        {"5\r\nabcde", false, "only one character is skipped: CR LF leaves a sixth byte"},
        {"x5\nabcde", false, "no number"},
        {"\nabc", false, "no number"},
        {"007\nabcdefg", true, "leading zeros"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WebUiTransport::tcp::isCommandComplete(c.received), c.complete) << c.why;
}

// Each command reaches the engine whole, however it was cut, and its answer comes back framed.
TEST_F(WebUiTransportTest, CommandsAreHandedOverWhole) {
    const std::string body100(100, 'q');
    struct Case {
        std::vector<std::string> steps;
        std::string command;
    };
    const std::vector<Case> cases = {
        {{"send:0\\n"}, ""},
        {{"pieces:1:100\\n" + body100}, body100},
        {{"send:10\\n<request/", "sleep:0.2", "send:>"}, "<request/>"},
        {{"pieces:3: 10 <request/>"}, "<request/>"},
        {{"send:4\\n\\x00\\xff\\n\\x01"}, std::string("\0\xff\n\x01", 4)},
    };
    WebUiTransport engine(1);
    for (const Case& c : cases) {
        std::vector<std::string> steps = c.steps;
        steps.push_back("read:" + dir / "answer");
        Client client(steps);
        ASSERT_TRUE(engine.waitCommand());
        EXPECT_EQ(engine.getCommand(), c.command);
        engineRep().sendAnswer("<ok/>", shown("<ok/>"));
        EXPECT_TRUE(client.waitFor("read 7"));
        EXPECT_EQ(testutil::readFile(dir / "answer"), "5\n<ok/>");
        EXPECT_EQ(engineRep().clientSocket, 0);
    }
}

TEST_F(WebUiTransportTest, TooSmallALengthNeverCompletesAndTheWaitTimesOut) {
    WebUiTransport engine(1);
    Client client({"send:3\\nabcdef", "sleep:5"});
    bool timedOut = false;
    try {
        engine.waitCommand();
    } catch (const WebUiTransport::timeout&) {
        timedOut = true;
    }
    EXPECT_TRUE(timedOut);
    EXPECT_LT(engineRep().wakeUps, 10u);
}

TEST_F(WebUiTransportTest, ASecondAnswerIsOnlyLogged) {
    WebUiTransport engine(1);
    Client client({"send:1\\nx", "read:" + dir / "answer"});
    ASSERT_TRUE(engine.waitCommand());
    BackendProtocol protocol;
    protocol.resetAnswer();
    engine.sendAnswer(*protocol.answer());
    protocol.sendWarning("second");
    engine.sendAnswer(*protocol.answer());
    const std::string framed = std::to_string(okDocument().size()) + "\n" + okDocument();
    EXPECT_TRUE(client.waitFor("read " + std::to_string(framed.size())));
    EXPECT_EQ(testutil::readFile(dir / "answer"), framed);
    const std::string second = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>"
                               "<vantrell status=\"warning\"><warning>second</warning></vantrell>";
    EXPECT_NE(log.text().find("answer sent: <vantrell status=\"ok\" />\n"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("Warning: XML answer is already sent (try to send '" + second + "'\n"),
              std::string::npos)
        << log.text();
}

// The log never shows a password, also in the warning of an answer that could not be sent.
TEST_F(WebUiTransportTest, TheAnswerLogMasksPasswords) {
    WebUiTransport engine(1);
    BackendProtocol protocol;
    protocol.resetAnswer();
    protocol.sendPreferences("/srv/mirror", "/t", Downloader::Proxy{"h", 3128, "u", "s3cret"});
    engine.sendAnswer(*protocol.answer());
    EXPECT_NE(log.text().find("answer sent: <vantrell status=\"ok\"><preferences><source type=\"local\">"
                              "<source path=\"/srv/mirror\" /><target path=\"/t\" /></source><proxy use=\"true\" "
                              "host=\"h\" port=\"3128\"><auth user=\"u\" password=\"***\" /></proxy>"
                              "</preferences></vantrell>\n"),
              std::string::npos)
        << log.text();
    EXPECT_NE(log.text().find("Warning: XML answer is already sent"), std::string::npos);
    EXPECT_EQ(log.text().find("s3cret"), std::string::npos) << log.text();
}

TEST_F(WebUiTransportTest, AnUnansweredCommandLeavesTheClientAnInternalError) {
    WebUiTransport engine(1);
    testutil::ChildTask page([] {
        WebUiTransport client(0);
        const error e = raisedError([&] { client.request("<request/>"); });
        return codesOf(e) + " " + e.text();
    });
    ASSERT_TRUE(engine.waitCommand());
    EXPECT_EQ(engine.getCommand(), "<request/>");
    // The next wait closes the connection that got no answer.
    EXPECT_THROW(engine.waitCommand(), WebUiTransport::timeout);
    const std::string result = page.result();
    EXPECT_EQ(result.rfind("(3,1,1,3) An internal error occured in vantrell, rev.", 0), 0u) << result;
}

TEST_F(WebUiTransportTest, APageHandleGetsTheAnswerBody) {
    WebUiTransport engine(1);
    testutil::ChildTask page([] {
        WebUiTransport client(0);
        return client.request("<request><command>ping</command></request>");
    });
    ASSERT_TRUE(engine.waitCommand());
    EXPECT_EQ(engine.getCommand(), "<request><command>ping</command></request>");
    BackendProtocol protocol;
    protocol.resetAnswer();
    engine.sendAnswer(*protocol.answer());
    EXPECT_EQ(page.result(), okDocument());
}

TEST_F(WebUiTransportTest, WithoutAnEngineTheClientCannotConnect) {
    const std::string result = testutil::inChild([] {
        WebUiTransport client(0);
        const error e = raisedError([&] { client.request("<request/>"); });
        return codesOf(e) + " " + e.text();
    });
    EXPECT_EQ(result, "(4,2,1,2) Can't connect to backend: No such file or directory\n");
}

// A client that goes away before its command is whole costs one wake-up, not a busy loop.
TEST_F(WebUiTransportTest, AClientClosingMidCommandIsDropped) {
    WebUiTransport engine(1);
    Client client({"send:10\\nabc", "close"});
    EXPECT_TRUE(client.waitFor("closed"));
    EXPECT_THROW(engine.waitCommand(), WebUiTransport::timeout);
    EXPECT_LT(engineRep().wakeUps, 10u);
    EXPECT_EQ(engineRep().clientSocket, 0);
}

// While one connection is open, a queued second client neither wakes the wait nor is lost.
TEST_F(WebUiTransportTest, AQueuedClientWaitsForTheOpenOne) {
    WebUiTransport engine(1);
    Client first({"send:10\\nabc", "sleep:1.5", "send:defghij", "read:" + dir / "first"});
    Client second({"send:2\\nhi", "read:" + dir / "second"});
    WebUiTransport::tcp::setIdleTimeoutForTest(5);
    ASSERT_TRUE(engine.waitCommand());
    EXPECT_LT(engineRep().wakeUps, 10u);
    EXPECT_EQ(engine.getCommand(), "abcdefghij");
    engineRep().sendAnswer("1", shown("1"));
    ASSERT_TRUE(engine.waitCommand());
    EXPECT_EQ(engine.getCommand(), "hi");
    engineRep().sendAnswer("2", shown("2"));
    EXPECT_TRUE(first.waitFor("read 3"));
    EXPECT_TRUE(second.waitFor("read 3"));
    EXPECT_EQ(testutil::readFile(dir / "first"), "1\n1");
    EXPECT_EQ(testutil::readFile(dir / "second"), "1\n2");
}

TEST_F(WebUiTransportTest, OverlongCommandsAreDropped) {
    struct Case {
        std::vector<std::string> steps;
        const char* why;
    };
    const std::vector<Case> cases = {
        {{"send:4194305\\n", "sleep:3"}, "announced length"},
        {{"send:3\\n", "zeros:4194400", "sleep:3"}, "received bytes"},
    };
    WebUiTransport engine(1);
    const std::string line = "ERROR: xml_command too long, connection dropped\n";
    size_t seen = 0;
    for (const Case& c : cases) {
        Client client(c.steps);
        EXPECT_THROW(engine.waitCommand(), WebUiTransport::timeout) << c.why;
        EXPECT_EQ(engineRep().clientSocket, 0) << c.why;
        const std::string text = log.text();
        size_t count = 0;
        for (size_t at = 0; (at = text.find(line, at)) != std::string::npos; at += line.size()) ++count;
        EXPECT_EQ(count, ++seen) << c.why;
    }
}

// A client that went away before its answer: the write fails and is logged, and the engine
// (default SIGPIPE action) goes on.
TEST_F(WebUiTransportTest, ABrokenPipeIsALoggedWriteError) {
    struct PipeSignalDefault {
        PipeSignalDefault() : old(::signal(SIGPIPE, SIG_DFL)) {}
        ~PipeSignalDefault() { ::signal(SIGPIPE, old); }
        sighandler_t old;
    } defaultAction;
    WebUiTransport engine(1);
    {
        Client client({"send:2\\nhi", "close"});
        ASSERT_TRUE(engine.waitCommand());
        EXPECT_TRUE(client.waitFor("closed"));
        engineRep().sendAnswer(std::string(200000, 'a'), shown("big"));
    }
    EXPECT_NE(log.text().find("ERROR: write to xml_fd: Broken pipe\n"), std::string::npos) << log.text();
    EXPECT_EQ(engineRep().clientSocket, 0);
    // Still serving.
    Client next({"send:0\\n", "read:" + dir / "answer"});
    ASSERT_TRUE(engine.waitCommand());
    engineRep().sendAnswer("x", shown("x"));
    EXPECT_TRUE(next.waitFor("read 3"));
}

// Partial writes go on until the whole answer is out.
TEST_F(WebUiTransportTest, ABigAnswerReachesASlowClientWhole) {
    std::string answer;
    for (size_t i = 0; answer.size() < (3u << 20); ++i) answer += "<line n=\"" + std::to_string(i) + "\"/>\n";
    WebUiTransport engine(1);
    Client client({"send:0\\n", "slowread:" + dir / "answer"});
    ASSERT_TRUE(engine.waitCommand());
    engineRep().sendAnswer(answer, shown("big"));
    EXPECT_TRUE(client.waitFor("read " + std::to_string(answer.size() + std::to_string(answer.size()).size() + 1)));
    EXPECT_TRUE(testutil::readFile(dir / "answer") == std::to_string(answer.size()) + "\n" + answer);
    EXPECT_EQ(log.text().find("ERROR"), std::string::npos) << log.text();
}

TEST_F(WebUiTransportTest, TheClientRefusesAnOverlongAnswer) {
    WebUiTransport engine(1);
    testutil::ChildTask page([] {
        WebUiTransport client(0);
        const error e = raisedError([&] { client.request("<request/>"); });
        return codesOf(e);
    });
    ASSERT_TRUE(engine.waitCommand());
    engineRep().sendAnswer(std::string(WebUiTransport::tcp::maxAnswerBytes + 100, 'a'), shown("big"));
    EXPECT_EQ(page.result(), "(3,1,1,3)");
}

// A signal during the wait: a termination request ends it, any other signal does not.
TEST_F(WebUiTransportTest, ASignalDuringTheWaitRunsTheTerminationCheckpoint) {
    struct sigaction action = {};
    action.sa_handler = [](int) { requestTermination(SIGINT); };
    struct sigaction old;
    ::sigaction(SIGALRM, &action, &old);
    WebUiTransport::tcp::setIdleTimeoutForTest(5);
    WebUiTransport engine(1);
    ::alarm(1);
    const error e = raisedError([&] { engine.waitCommand(); });
    ::sigaction(SIGALRM, &old, nullptr);
    EXPECT_EQ(codesOf(e), "(2,2,2,1)");

    resetTermination();
    action.sa_handler = [](int) {};
    ::sigaction(SIGALRM, &action, &old);
    WebUiTransport::tcp::setIdleTimeoutForTest(2);
    ::alarm(1);
    EXPECT_THROW(engine.waitCommand(), WebUiTransport::timeout);
    ::sigaction(SIGALRM, &old, nullptr);
}

// ---------------------------------------------------------------------------------------------
// The socket file

// What is at the path before the engine starts.
enum Planted { nothing, staleSocket, staleFile };

void plant(Planted what) {
    if (what == staleFile) testutil::writeFile(socketPath, "left over\n");
    if (what == staleSocket) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        socketPath.copy(address.sun_path, socketPath.size());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
}

TEST_F(WebUiTransportTest, TheSocketFileReplacesWhatWasLeftAndGoesWithTheLastHandle) {
    for (Planted what : {nothing, staleSocket, staleFile}) {
        plant(what);
        const mode_t before = ::umask(027);
        {
            WebUiTransport engine(1);
            struct stat st;
            ASSERT_EQ(::lstat(socketPath.c_str(), &st), 0);
            EXPECT_TRUE(S_ISSOCK(st.st_mode)) << what;
            EXPECT_EQ(st.st_mode & 07777, 0600u) << what;
            EXPECT_EQ(st.st_uid, ::getuid());
            EXPECT_EQ(::umask(027), 027u) << what;
            EXPECT_EQ(privateDirectoriesLeft(), std::vector<std::string>()) << what;
            // A later handle shares the engine's representation and leaves it in place.
            WebUiTransport::rep* first = WebUiTransport::sharedRep;
            { WebUiTransport page(0); EXPECT_EQ(WebUiTransport::sharedRep, first); }
            EXPECT_TRUE(pathExists(socketPath));
            Client client({"send:0\\n", "read:" + dir / "answer"});
            ASSERT_TRUE(engine.waitCommand());
            engineRep().sendAnswer("", shown(""));
            EXPECT_TRUE(client.waitFor("read 2"));
        }
        ::umask(before);
        EXPECT_FALSE(pathExists(socketPath)) << what;
        EXPECT_EQ(WebUiTransport::sharedRep, nullptr);
        EXPECT_EQ(WebUiTransport::handleCount, 0);
    }
}

TEST_F(WebUiTransportTest, ADirectoryAtThePathIsABindError) {
    ASSERT_EQ(::mkdir(socketPath.c_str(), 0755), 0);
    const error e = raisedError([] { WebUiTransport engine(1); });
    EXPECT_EQ(codesOf(e), "(4,2,1,2)");
    EXPECT_EQ(e.text(), "BackendProtocol: bind socket failed: Is a directory\n");
    EXPECT_EQ(WebUiTransport::sharedRep, nullptr);
    EXPECT_EQ(WebUiTransport::handleCount, 0);
    EXPECT_EQ(privateDirectoriesLeft(), std::vector<std::string>());
    struct stat st;
    ASSERT_EQ(::lstat(socketPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ::rmdir(socketPath.c_str());
}

// The web-server process inherits the engine's handle; dropping it there closes only its own
// copy of the socket.
TEST_F(WebUiTransportTest, AForkedChildDroppingTheLastHandleLeavesTheSocket) {
    std::unique_ptr<WebUiTransport> engine(new WebUiTransport(1));
    const std::string child = testutil::inChild([&] {
        engine.reset();
        return std::string(pathExists(socketPath) ? "kept" : "removed") + " " +
               std::to_string(WebUiTransport::handleCount);
    });
    EXPECT_EQ(child, "kept 0");
    EXPECT_TRUE(pathExists(socketPath));
    Client client({"send:0\\n", "read:" + dir / "answer"});
    ASSERT_TRUE(engine->waitCommand());
    engineRep().sendAnswer("", shown(""));
    EXPECT_TRUE(client.waitFor("read 2"));
}

// A process whose first handle is a page handle never removes the engine's socket.
TEST_F(WebUiTransportTest, APageProcessLeavesTheEnginesSocket) {
    testutil::ChildTask page([] {
        for (int i = 0; i < 500 && !pathExists(socketPath); ++i) ::usleep(10000);
        std::string answer;
        {
            WebUiTransport client(0);
            answer = client.request("<request/>");
        }
        return answer + (pathExists(socketPath) ? " kept" : " removed");
    });
    WebUiTransport engine(1);
    ASSERT_TRUE(engine.waitCommand());
    engineRep().sendAnswer("<a/>", shown("<a/>"));
    EXPECT_EQ(page.result(), "<a/> kept");
    EXPECT_TRUE(pathExists(socketPath));
}

TEST_F(WebUiTransportTest, HandlesWithoutARepresentationRaiseTheInternalError) {
    WebUiTransport handle(0);
    WebUiTransport::rep* kept = WebUiTransport::sharedRep;
    WebUiTransport::sharedRep = nullptr;
    TiXmlDocument document;
    const std::vector<std::function<void()>> calls = {
        [&] { handle.waitCommand(); },
        [&] { handle.getCommand(); },
        [&] { handle.sendAnswer(document); },
        [&] { handle.request("x"); },
    };
    for (const auto& call : calls) EXPECT_EQ(codesOf(raisedError(call)), "(3,1,1,3)");
    WebUiTransport::sharedRep = kept;
}

}  // namespace
