// The agent client against the fake agent (tests/support/bxagent.py) behind the stand-in link
// device. Every case runs in a child process: the client, the detected system and the log are
// process-wide, and each case needs them fresh.
#include "installers/BXAgentClient.h"

#include <signal.h>
#include <tinyxml.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/Opsys.h"
#include "common/error.h"
#include "packages/Package.h"
#include "support/BxLinkStandIn.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using namespace std::chrono_literals;

const std::string rule(42, '-');
const std::string connecting = "Corvane Containers were detected. Trying to connect to BXAgent...";
const std::string greeting = "<packet id=\"0\" version=\"3.0.3\"><data><system><state>ready</state></system></data></packet>\n";
const std::string versionRequest = "<packet id=\"0\" version=\"3.0.3\"><data><system><get_version /></system></data></packet>\n";
const std::string versionAnswer =
    "<packet id=\"0\" version=\"3.0.3\"><data><system><version>4.0</version></system></data></packet>\n";

// What one case left behind, carried out of the child as text.
struct Outcome {
    std::string console;  // standard error: the console messages
    std::string log;      // every level
    std::string error;    // text of an `error` raised by construction or the body
    std::string codes;
    std::string result;  // what the body returned
    bool connected = false;
    bool incompatibleOsTemplate = false;
    bool linked = false;  // the stand-in accepted a link request
    int agentStatus = -1;
    std::vector<std::string> requests;
    std::vector<std::string> agentNotes;
};

void put(std::ostringstream& out, const std::string& s) { out << s.size() << ':' << s; }

std::string get(std::istringstream& in) {
    size_t n = 0;
    char colon = 0;
    in >> n >> colon;
    std::string s(n, '\0');
    in.read(&s[0], static_cast<std::streamsize>(n));
    return s;
}

std::string encode(const Outcome& o) {
    std::ostringstream out;
    for (const std::string* s : {&o.console, &o.log, &o.error, &o.codes, &o.result}) put(out, *s);
    put(out, std::to_string(o.connected) + std::to_string(o.incompatibleOsTemplate) + std::to_string(o.linked));
    put(out, std::to_string(o.agentStatus));
    for (const std::vector<std::string>* v : {&o.requests, &o.agentNotes}) {
        put(out, std::to_string(v->size()));
        for (const std::string& s : *v) put(out, s);
    }
    return out.str();
}

Outcome decode(const std::string& text) {
    Outcome o;
    std::istringstream in(text);
    for (std::string* s : {&o.console, &o.log, &o.error, &o.codes, &o.result}) *s = get(in);
    const std::string flags = get(in);
    if (flags.size() == 3) {
        o.connected = flags[0] == '1';
        o.incompatibleOsTemplate = flags[1] == '1';
        o.linked = flags[2] == '1';
    }
    o.agentStatus = std::atoi(get(in).c_str());
    for (std::vector<std::string>* v : {&o.requests, &o.agentNotes}) {
        const int n = std::atoi(get(in).c_str());
        for (int i = 0; i < n; ++i) v->push_back(get(in));
    }
    // Anything after the record is the child's abnormal end (a signal, an exception).
    std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("", rest) << "the case did not end normally";
    return o;
}

struct Setting {
    std::string scenario;  // the fake agent's; "" for none
    std::string environment = "bx";
    bool device = true;
    std::chrono::milliseconds greetingTimeout = 20s;
    // Whether the agent is waited for after the client went; a hanging one is killed.
    bool waitForAgent = true;
    // The installer does not ignore the broken-pipe signal, as the test program does.
    bool brokenPipeKills = true;
};

using Body = std::function<std::string(BXAgentClient&)>;

Outcome play(const Setting& s, const Body& body = Body()) {
    return decode(testutil::inChild([&] {
        if (s.brokenPipeKills) ::signal(SIGPIPE, SIG_DFL);
        Opsys::override_environment = s.environment;
        BXAgentClient::greetingTimeout = s.greetingTimeout;
        testutil::TempDir dir;
        BXAgentClient::veinfoPath = dir / "veinfo";
        testutil::shell(s.device ? "mkdir -p /etc/bx/dev && : > /etc/bx/dev/bxlink" : "rm -f /etc/bx/dev/bxlink");
        std::unique_ptr<testutil::BxAgent> agent;
        if (!s.scenario.empty()) agent.reset(new testutil::BxAgent(s.scenario));

        Outcome o;
        {
            testutil::LogCapture log(3);
            std::unique_ptr<BXAgentClient> client;
            {
                testutil::StderrCapture console;
                try {
                    client.reset(new BXAgentClient);
                    if (body) o.result = body(*client);
                } catch (const error& e) {
                    o.error = e.text();
                    o.codes = testutil::codesOf(e);
                }
                o.console = console.text();
            }
            if (client) {
                o.connected = client->connected;
                o.incompatibleOsTemplate = client->incompatibleOsTemplate;
            }
            o.log = log.text();
            // The channel closes with the client, and the agent sees the end of the requests.
            client.reset();
        }
        o.linked = !testutil::bxLinkWords().empty();
        if (agent) {
            if (s.waitForAgent) o.agentStatus = agent->wait();
            o.requests = agent->requests();
            o.agentNotes = agent->notes();
        }
        return encode(o);
    }));
}

Setting scenario(const std::string& name) {
    Setting s;
    s.scenario = name;
    return s;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

#define EXPECT_CONTAINS(text, part) EXPECT_PRED2(contains, text, part)

// A JSON string of `text`.
std::string json(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

// The greeting and the version request, then `answer` to it.
std::string versionAnsweredWith(const std::string& answer) {
    return "[{\"send\": " + json(greeting) + "}, {\"expect\": \".*get_version.*\"}, {\"send\": " + json(answer) + "}]";
}

TEST(BXAgentClientConnection, AGoodGreetingConnectsAndTheVersionIsAsked) {
    const std::string block = connecting + "done\n" + "Connected to BXAgent successfully.\n" +
                              "sending package: '''" + versionRequest + "'''\n" + "Sending request to BXAgent...done\n" +
                              "Waiting response from BXAgent with installation result...done\n" + "read packet: '''" +
                              versionAnswer + "'''\n" + "BXAgent version: 4.0\n" + "Use agent protocol version: 3.0.3\n";
    for (const char* name : {"greeting-good", "greeting-split", "greeting-and-answer-together"}) {
        SCOPED_TRACE(name);
        const Outcome o = play(scenario(name));
        EXPECT_EQ("", o.error);
        EXPECT_TRUE(o.connected);
        EXPECT_EQ(connecting + "done\nConnected to BXAgent successfully.\n", o.console);
        EXPECT_CONTAINS(o.log, block);
        ASSERT_EQ(1u, o.requests.size());
        EXPECT_EQ(versionRequest, o.requests[0]);
        EXPECT_EQ(0, o.agentStatus) << ::testing::PrintToString(o.agentNotes);
    }
}

TEST(BXAgentClientConnection, OutsideAContainerNothingIsTried) {
    Setting s;
    s.environment = "";
    const Outcome o = play(s, [](BXAgentClient& c) { return c.gate.get() ? "channel" : "no channel"; });
    EXPECT_EQ("", o.console);
    EXPECT_CONTAINS(o.log, "\nBXAgentClient(): You are not under Brindle.\n");
    EXPECT_FALSE(o.connected);
    EXPECT_FALSE(o.linked);
    EXPECT_EQ("no channel", o.result);
}

// A request needs a channel; asked of a client without one it fails instead of crashing.
TEST(BXAgentClientConnection, ARequestWithoutAChannelIsTheNullPointerError) {
    Setting s;
    s.environment = "";
    const Outcome o = play(s, [](BXAgentClient& c) { return c.getVersion(); });
    EXPECT_EQ("(3,1,0,3)", o.codes);
    EXPECT_CONTAINS(o.error, "Try of use NULL pointer: ../common/checked_pointer:");
}

TEST(BXAgentClientConnection, WithoutTheDeviceTheReasonFollowsOnTheSameLine) {
    Setting s;
    s.device = false;
    const Outcome o = play(s);
    EXPECT_EQ(connecting + "Warning! Failed to connect to BXAgent: open: No such file or directory\n", o.console);
    EXPECT_EQ("", o.error);
    EXPECT_FALSE(o.connected);
}

TEST(BXAgentClientConnection, AGreetingThatDoesNotComeLeavesTheClientUnconnected) {
    struct Case {
        const char* scenario;
        std::chrono::milliseconds limit;
        std::string reason;
    } cases[] = {
        {"closes-at-once", 20s, "read: Broken pipe"},
        {"silent", 1s, "read: Connection timed out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        Setting s = scenario(c.scenario);
        s.greetingTimeout = c.limit;
        s.waitForAgent = false;
        const Outcome o = play(s);
        EXPECT_EQ("", o.error);
        EXPECT_EQ(connecting + "failed\n", o.console);
        EXPECT_CONTAINS(o.log, "failed\nError during connect to BXAgent:: " + c.reason + "\n");
        EXPECT_FALSE(o.connected);
        EXPECT_TRUE(o.requests.empty());
    }
}

TEST(BXAgentClientConnection, AnUnusableGreetingIsRaised) {
    struct Case {
        const char* scenario;
        std::string error;
        std::string logged;
    } cases[] = {
        {"greeting-empty-data", "Incorrect response from BXAgent.\n", "\nError: 'data' tag is emtpy in BXA answer\n"},
        {"greeting-error", "BXAgent failed to process a request.\n",
         "\nBXAgent error code: 3\nBXAgent error message:\n" + rule + "\nthe Container is being stopped" + rule + "\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        const Outcome o = play(scenario(c.scenario));
        EXPECT_EQ(c.error, o.error);
        EXPECT_EQ("(4,1,1,3)", o.codes);
        EXPECT_CONTAINS(o.log, c.logged);
        EXPECT_EQ(connecting + "done\n", o.console);
        EXPECT_TRUE(o.requests.empty());
    }
}

TEST(BXAgentClientConnection, AnAgentErrorAboutTheVersionGivesAnEmptyVersion) {
    const Outcome o = play(scenario("version-error"));
    EXPECT_EQ("", o.error);
    EXPECT_TRUE(o.connected);
    EXPECT_EQ(connecting + "done\nConnected to BXAgent successfully.\nERROR: BXAgent error code: 17\n" +
                  "BXAgent error message:\n" + rule + "\nno version here" + rule + "\n\n",
              o.console);
    EXPECT_CONTAINS(o.log, "\nBXAgent version: \nUse agent protocol version: 3.0.3\n");
}

TEST(BXAgentClientAnswers, EnvelopeErrors) {
    struct Case {
        std::string answer;
        std::string logged;  // the level-1 line
    } cases[] = {
        {"", "Error: Parse error in XML from BXAgent: : Error document empty."},
        {"<packet><data>", "Error: Parse error in XML from BXAgent: : Error reading Element value."},
        {"<!-- nothing but a comment -->", "Error: No root element in BXA answer (not an XML document?)"},
        {"<result/>", "Error: Root element is not 'packet'"},
        {"<packet/>", "Error: no 'data' element in BXA answer"},
        {"<packet id=\"0\"><data><pkgm/></data></packet>", "Error: BXAgent answer not contain 'system' section"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const Outcome o = play(scenario(versionAnsweredWith(c.answer)));
        EXPECT_EQ("Incorrect response from BXAgent.\n", o.error);
        EXPECT_EQ("(4,1,1,3)", o.codes);
        EXPECT_CONTAINS(o.log, "installation result...done\nread packet: '''" + c.answer + "'''\n" + c.logged + "\n");
        EXPECT_EQ(0, o.agentStatus);
    }
}

std::string describe(const Package* p) {
    if (!p) return "null";
    std::ostringstream s;
    s << p->getName() << " " << *p->getVersion() << " " << static_cast<char>(p->getType()) << " "
      << const_cast<Package*>(p)->getFileName();
    delete p;
    return s.str();
}

TEST(BXAgentClientRequests, PackageInformation) {
    const Outcome o = play(scenario("package-info"), [](BXAgentClient& c) {
        std::string out;
        for (const char* name : {"nvo", "nvo-empty", "nvo-failed", "nvo-nopkgm", "nvo-nopackage"})
            out += describe(c.getPackageInfo(name, "centos-5-x86")) + "\n";
        return out;
    });
    EXPECT_EQ("", o.error);
    EXPECT_EQ("nvo 2:1.0-3 u package_from_BXAgent_get_info\nnull\nnull\nnull\nnull\n", o.result);
    ASSERT_EQ(6u, o.requests.size());
    EXPECT_EQ("<packet id=\"1\" version=\"3.0.3\"><target>pkgm</target><data><pkgm><get_info><package><name>nvo</name>"
              "<type>rpm</type><distributive>centos-5-x86</distributive></package></get_info></pkgm></data></packet>\n",
              o.requests[1]);
    EXPECT_EQ(0, o.agentStatus) << ::testing::PrintToString(o.agentNotes);
    const std::string malformed = "Warning: a malformed response was received from BXAgent.\n";
    EXPECT_EQ(connecting + "done\nConnected to BXAgent successfully.\n" + "BXAgent error code: 2\nBXAgent error message:\n" +
                  rule + "\nno such package" + rule + "\n\n" + malformed + malformed,
              o.console);
    EXPECT_CONTAINS(o.log, "\nError: BXAgent answer not contain 'pkgm' section\n" + malformed);
    EXPECT_CONTAINS(o.log, "\nERROR: Not found 'package' tag in BXAgent answer\n" + malformed);
}

TEST(BXAgentClientRequests, TemplateLists) {
    const Outcome o = play(scenario("template-lists"), [](BXAgentClient& c) {
        std::string out;
        auto list = [&](bool nodeWide) {
            std::vector<BXAgentClient::BXADataPackage> templates;
            const bool ok = c.readTemplateList(nodeWide, templates);
            out += std::string(ok ? "true" : "false") + (c.incompatibleOsTemplate ? " incompatible" : "");
            for (const auto& t : templates) {
                std::ostringstream s;
                s << t;
                out += " " + s.str();
            }
            out += "\n";
        };
        list(true);
        list(false);  // no veinfo file; refused for a standard OS template
        c.incompatibleOsTemplate = false;
        list(false);  // another refusal
        testutil::writeFile(BXAgentClient::veinfoPath, "101 10.1.1.1\n");
        list(false);
        return out;
    });
    EXPECT_EQ("", o.error);
    EXPECT_EQ("true t1:kvtemplate:x86:centos-5-x86 std:standard:x86:centos-5-x86\n"
              "false incompatible\n"
              "false\n"
              "true\n",
              o.result);
    ASSERT_EQ(5u, o.requests.size());
    EXPECT_EQ("<packet id=\"1\" version=\"3.0.3\"><target>pkgm</target><data><pkgm><list><options><type>apps</type>"
              "</options></list></pkgm></data></packet>\n",
              o.requests[1]);
    EXPECT_EQ("<packet id=\"2\" version=\"3.0.3\"><target>pkgm</target><data><pkgm><list><veid></veid><options>"
              "<type>apps</type></options></list></pkgm></data></packet>\n",
              o.requests[2]);
    EXPECT_EQ(0, o.agentStatus) << ::testing::PrintToString(o.agentNotes);
    EXPECT_CONTAINS(o.log, "Error: no /proc/bx/veinfo file, can't get this VPS ID");
    EXPECT_CONTAINS(o.console, "Connected to BXAgent successfully.\ndone\nBXAgent error code: 11\n");
    EXPECT_CONTAINS(o.console, "\nContainer 101 has incompatible OS template type (standard)" + rule + "\n\n");
    EXPECT_CONTAINS(o.console, "\nthe node is busy" + rule + "\n\ndone\n");
}

TEST(BXAgentClientRequests, ChannelFailuresAreRaisedAndTheClientStaysConnected) {
    struct Case {
        const char* scenario;
        std::string error;
        std::string logged;
    } cases[] = {
        {"closes-mid-answer", "Failed to receive a response from BXAgent: read: Broken pipe.\n",
         "\nWaiting response from BXAgent with installation result...An error: read: Broken pipe\n"},
        {"stops-reading", "Failed to submit a request to BXAgent: write: Broken pipe.\n",
         "\nSending request to BXAgent...An error: write: Broken pipe\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        Setting s = scenario(c.scenario);
        s.waitForAgent = false;
        const Outcome o = play(s, [](BXAgentClient& c) { return describe(c.getPackageInfo("nvo", "centos-5-x86")); });
        EXPECT_EQ(c.error, o.error);
        EXPECT_EQ("(4,1,1,3)", o.codes);
        EXPECT_CONTAINS(o.log, c.logged);
        EXPECT_TRUE(o.connected);
    }
}

TEST(BXAgentClientInstance, OneClientPerProcessAndAFailedOneLeavesNone) {
    const std::string result = testutil::inChild([] {
        Opsys::override_environment = "bx";
        testutil::shell("mkdir -p /etc/bx/dev && : > /etc/bx/dev/bxlink");
        testutil::LogCapture log;
        testutil::StderrCapture console;
        std::string out = BXAgentClient::instance() ? "made at start" : "none at start";
        {
            testutil::BxAgent agent("greeting-empty-data");
            try {
                BXAgentClient::obtain();
                out += ", no error";
            } catch (const error& e) {
                out += ", raised";
            }
            out += BXAgentClient::instance() ? ", kept" : ", none kept";
            out += ", agent " + std::to_string(agent.wait());
        }
        testutil::BxAgent agent("greeting-good");
        BXAgentClient& client = BXAgentClient::obtain();
        out += client.connected ? ", connected" : ", not connected";
        out += BXAgentClient::instance() == &client ? ", kept" : ", none kept";
        out += &BXAgentClient::obtain() == &client ? ", shared" : ", another";
        out += ", " + std::to_string(agent.requests().size()) + " request";
        return out;
    });
    EXPECT_EQ("none at start, raised, none kept, agent 0, connected, kept, shared, 1 request", result);
}

TEST(BXAgentClientPackets, IdsCountFromZeroAndEveryPacketTakesOne) {
    Setting s;
    s.environment = "";
    const Outcome o = play(s, [](BXAgentClient& c) {
        std::string ids;
        for (int i = 0; i < 3; ++i) {
            TiXmlElement packet("packet");
            c.setPacketHeader(&packet);
            TiXmlPrinter printer;
            printer.SetStreamPrinting();
            packet.Accept(&printer);
            ids += printer.Str();
        }
        return ids + " " + std::to_string(c.packetCounter);
    });
    EXPECT_EQ("<packet id=\"0\" version=\"3.0.3\" /><packet id=\"1\" version=\"3.0.3\" />"
              "<packet id=\"2\" version=\"3.0.3\" /> 3",
              o.result);
}

}  // namespace
