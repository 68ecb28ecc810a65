// The command-line work mode from the outside: the real vantrell, run in the namespace helper
// against the fixture update source served on 127.0.0.1, with the real apt and dpkg of this
// machine over the namespace's own /etc, /var, /opt and /root. Also the driver's disk-space
// step on its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/filesystem.hpp>
#include <functional>

#include "common/error.h"
#include "common/utils.h"
#include "main/runCommandLine.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

namespace fs = boost::filesystem;

const std::string bin = VN_VANTRELL_BIN;
const std::string goldens = VN_FIXTURES_DIR "/cli/";
const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
const std::string optionsIni = "/root/.vantrell/options.ini";
const std::string nvoRecord = "/root/nvo.record";
const std::string installOk = "The packages were installed successfully.";
const std::string alreadyInstalled =
    "You already have the latest version of product(s) and all selected components\n"
    " installed. Installation will not continue.";

extern "C" char** environ;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

void mustRun(const std::string& command) {
    const testutil::RunResult r = testutil::shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

// ---- the disk-space step

struct SpaceCase {
    const char* name;
    bool enabled;
    const char* source;
    uint64_t required;
    bool known;  // whether the free space can be asked
    uint64_t available;
    bool raises;
    bool installerChecks;
};

TEST(CommandLineDriverDiskSpace, ComparesTheDownloadWithTheTargetsFreeSpace) {
    const SpaceCase cases[] = {
        {"one KiB short", true, "http://updates.example.invalid/products.inf3", 1000, true, 999, true, false},
        {"exactly fits", true, "http://updates.example.invalid/products.inf3", 999, true, 999, false, true},
        {"nothing to download", true, "http://updates.example.invalid/", 0, true, 0, false, true},
        {"local source", true, "/srv/updates/products.inf3", 1000, true, 999, false, true},
        {"no space check", false, "http://updates.example.invalid/products.inf3", 1000, true, 999, false, false},
        {"free space unknown", true, "http://updates.example.invalid/products.inf3", 1000, false, 0, false, true},
        {"beyond 32 bits free", true, "http://updates.example.invalid/", 4294967295u, true, 8589934592ull, false,
         true},
    };
    for (const SpaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        bool asked = false, checked = false;
        testutil::LogCapture log(1);
        try {
            checkDownloadSpace(
                c.enabled, c.source, "/t", c.required, [&] { checked = true; },
                [&](const std::string& path, uint64_t& kib) {
                    EXPECT_EQ(path, "/t");
                    asked = true;
                    if (c.known) kib = c.available;
                    return c.known;
                });
            EXPECT_FALSE(c.raises);
        } catch (const error& e) {
            EXPECT_TRUE(c.raises) << e.text();
            EXPECT_EQ(e.text(),
                      "Downloading files from the server requires more free disk space than you have in the /t "
                      "directory.\nYou need to free up some disk space.\n");
            EXPECT_EQ(e.e_class, 4);
            EXPECT_EQ(e.e_rep, 1);
            EXPECT_EQ(e.e_sys, 1);
            EXPECT_EQ(e.e_supp, 2);
            EXPECT_TRUE(contains(log.text(),
                                 "There is no space in /t for downloading (required 1000 Kb, available 999 KB).\n"))
                << log.text();
        }
        EXPECT_EQ(checked, c.installerChecks);
        EXPECT_EQ(asked, c.enabled && c.source[0] != '/');
    }
}

TEST(CommandLineDriverDiskSpace, AFailedQueryOfTheRealFileSystemSkipsOnlyTheComparison) {
    testutil::TempDir dir;
    const std::string missing = dir.path() + "/no/such/directory";
    bool checked = false;
    testutil::LogCapture log(0);
    checkDownloadSpace(true, "http://updates.example.invalid/", missing, UINT64_MAX, [&] { checked = true; },
                       queryFreeSpace);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(contains(log.text(), "Warning! Unable to determine the amount of free disk space: ")) << log.text();
    EXPECT_FALSE(contains(log.text(), "There is no space")) << log.text();
}

// ---- whole runs

class CommandLineDriver : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        ASSERT_EQ(std::string(::getenv("VN_SANDBOXED") ? "yes" : "no"), "yes");
        // apt reads only the fixture repository, trusts its key, and downloads as root (its own
        // download user cannot read the overlay).
        mustRun("rm -rf /etc/apt/sources.list.d /etc/apt/sources.list /etc/apt/preferences.d/* "
                "/etc/apt/apt.conf.d/* && mkdir -p /etc/apt/sources.list.d /etc/apt/trusted.gpg.d && "
                ": >/etc/apt/sources.list && cp " + root + "/tarnix/debian12/apt/key.gpg "
                "/etc/apt/trusted.gpg.d/vantrell-fixture.gpg && "
                "echo 'APT::Sandbox::User \"root\";' >/etc/apt/apt.conf.d/00vantrell-test");
        // The host name resolves to this host, and the control panel's service stand-in records
        // what it was asked to do.
        mustRun("echo '127.0.0.1 localhost' >/etc/hosts && echo \"127.0.0.1 $(hostname)\" >>/etc/hosts");
        mustRun("mkdir -p /etc/init.d && printf '#!/bin/sh\\necho \"$1\" >>" + nvoRecord +
                "\\n' >/etc/init.d/nvo && chmod 0755 /etc/init.d/nvo");
        mustRun("rm -rf /root/.vantrell /var/cache/corvane_installer /opt/vantrell-fixture");
        server.reset(new testutil::HttpServer(root));
    }

    testutil::RunResult vantrell(const std::vector<std::string>& args, const std::string& catalogue = "products.inf3",
                                 std::map<std::string, std::string> env = {}) {
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.compare(0, 3, "LC_") == 0) env[entry.substr(0, entry.find('='))] = testutil::unset;
        }
        for (const char* name : {"LANGUAGE", "TARNIX_INSTALLER_DEBUG", "VANTRELL_STATUS_COOKIE", "FTP_PROXY",
                                 "HTTP_PROXY", "HTTP_PROXY_AUTH", "TARNIX_DISABLE_HOSTNAME_CHECKING"})
            env[name] = testutil::unset;
        env["LANG"] = "C";
        env["HOME"] = "/root";
        std::vector<std::string> argv{bin, "--source", server->url(catalogue), "--target", target.path()};
        argv.insert(argv.end(), args.begin(), args.end());
        return testutil::run(argv, env);
    }

    void snapshotEtcApt() { mustRun("rm -rf " + saved.path() + "/apt && cp -a /etc/apt " + saved.path() + "/apt"); }
    std::string etcAptChanges() {
        const testutil::RunResult r = testutil::run({"/usr/bin/diff", "-r", saved.path() + "/apt", "/etc/apt"});
        return r.out + r.err;
    }
    // name=version of the installed fixture packages, one a line.
    std::string installedFixturePackages() {
        return testutil::shell("dpkg-query -W -f '${db:Status-Status} ${Package}=${Version}\\n' "
                               "'vantrell-fixture-*' 2>/dev/null | sed -n 's/^installed //p' | sort")
            .out;
    }
    static std::string golden(const std::string& name) { return testutil::readFile(goldens + name); }

    const std::string root = testutil::updateSource();
    testutil::TempDir target;
    testutil::TempDir saved;
    std::unique_ptr<testutil::HttpServer> server;
};

