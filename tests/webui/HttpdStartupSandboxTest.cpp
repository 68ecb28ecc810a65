// Start-up of the embedded HTTP server: fatal cases of the real driver program with their exact
// messages, the configuration file and its precedence, the listeners, the user switch and
// inetd mode. Runs inside the namespace helper: start-up opens fixed ports.
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TestUtil.h"
#include "webui/HttpdHarness.h"
#include "webui/httpd/server_context.h"
#include "webui/httpd/serving_loop.h"

namespace {

using namespace vnhttpd;

const std::string prog = testutil::program("prog_httpd");

std::string usageText() {
    return "VNHTTPD version 1.41\n"
           "usage: " + prog + " [options] [config_file]\n"
           "  -A <htpasswd_file> <realm> <user> <passwd>\n"
           "  -root\t\tWeb root directory (default: .)\n"
           "  -index_files\tIndex files (default: index.html,index.htm,index.php,index.cgi)\n"
           "  -ssl_cert\tSSL certificate file\n"
           "  -ports\tListening ports (default: 80)\n"
           "  -dir_list\tDirectory listing (default: yes)\n"
           "  -cfg_uri\tConfig uri\n"
           "  -protect\tURI to htpasswd mapping\n"
           "  -cgi_ext\tCGI extensions (default: cgi,pl,php)\n"
           "  -cgi_interp\tCGI interpreter\n"
           "  -cgi_env\tAdditional CGI env vars\n"
           "  -ssi_ext\tSSI extensions (default: shtml,shtm)\n"
           "  -auth_realm\tAuthentication domain name (default: localhost)\n"
           "  -auth_gpass\tGlobal passwords file\n"
           "  -auth_PUT\tPUT,DELETE auth file\n"
           "  -inetd\tInetd mode (default: no)\n"
           "  -uid\t\tRun as user\n"
           "  -access_log\tAccess log file\n"
           "  -error_log\tError log file\n"
           "  -mime_types\tAdditional mime types list\n"
           "  -aliases\tPath=URI mappings\n"
           "  -acl\t\tAllow/deny IP addresses/subnets\n"
           "  -threads\tNumber of worker threads (default: 1)\n";
}

// A listening IPv4 socket on `port` of every address, as another program would hold it.
int holdPort(int port) {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(::listen(s, 1), 0);
    return s;
}

TEST(HttpdStartup, FatalCasesGiveTheirMessageAndStatusOne) {
    testutil::TempDir tmp;
    testutil::writeFile(tmp / "name-only.conf", "root\nports 8080\n");
    const int held = holdPort(8081);
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string invalid = tmp / "name-only.conf";
    const Case cases[] = {
        {{"-ports", "8447s"}, "cannot add SSL socket, please specify certificate file\n"},
        {{"-ports", "8080", "extra", "file"}, usageText()},  // a second argument without '-'
        {{"-ports"}, usageText()},                            // an option without its value
        {{"-acl", "+10.0.0.1/40"}, "bad subnet mask: 40 [+10.0.0.1/40]\n"},
        {{"-acl", "10.0.0.1"}, "flag must be + or -: [10.0.0.1]\n"},
        // The message quotes the list from the bad entry to its end.
        {{"-acl", "+1.2.3.4, +1.2.3.256,+5.6.7.8"}, "bad ip address: [+1.2.3.256,+5.6.7.8]\n"},
        {{"-acl", "+1.2.3.-1"}, "bad ip address: [+1.2.3.-1]\n"},
        {{"-acl", "+1.2.3"}, "[+1.2.3]: subnet must be [+|-]x.x.x.x[/x]\n"},
        {{"-acl", "+1.2.3.4/-1"}, "bad subnet mask: -1 [+1.2.3.4/-1]\n"},
        {{"-nosuch", "1"}, "no such option: [nosuch]\n"},
        {{"-A", "f"}, "no such option: [A]\n"},
        {{"-uid", "nosuchuser"}, "set_uid: unknown user [nosuchuser]\n"},
        {{tmp / "missing.conf"}, "cannot open config file " + tmp / "missing.conf" + ": No such file or directory\n"},
        {{invalid}, "Loading config file " + invalid + "\nline 1 in " + invalid + " is invalid\n"},
        {{"-ports", "8081"}, "open_listening_port(8081): Address already in use\ncannot open port 8081\n"},
        {{"-ports", "70000"}, "open_listening_port(70000): Invalid argument\ncannot open port 70000\n"},
        {{"-ssl_cert", tmp / "none.pem"}, "cannot open " + tmp / "none.pem" + "\n"},
        {{"-ports", "0", "-error_log", tmp / "no/such/dir"},
         "cannot open log file " + tmp / "no/such/dir" + ": No such file or directory\n"},
    };
    for (const Case& k : cases) {
        std::vector<std::string> argv{prog};
        argv.insert(argv.end(), k.args.begin(), k.args.end());
        testutil::RunResult r = testutil::run(argv);
        std::string shown;
        for (auto& a : k.args) shown += a + " ";
        EXPECT_EQ(r.status, 1) << shown;
        EXPECT_EQ(r.err, k.err) << shown;
        EXPECT_EQ(r.out, "") << shown;
    }
    ::close(held);
}

TEST(HttpdStartup, DefaultsOpenPortEightyForBothFamilies) {
    testutil::Background server({prog});
    ASSERT_EQ(server.readLine(), "ready");
    for (const char* address : {"127.0.0.1", "::1"}) {
        int s = httpdtest::connectTo(address, 80);
        EXPECT_GE(s, 0) << address;
        ::close(s);
    }
    EXPECT_EQ(server.stop(SIGTERM), 0);
}

// Option values a start-up leaves in the context, read in a child so that each start is fresh.
std::string startAndShow(const std::vector<std::string>& args, const std::vector<int>& slots,
                         const std::string& configBesideProgram = std::string()) {
    return testutil::inChild([&] {
        httpdtest::Args a(args);
        if (!configBesideProgram.empty()) testutil::writeFile(a.directory() / "vnhttpd.conf", configBesideProgram);
        server_context* ctx = server_init(a.argc(), a.argv());
        std::string out;
        for (int slot : slots) {
            const char* v = option_value(ctx, slot);
            out += std::string("[") + (v ? v : "(null)") + "]";
        }
        return out;
    });
}

TEST(HttpdStartup, ConfigurationFileAndCommandLine) {
    testutil::TempDir tmp;
    const std::string conf = tmp / "server.conf";
    testutil::writeFile(conf,
                        "# comment\n"
                        "\n"
                        "root /srv/www #c\n"
                        "dir_list   no\n"
                        "auth_realm example.org\n"
                        "index_files a.html,  b.html\n");
    struct Case {
        std::vector<std::string> args;
        std::string config;  // beside the program
        std::string expected;
    };
    const Case cases[] = {
        // The value runs to the '#' and keeps the blank before it.
        {{"-ports", "", conf}, "", "[/srv/www ][no][example.org][a.html,  b.html][]"},
        // Command-line pairs override the file, wherever they stand before it.
        {{"-root", "/x", "-ports", "", conf}, "", "[/x][no][example.org][a.html,  b.html][]"},
        // Without a named file, "vnhttpd.conf" beside the program is read.
        {{"-ports", ""}, "root /beside\n", "[/beside][yes][localhost][index.html,index.htm,index.php,index.cgi][]"},
        {{"-ports", ""}, "", "[.][yes][localhost][index.html,index.htm,index.php,index.cgi][]"},
    };
    for (const Case& k : cases) {
        testutil::StderrCapture err;
        std::string shown = startAndShow(k.args, {OPT_ROOT, OPT_DIR_LIST, OPT_AUTH_REALM, OPT_INDEX_FILES, OPT_PORTS},
                                         k.config);
        EXPECT_EQ(shown, k.expected) << k.args.front();
        EXPECT_EQ(err.text().find("Loading config file ") == 0, k.args.back() == conf || !k.config.empty())
            << err.text();
    }
}

TEST(HttpdStartup, ListenersOfAPortList) {
    testutil::TempDir tmp;
    const std::string pem = httpdtest::makePem(tmp);
    std::string shown = testutil::inChild([&] {
        httpdtest::Args a({"-ports", "8080, 8443s", "-ssl_cert", pem});
        server_context* ctx = server_init(a.argc(), a.argv());
        std::string out;
        for (const listener& l : ctx->listeners) {
            sockaddr_in6 addr{};
            socklen_t len = sizeof addr;
            ::getsockname(l.sock, reinterpret_cast<sockaddr*>(&addr), &len);
            int v6only = -1;
            socklen_t olen = sizeof v6only;
            ::getsockopt(l.sock, IPPROTO_IPV6, IPV6_V6ONLY, &v6only, &olen);
            out += std::to_string(ntohs(addr.sin6_port)) + (l.tls ? " tls" : " plain") +
                   (addr.sin6_family == AF_INET6 ? " ipv6" : " ipv4") + " v6only=" + std::to_string(v6only) +
                   (::fcntl(l.sock, F_GETFD) & FD_CLOEXEC ? " cloexec" : "") +
                   (::fcntl(l.sock, F_GETFL) & O_NONBLOCK ? " nonblocking" : "") + "\n";
        }
        server_free(ctx);
        return out;
    });
    EXPECT_EQ(shown,
              "8080 plain ipv6 v6only=0 cloexec nonblocking\n"
              "8443 tls ipv6 v6only=0 cloexec nonblocking\n");
}

TEST(HttpdStartup, UserSwitchDropsRootGroups) {
    ASSERT_EQ(::getuid(), 0u);
    struct passwd* pw = ::getpwnam("nobody");
    ASSERT_NE(pw, nullptr);
    const std::string expected = std::to_string(pw->pw_uid) + " " + std::to_string(pw->pw_gid) + " [" +
                                 std::to_string(pw->pw_gid) + "]";
    std::string shown = testutil::inChild([] {
        // Root holds supplementary groups that the account does not have.
        gid_t extra[] = {0, 4, 27};
        ::setgroups(3, extra);
        httpdtest::Args a({"-ports", "8080", "-uid", "nobody"});
        server_context* ctx = server_init(a.argc(), a.argv());
        gid_t groups[64];
        int n = ::getgroups(64, groups);
        std::string out = std::to_string(::getuid()) + " " + std::to_string(::getgid()) + " [";
        for (int i = 0; i < n; ++i) out += (i ? "," : "") + std::to_string(groups[i]);
        out += "]";
        // The privileged port was opened before the switch.
        out += ctx->listeners.size() == 1 ? "" : " no listener";
        return out;
    });
    EXPECT_EQ(shown, expected);
}

TEST(HttpdStartup, InetdServesDescriptorZeroAndEndsWithIt) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    testutil::StderrCapture err;
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(pair[0], 0);
        httpdtest::Args a({"-inetd", "yes", "-threads", "4"});
        server_context* ctx = server_init(a.argc(), a.argv());
        ctx->parse_request = httpdtest::generatingParser;
        httpdtest::generatedLength() = 3000;
        bool shape = ctx->listeners.empty() && !ctx->threaded && ctx->workers.size() == 1 &&
                     ctx->workers.front()->num_conns.load() == 1 && option_value(ctx, OPT_PORTS) == nullptr;
        if (!shape) ::_exit(3);
        std::fprintf(stderr, "not shown\n");
        for (;;) server_poll(ctx, 1000);
    }
    ::close(pair[0]);
    ASSERT_EQ(::write(pair[1], "x", 1), 1);
    httpdtest::ReadResult r = httpdtest::readAll(pair[1], 10);
    EXPECT_TRUE(r.eof);
    EXPECT_EQ(r.data.size(), 3000u);
    EXPECT_EQ(httpdtest::patternMismatch(r.data), -1);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(err.text(), "") << "standard error goes to /dev/null";
    ::close(pair[1]);
}

}  // namespace
