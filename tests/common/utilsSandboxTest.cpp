// Utilities that read fixed places: the panel's configuration file, mounted file systems,
// the host's own name, and the mail command.
#include "common/utils.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace fs = boost::filesystem;
using testutil::readFile;
using testutil::writeFile;

namespace {

void sh(const std::string& cmd) {
    testutil::RunResult r = testutil::shell(cmd);
    ASSERT_EQ(r.status, 0) << cmd << "\n" << r.err;
}

TEST(utilsSandbox, FirstPanelConfValue) {
    struct Case {
        const char* label;
        const char* content;
        const char* value;
    } cases[] = {
        {"comment and empty line first", "#c\n\n  PANEL_ROOT /opt/panel\n", "/opt/panel"},
        {"tabs, trailing blanks kept", "PRODUCT_ROOT_D\t\t/usr/local/panel  \nNEXT /x\n", "/usr/local/panel  "},
        {"value with blanks", "# c\nKEY a b c\n", "a b c"},
        {"comment cut off the value", "KEY value# note\n", "value"},
        {"only comments", "# one\n   # two\n", ""},
        {"empty file", "", ""},
        // the first setting line decides, even without a value; the next one is never read
        {"name without value", "LONELY\nNEXT /x\n", ""},
        {"no line end", "KEY /srv", "/srv"},
    };
    fs::create_directories("/etc/nvo");
    for (const Case& c : cases) {
        writeFile("/etc/nvo/nvo.conf", c.content);
        EXPECT_EQ(getFirstPanelConfValue(), c.value) << c.label;
    }
    fs::remove("/etc/nvo/nvo.conf");
    EXPECT_EQ(getFirstPanelConfValue(), "");
}

TEST(utilsSandbox, PanelConfValueOfAKey) {
    const char* const conf =
        "# the panel's settings\n"
        "\n"
        "HTTPD_VHOSTS_D /var/www/vhosts\n"
        "   PRODUCT_ROOT_D\t/opt/tarnix # where it lives\n"
        "PRODUCT_ROOT /wrong/prefix/match\n"
        "PRODUCT_ROOT_D /second/one\n"
        "EMPTY_KEY\n"
        "#COMMENTED_KEY /x\n";
    struct Case {
        const char* key;
        const char* value;
    } cases[] = {
        {"HTTPD_VHOSTS_D", "/var/www/vhosts"},
        // the first line of the name wins; a comment after the value is cut off
        {"PRODUCT_ROOT_D", "/opt/tarnix "},
        {"PRODUCT_ROOT", "/wrong/prefix/match"},
        {"EMPTY_KEY", ""},
        {"COMMENTED_KEY", ""},
        {"MISSING", ""},
        {"product_root_d", ""},
        {"", ""},
    };
    fs::create_directories("/etc/nvo");
    writeFile("/etc/nvo/nvo.conf", conf);
    for (const Case& c : cases) EXPECT_EQ(getPanelConfValue(c.key), c.value) << c.key;
    // the first setting line is still the first one
    EXPECT_EQ(getFirstPanelConfValue(), "/var/www/vhosts");
    fs::remove("/etc/nvo/nvo.conf");
    EXPECT_EQ(getPanelConfValue("PRODUCT_ROOT_D"), "");
}

TEST(utilsSandbox, FreeSpaceInKibibytes) {
    struct Case {
        const char* dir;
        const char* size;
        uint64_t kib;
    } cases[] = {
        {"/tmp/s4", "size=4m", 4096},
        // past 32 bits of KiB
        {"/tmp/s8", "size=8t", 8589934592ull},
    };
    for (const Case& c : cases) {
        fs::create_directory(c.dir);
        ASSERT_EQ(::mount("vn-space", c.dir, "tmpfs", 0, c.size), 0) << c.dir;
        fs::create_directory(std::string(c.dir) + "/sub");
        EXPECT_EQ(getFreeSpace(c.dir), c.kib) << c.dir;
        EXPECT_EQ(getFreeSpace(std::string(c.dir) + "/sub"), c.kib) << c.dir;
        testutil::RunResult df = testutil::shell(std::string("df -k --output=avail ") + c.dir + " | tail -n 1");
        EXPECT_EQ(std::stoull(df.out), c.kib) << c.dir;
    }
}

// The host's name is the sandbox's; /etc/hosts and the resolver settings are the overlay's.
class HostnameTest : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[256] = "";
        ASSERT_EQ(::gethostname(buf, sizeof buf - 1), 0);
        name = buf;
        writeFile("/etc/nsswitch.conf", "hosts: files\n");
        sh("ip addr replace 198.51.100.7/32 dev lo");
    }
    void mapName(const std::string& address) { writeFile("/etc/hosts", address + " " + name + "\n"); }
    std::string name;
};