// What "--install-everything" of tarnix 10.1 installs: the components of the release and of
// both add-ons, and what apt adds for them.
const std::string everythingInstalled =
    "vantrell-fixture-addon=1.0-1\nvantrell-fixture-core=10.1-1\nvantrell-fixture-docs=1.0-1\n"
    "vantrell-fixture-lazy=1.0-1\nvantrell-fixture-mta-light=10.1-1\nvantrell-fixture-web=10.1-1\n";

const std::vector<std::string> tarnixLatest{"--select-product-id", "tarnix", "--select-release-latest"};

std::vector<std::string> with(std::vector<std::string> base, const std::vector<std::string>& more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

struct ListingCase {
    const char* name;
    std::vector<std::string> args;
    const char* golden;  // file under tests/fixtures/cli
};

TEST_F(CommandLineDriver, ListingsMatchTheirGoldensAndLeaveTheHostAsItWas) {
    mustRun("mkdir -p /root/.vantrell && printf '[tarnix]\\nkept=\"yes\"\\n' >" + optionsIni);
    const std::string answers = testutil::readFile(optionsIni);
    snapshotEtcApt();
    const ListingCase cases[] = {
        {"all releases", {"--show-all-releases"}, "show-all-releases.txt"},
        {"all releases, XML", with(tarnixLatest, {"--show-all-releases", "--enable-xml-output"}),
         "show-all-releases.xml"},
        {"operating systems", with(tarnixLatest, {"--show-os-list"}), "show-os-list.txt"},
        {"components with settings", with(tarnixLatest, {"--show-components", "--show-options"}),
         "show-components-options.txt"},
        {"components, XML", with(tarnixLatest, {"--show-components", "--enable-xml-output"}),
         "show-components.xml"},
        {"packages", with(tarnixLatest, {"--install-everything", "--show-packages"}), "show-packages.txt"},
        {"releases", with(tarnixLatest, {"--show-releases"}), "show-releases.txt"},
        {"releases of a product not installed", {"--select-product-id", "tarnix", "--select-release-current",
                                                 "--show-releases"}, "show-releases.txt"},
    };
    for (const ListingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const testutil::RunResult r = vantrell(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, golden(c.golden)) << r.err;
        EXPECT_EQ(etcAptChanges(), "");
        EXPECT_FALSE(exists("/etc/apt/sources.list.vn_back"));
        EXPECT_FALSE(exists("/etc/apt/sources.list.d/50ql_vantrell.list"));
        EXPECT_EQ(testutil::readFile(optionsIni), answers);
        EXPECT_EQ(installedFixturePackages(), "");
    }
}

TEST_F(CommandLineDriver, XmlListingsThatCannotBeMadeEndInAnErrorReport) {
    const testutil::RunResult os = vantrell(with(tarnixLatest, {"--show-os-list", "--enable-xml-output"}));
    EXPECT_EQ(os.status, 0);
    EXPECT_TRUE(contains(os.out, "You cannot use the options --enable-xml-output and --show-os-list at once."))
        << os.out;
    EXPECT_TRUE(contains(os.out, "status=\"error\"")) << os.out;

    const testutil::RunResult options =
        vantrell(with(tarnixLatest, {"--show-components", "--show-options", "--enable-xml-output"}));
    EXPECT_EQ(options.status, 0);
    EXPECT_EQ(options.out.rfind(decl, 0), 0u) << options.out;
    EXPECT_TRUE(contains(options.out, "status=\"error\"")) << options.out;
    EXPECT_TRUE(contains(options.out, "error_class=\"internal\"")) << options.out;
    EXPECT_TRUE(contains(options.out, "ComponentsReporter: --show-options with --enable-xml-output is not implemented."))
        << options.out;
}

TEST_F(CommandLineDriver, InstallsPatchesAndFindsNothingToDoTheSecondTime) {
    const std::string hostStatus = testutil::readFile("/var/lib/dpkg/status");
    const std::vector<std::string> everything = with(tarnixLatest, {"--install-everything"});

    const testutil::RunResult first = vantrell(everything);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "\n\n");
    EXPECT_TRUE(contains(first.err, installOk)) << first.err;
    EXPECT_TRUE(contains(first.err, "Installing patches...")) << first.err;
    EXPECT_TRUE(contains(first.err, "Patches were installed successfully.")) << first.err;
    EXPECT_EQ(installedFixturePackages(),
              everythingInstalled);
    EXPECT_TRUE(exists("/opt/vantrell-fixture/web")) << testutil::shell("ls -R /opt/vantrell-fixture").out;
    const std::string patched = "/opt/vantrell-fixture/core/app.conf";
    EXPECT_EQ(testutil::readFile(patched), testutil::readFile(root + "/tarnix/debian12/patch-files/app.conf"));
    EXPECT_EQ(testutil::shell("stat -c '%U:%G %a' " + patched).out, "daemon:nogroup 640\n");
    EXPECT_EQ(testutil::readFile(nvoRecord), "restart\n");

    const std::string afterFirst = testutil::readFile("/var/lib/dpkg/status");
    const testutil::RunResult second = vantrell(everything);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_TRUE(contains(second.err, alreadyInstalled)) << second.err;
    EXPECT_FALSE(contains(second.err, installOk)) << second.err;
    EXPECT_FALSE(contains(second.err, "Installing patches...")) << second.err;
    EXPECT_EQ(testutil::readFile("/var/lib/dpkg/status"), afterFirst);
    EXPECT_EQ(testutil::readFile(nvoRecord), "restart\n");

    // The host's own database is another file: the namespace's overlay took every change.
    EXPECT_NE(afterFirst, hostStatus);
}

