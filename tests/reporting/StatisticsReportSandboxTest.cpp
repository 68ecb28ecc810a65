// The statistics report at the end of a run: a run that filled its products from a real
// catalogue (prog_report_summary) ends through the exit path, and a python server on port 80
// of the private network records what reached "/vn_statistic.php". The maker's host name is
// mapped in the private /etc/hosts; the rc file in the private /root sets the flag.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "common/Opsys.h"
#include "main/Options.h"
#include "reporting/ReportSummary.h"
#include "support/TestUtil.h"

namespace {

const std::string fixtures = std::string(VN_FIXTURES_DIR) + "/reporting/";
const std::string server = fixtures + "statistics_server.py";

enum Rc { noFlag, flag };
enum Address { loopback, testNetwork };

struct Case {
    const char* label;
    Rc rc;
    Address address;
    // "ok", "fail" or "none" (see prog_report_summary); "listing": the real program's listing.
    const char* run;
    std::vector<std::string> releases;
    std::vector<std::string> posts;
};

std::string printedOs() {
    std::ostringstream s;
    s << Opsys();
    return s.str();
}

std::string body(const std::string& product, const std::string& newVer, const std::string& oldVer,
                 const std::string& result) {
    return "/vn_statistic.php\tversion=3.9.0&buildtime=2011-01-18 17:45&svnrev=297274&os=" + printedOs() +
           "&backend=InstallDeb&product=" + product + "&new_ver=" + newVer + "&old_ver=" + oldVer +
           "&result=" + result;
}

class StatisticsReport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(testutil::shell(std::string("ip addr add ") + ReportSummary::testNetworkAddress + "/32 dev lo").status,
                  0);
    }

    void configure(Rc rc, Address address) {
        testutil::writeFile("/etc/hosts", "127.0.0.1 localhost\n" +
                                              std::string(address == loopback ? "127.0.0.1"
                                                                              : ReportSummary::testNetworkAddress) +
                                              " " + ReportSummary::statisticsHost() + "\n");
        ::unlink("/root/.vantrellrc");
        if (rc == flag) testutil::writeFile("/root/.vantrellrc", "SEND_EXECUTION_SUMMARY = \"yes\"\n");
    }

    // The environment of a run: the rc file of /root only, no proxy.
    static std::map<std::string, std::string> environment() {
        return {{"HOME", "/root"},       {"XDG_CONFIG_HOME", testutil::unset}, {"http_proxy", testutil::unset},
                {"LANG", "C"},           {"LC_ALL", testutil::unset},          {"HTTP_PROXY", testutil::unset},
                {"no_proxy", testutil::unset}};
    }

    static testutil::RunResult runSummary(const std::string& result, const std::vector<std::string>& releases) {
        std::vector<std::string> argv{testutil::program("prog_report_summary"), result, fixtures + "statistics",
                                      fixtures + "installed/p1-0.9.cache"};
        argv.insert(argv.end(), releases.begin(), releases.end());
        return testutil::run(argv, environment());
    }
};

TEST_F(StatisticsReport, PostsOnePerProductWhenAskedOrInTheTestNetwork) {
    testutil::TempDir dir;
    const std::string log = dir / "posts";
    testutil::Background httpd({"/usr/bin/python3", server, log});
    ASSERT_EQ(httpd.readLine(), "ready");

    const std::vector<std::string> both{"p1:p1-1.0", "p2:p2-3.1"};
    const std::vector<std::string> expected{body("p1", "1.0", "0.9", "OK"), body("p2", "3.1", "", "OK")};
    const Case cases[] = {
        {"the rc flag sends wherever the host is", flag, loopback, "ok", both, expected},
        {"without the flag, outside the test network: nothing", noFlag, loopback, "ok", both, {}},
        {"without the flag, inside the test network", noFlag, testNetwork, "ok", both, expected},
        {"a failed run", flag, loopback, "fail", {"p2:p2-3.1"}, {body("p2", "3.1", "", "FAIL")}},
        {"a run that set no result", flag, loopback, "none", {"p1:p1-1.0"}, {body("p1", "1.0", "0.9", "undefined")}},
        {"a run without selected releases", flag, loopback, "ok", {}, {}},
        {"a listing of the real program has no products", flag, loopback, "listing", {}, {}},
    };
    for (const Case& c : cases) {
        configure(c.rc, c.address);
        testutil::writeFile(log, "");
        testutil::RunResult r;
        if (std::string(c.run) == "listing") {
            r = testutil::run({VN_VANTRELL_BIN, "--show-additional-source-types"}, environment());
            EXPECT_EQ(r.status, 0) << c.label << ": " << r.err;
        } else {
            r = runSummary(c.run, c.releases);
            EXPECT_EQ(r.status, std::string(c.run) == "fail" ? 1 : 0) << c.label << ": " << r.out << r.err;
            EXPECT_EQ(r.out, "filled " + std::to_string(c.releases.size()) + "\n") << c.label;
        }
        // The posts are made before the run exits, so the log is complete by now.
        EXPECT_EQ(testutil::splitLines(testutil::readFile(log)), c.posts) << c.label;
    }
}

// A statistics server that takes the connection and never answers: each post gives up after
// its 3 seconds, long before the server drops the connection after 30.
TEST_F(StatisticsReport, ASilentServerDoesNotHoldTheExit) {
    configure(flag, loopback);
    testutil::TempDir dir;
    testutil::Background silent({"/usr/bin/python3", server, "--silent", dir / "posts"});
    ASSERT_EQ(silent.readLine(), "ready");
    const auto begin = std::chrono::steady_clock::now();
    const testutil::RunResult r = runSummary("ok", {"p1:p1-1.0", "p2:p2-3.1"});
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(seconds, 25) << "the run waited for the silent server";
}

}  // namespace
