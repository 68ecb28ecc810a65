// The APT configurator against the real apt of this machine, inside the namespace helper: an
// empty tmpfs on /etc/apt holds only what each test writes (the fixture repository's key,
// apt's sandbox user, and a sources.list or an empty sources.list.d), /var is a throw-away
// overlay, and the generated update source is served on 127.0.0.1. The files are compared byte
// for byte, with their modes, before and after.
#include "configurators/DebianAPTConfigurator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "packages/DebPackage.h"
#include "packages/Repository.h"
#include "packages/Version.h"
#include "sources/FileFetcher.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

const char* const header =
    "## This is temporary appended by Vantrell for \n"
    "## specify source of product's packages for APT.\n";

int modeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void mustRun(const std::string& command) {
    const testutil::RunResult r = testutil::shell(command);
    ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

// The log after the configurator's restore line.
std::string afterRestoreLine(const std::string& log) {
    const size_t at = log.find("~DebianAPTConfigurator: apt_conf_d_used=");
    return at == std::string::npos ? std::string("no restore line") : log.substr(at);
}

class RealApt : public testutil::EnglishTest {
protected:
    // /etc/apt of its own; `size` limits the tmpfs ("" for none).
    void emptyEtcApt(const std::string& size) {
        ASSERT_EQ(std::string(::getenv("VN_SANDBOXED") ? "yes" : "no"), "yes");
        mustRun("mount -t tmpfs -o mode=0755" + (size.empty() ? "" : ",size=" + size) + " vn-etc-apt /etc/apt");
    }
    // What apt needs to update from the fixture repository.
    void trustFixture() {
        mustRun("mkdir -p /etc/apt/trusted.gpg.d /etc/apt/apt.conf.d && cp " + root + "/tarnix/debian12/apt/key.gpg " +
                "/etc/apt/trusted.gpg.d/vantrell-fixture.gpg && echo 'APT::Sandbox::User \"root\";' " +
                ">/etc/apt/apt.conf.d/00vantrell-test");
    }
    void snapshot() { mustRun("cp -a /etc/apt " + (saved / "apt")); }
    // `diff -r` of /etc/apt against the snapshot: "" when the same.
    std::string changes() {
        const testutil::RunResult r = testutil::run({"/usr/bin/diff", "-r", saved / "apt", "/etc/apt"});
        return r.out + r.err;
    }

    // The distribution source of a Debian build of the update source, listed by the product
    // description in `top`.
    void addBuild(const std::string& config) {
        auto description = std::make_shared<BuildInfFile>(root + "/" + config, config);
        auto build = std::make_shared<Build>(nullptr, description->os_name, description->os_vendor,
                                             description->os_version, description->os_arch,
                                             description->os_release_name, description->environment, config, "");
        build->base_dir = config.substr(0, config.find('/'));
        build->description = description;
        builds.push_back(build);
        sources.addBuildSources(FileFetcher(location, target.path()), build);
    }
    std::string lineOf(const std::string& product) const {
        return "deb " + server->url(product + "/debian12/apt") + " bookworm main";
    }
    void serve() {
        server.reset(new testutil::HttpServer(root));
        location = server->url("products.inf3");
    }

    const std::string root = testutil::updateSource();
    testutil::TempDir saved;
    testutil::TempDir target;
    std::unique_ptr<testutil::HttpServer> server;
    std::string location;
    std::vector<std::shared_ptr<Build>> builds;
    Repository repo;
    ComponentManager components;
    SourceManager sources{repo};
};

TEST_F(RealApt, ListFileModeConfiguresQueriesAndLeavesNothingBehind) {
    emptyEtcApt("");
    trustFixture();
    mustRun("mkdir /etc/apt/sources.list.d");
    snapshot();
    serve();
    addBuild("tarnix/debian12/build.inf3");
    testutil::TempDir probe;

    testutil::LogCapture log(3);
    {
        DebianAPTConfigurator apt(location, components, sources);
        apt.configure();
        EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::listFile), header + lineOf("tarnix") + "\n");
        EXPECT_FALSE(exists(DebianAPTConfigurator::sourcesList));
        const std::string text = log.text();
        EXPECT_NE(text.find("add line '" + lineOf("tarnix") + "' to source list\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("Warning: there are errors in 'apt-get update'"), std::string::npos) << text;
        EXPECT_FALSE(apt.cdrom_in_sources);

        Package* core = apt.getPackage("vantrell-fixture-core");
        ASSERT_NE(core, nullptr);
        std::ostringstream found;
        found << core->getName() << " " << *core->getVersion() << " " << static_cast<char>(core->getType()) << " "
              << core->getFileName();
        EXPECT_EQ(found.str(), "vantrell-fixture-core 10.1-1 u package_from_apt_cache");
        EXPECT_NE(dynamic_cast<DebPackage*>(core), nullptr);

        const std::string planted = probe / "pwned";
        EXPECT_EQ(apt.getPackage("a;touch " + planted), nullptr);
        EXPECT_FALSE(exists(planted));
        EXPECT_EQ(apt.getPackage("vantrell-fixture-none"), nullptr);
    }
    // The list file is gone; the index is not updated for that.
    EXPECT_EQ(changes(), "");
    const std::string undone = afterRestoreLine(log.text());
    EXPECT_EQ(undone.rfind("~DebianAPTConfigurator: apt_conf_d_used=true\n", 0), 0u) << undone;
    EXPECT_EQ(undone.find("apt-get update"), std::string::npos) << undone;
}

TEST_F(RealApt, ALocalUpdateSourceIsAFileLine) {
    emptyEtcApt("");
    trustFixture();
    mustRun("mkdir /etc/apt/sources.list.d");
    location = root + "/products.inf3";
    addBuild("tarnix/debian12/build.inf3");

    testutil::LogCapture log(3);
    DebianAPTConfigurator apt(location, components, sources);
    apt.configure();
    EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::listFile),
              std::string(header) + "deb file://" + root + "/tarnix/debian12/apt bookworm main\n");
    EXPECT_EQ(log.text().find("Warning: there are errors in 'apt-get update'"), std::string::npos) << log.text();
    Package* core = apt.getPackage("vantrell-fixture-core");
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(core->getVersion()->toString(), "10.1-1");
    apt.restore();
    EXPECT_FALSE(exists(DebianAPTConfigurator::listFile));
}

TEST_F(RealApt, AppendModeAddsTheMissingLinesOnceAndRestoresTheFile) {
    emptyEtcApt("");
    trustFixture();
    serve();
    addBuild("tarnix/debian12/build.inf3");
    addBuild("vemdo/debian12/build.inf3");
    // One of the two lines is there already, with blanks around it.
    const std::string old = "# the host's own sources\n  " + lineOf("tarnix") + " \n";
    testutil::writeFile(DebianAPTConfigurator::sourcesList, old);
    mustRun("chmod 0640 /etc/apt/sources.list");
    snapshot();
    const std::string appended = old + "\n" + header + lineOf("vemdo") + "\n";

    testutil::LogCapture log(3);
    {
        DebianAPTConfigurator apt(location, components, sources);
        apt.configure();
        EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::sourcesList), appended);
        EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::sourcesListBackup), old);
        EXPECT_EQ(modeOf(DebianAPTConfigurator::sourcesListBackup), 0640);
        EXPECT_FALSE(exists(DebianAPTConfigurator::listFile));
        EXPECT_NE(log.text().find("add line '" + lineOf("vemdo") + "' to source.list\n"), std::string::npos);

        // Put back, then appended again: still one block.
        apt.reconfigureSources();
        EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::sourcesList), appended);
        EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::sourcesListBackup), old);

        testutil::StderrCapture console;
        apt.restore();
        // The update after the restore is not echoed on the console.
        EXPECT_EQ(console.text().find("Hit:"), std::string::npos) << console.text();
        EXPECT_EQ(console.text().find("Get:"), std::string::npos) << console.text();
    }
    EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::sourcesList), old);
    EXPECT_EQ(modeOf(DebianAPTConfigurator::sourcesList), 0640);
    EXPECT_EQ(changes(), "");
    const std::string undone = afterRestoreLine(log.text());
    EXPECT_EQ(undone.rfind("~DebianAPTConfigurator: apt_conf_d_used=false\n", 0), 0u) << undone;
    EXPECT_NE(undone.find("Execute command apt-get update"), std::string::npos) << undone;
    // Restored once: the destructor did not repeat it.
    EXPECT_EQ(undone.find("~DebianAPTConfigurator", 1), std::string::npos) << undone;
}

TEST_F(RealApt, EveryLinePresentWritesNothing) {
    emptyEtcApt("");
    trustFixture();
    serve();
    addBuild("tarnix/debian12/build.inf3");
    addBuild("vemdo/debian12/build.inf3");
    testutil::writeFile(DebianAPTConfigurator::sourcesList, lineOf("vemdo") + "\n\t" + lineOf("tarnix") + "\n");
    snapshot();

    testutil::LogCapture log(3);
    {
        DebianAPTConfigurator apt(location, components, sources);
        apt.configure();
        EXPECT_NE(log.text().find("all source lines is already in source list, sources.list is not modified\n"),
                  std::string::npos);
    }
    EXPECT_EQ(changes(), "");
    const std::string undone = afterRestoreLine(log.text());
    EXPECT_EQ(undone, "~DebianAPTConfigurator: apt_conf_d_used=false\n");
}

TEST_F(RealApt, AFullDiskDuringTheAppendIsReportedAndUndone) {
    emptyEtcApt("8k");
    location = "http://127.0.0.1:9/products.inf3";
    addBuild("tarnix/debian12/build.inf3");
    // One page of the two: the backup takes the other.
    const std::string old = std::string(4095, '#') + "\n";
    testutil::writeFile(DebianAPTConfigurator::sourcesList, old);

    testutil::LogCapture log(3);
    {
        DebianAPTConfigurator apt(location, components, sources);
        const error e = raisedError([&] { apt.configure(); });
        EXPECT_EQ(codesOf(e), "(4,1,1,2)");
        EXPECT_EQ(e.text(), "Failed to write to the file /etc/apt/sources.list: No space left on device.\n");
        EXPECT_FALSE(apt.isConfigured());
    }
    EXPECT_EQ(testutil::readFile(DebianAPTConfigurator::sourcesList), old);
    EXPECT_FALSE(exists(DebianAPTConfigurator::sourcesListBackup));
}

TEST_F(RealApt, NeitherSourcesListNorItsDirectory) {
    emptyEtcApt("");
    location = "http://127.0.0.1:9/products.inf3";
    addBuild("tarnix/debian12/build.inf3");
    testutil::LogCapture log(3);
    DebianAPTConfigurator apt(location, components, sources);
    const error e = raisedError([&] { apt.writeSourceLines(); });
    EXPECT_EQ(codesOf(e), "(0,0,0,0)");
    EXPECT_EQ(e.text(), "Can't configure APT sources\n");
    EXPECT_EQ(testutil::run({"/bin/ls", "-A", "/etc/apt"}).out, "");
}

TEST_F(RealApt, ARunWithoutDistributionSourcesWritesNothing) {
    emptyEtcApt("");
    mustRun("mkdir /etc/apt/sources.list.d");
    snapshot();
    DebianAPTConfigurator apt("http://127.0.0.1:9/products.inf3", components, sources);
    const error e = raisedError([&] { apt.writeSourceLines(); });
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 SourceManager, line 197.\n");
    EXPECT_EQ(changes(), "");
}

}  // namespace