TEST_F(CommandLineDriver, XmlInstallReportsOnlyTheOutcome) {
    const testutil::RunResult r =
        vantrell(with(tarnixLatest, {"--enable-xml-output", "--no-daemon", "--install-everything"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, decl + "<vantrell status=\"install_ok\" />\n");
    EXPECT_EQ(installedFixturePackages(),
              everythingInstalled);
}

TEST_F(CommandLineDriver, DisabledMajorUpdatesInstallNothing) {
    const testutil::RunResult r = vantrell(with(tarnixLatest, {"--disable-major-updates", "--install-everything"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err,
                         "Available updates were not installed because they are major updates, and batch\n"
                         "mode installation of such updates is forbidden by the current setting\n"
                         "of --disable-major-updates option.\n"))
        << r.err;
    EXPECT_EQ(installedFixturePackages(), "");
}

TEST_F(CommandLineDriver, AnUnresolvableHostNameIsOnlyAWarningThatChildrenInherit) {
    mustRun("echo '127.0.0.1 localhost' >/etc/hosts");
    const testutil::RunResult r = vantrell(with(tarnixLatest, {"--install-everything"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "Warning: Host name check failed.\n")) << r.err;
    EXPECT_TRUE(contains(r.err, installOk)) << r.err;
    EXPECT_EQ(testutil::readFile("/var/lib/vantrell-fixture/hostname-check"), "1\n");
}

TEST_F(CommandLineDriver, ACatalogueThatNeedsANewerInstallerRunsTheDownloadedOne) {
    const std::string record = "/tmp/fake-installer.record";
    const testutil::RunResult r = vantrell({"--show-all-releases"}, "products-newer-installer.inf3",
                                           {{"FAKE_INSTALLER_VERSION", "3.9.1"}, {"FAKE_INSTALLER_RECORD", record}});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    const std::vector<std::string> lines = testutil::splitLines(testutil::readFile(record));
    ASSERT_EQ(lines.size(), 7u) << testutil::readFile(record);
    EXPECT_EQ(lines[0].rfind("/var/cache/corvane_installer/corvane_installer_Debian_", 0), 0u) << lines[0];
    std::string name;
    for (fs::directory_iterator it(root + "/Corvane_Installer"), end; it != end; ++it)
        if (it->path().extension() != ".md5sum") name = it->path().filename().string();
    EXPECT_EQ(lines[0], "/var/cache/corvane_installer/" + name);
    const std::vector<std::string> original{"--source", server->url("products-newer-installer.inf3"), "--target",
                                            target.path(), "--show-all-releases"};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end() - 1), original);
    EXPECT_EQ(lines.back(), "mark A");
}

}  // namespace