TEST_F(HostnameTest, LocalAddressPassesEvenWhilePort33333IsTaken) {
    // A service on the port the check once used must not make it fail.
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    struct sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(33333);
    addr.sin_addr.s_addr = ::inet_addr("198.51.100.7");
    ASSERT_EQ(::bind(listener, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);

    for (const char* address : {"198.51.100.7", "127.0.0.1"}) {
        mapName(address);
        testutil::LogCapture log;
        Log::summaryLevel = 1;
        EXPECT_NO_THROW(checkHostname()) << address;
        EXPECT_EQ(log.text(), "Checking hostname: '" + name + "' is resolved to " + address + "\n"
                              "Checking hostname is sucessfull.\n");
        EXPECT_EQ(Log::summaryText(), "Checking hostname is sucessfull.\n");
    }
    ::close(listener);
}

TEST_F(HostnameTest, FailuresCarryTheirOwnTexts) {
    struct Case {
        const char* hosts;
        std::string text;
    } cases[] = {
        {"203.0.113.9", "Can't bind to socket: Cannot assign requested address\n(hostname='" + name +
                            "', ip=203.0.113.9)\n"},
        {nullptr, "Can't get IP address for " + name + "\n"},
    };
    for (const Case& c : cases) {
        if (c.hosts)
            mapName(c.hosts);
        else
            writeFile("/etc/hosts", "127.0.0.1 localhost\n");
        error e = testutil::raisedError([] { checkHostname(); });
        EXPECT_EQ(e.text(), c.text);
        EXPECT_EQ(testutil::codesOf(e), "(0,0,0,0)");
    }
}

TEST_F(HostnameTest, Ipv6IsSkipped) {
    mapName("2001:db8::5");
    testutil::LogCapture log;
    EXPECT_NO_THROW(checkHostname());
    EXPECT_EQ(log.text(), "Checking hostname: IPv6 not supported yet, skip\n");
}

// The stand-in mail command of the test tree records what it gets.
class MailTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::resetForTest();
        Messages::getLocale();
        Log::resetForTest();
        ::setenv("PATH", (std::string(VN_FIXTURES_DIR "/common/bin:") + ::getenv("PATH")).c_str(), 1);
        ::setenv("VN_MAIL_RECORD", "/tmp/mail", 1);
        ::unsetenv("VN_MAIL_EXIT");
        ::unsetenv("VN_MAIL_SKIP_INPUT");
    }
    void TearDown() override { Log::resetForTest(); }
};

TEST_F(MailTest, ValuesReachTheCommandAsWordsAndTheBodyUnchanged) {
    std::string body = "Report\n\tline with 'quotes' and $(touch /tmp/pwned)\n";
    body += std::string("\0\xff\xe2\x82\xac", 5);
    sendMail("a@b; touch /tmp/pwned", "The Panel was successfully updated.", body);

    EXPECT_EQ(readFile("/tmp/mail.args"), "-s\nThe Panel was successfully updated.\na@b; touch /tmp/pwned\n");
    EXPECT_EQ(readFile("/tmp/mail.body"), body);
    EXPECT_FALSE(fs::exists("/tmp/pwned"));
    EXPECT_EQ(Log::summaryText(), "");
}

TEST_F(MailTest, FailingMailCommandIsLoggedOnly) {
    ::setenv("VN_MAIL_EXIT", "1", 1);
    EXPECT_NO_THROW(sendMail("root@example.com", "s", "body"));
    EXPECT_EQ(Log::summaryText(), "Warning: failed to send the installation report by e-mail.\n");
    EXPECT_EQ(readFile("/tmp/mail.body"), "body");
}

TEST_F(MailTest, MailCommandThatReadsNothingDoesNotEndTheProcess) {
    // The test program ignores SIGPIPE; the installer need not.
    std::signal(SIGPIPE, SIG_DFL);
    ::setenv("VN_MAIL_SKIP_INPUT", "1", 1);
    ::setenv("VN_MAIL_EXIT", "1", 1);
    sendMail("root@example.com", "s", std::string(1 << 20, 'b'));
    EXPECT_EQ(Log::summaryText(), "Warning: failed to send the installation report by e-mail.\n");
    sigset_t pending;
    sigemptyset(&pending);
    ::sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0) << "no SIGPIPE left behind";
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace
