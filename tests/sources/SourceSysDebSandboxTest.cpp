// The installed Debian packages, read through the real dpkg-query, awk and grep: once from
// this host's own dpkg database, and once from fabricated status files (tests/fixtures/dpkg)
// through a dpkg-query on PATH that only adds --admindir. The reads announce their step in the
// shared progress record, so these tests run inside the namespace helper.
#include "sources/SourceSysDeb.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "packages/DebPackage.h"
#include "packages/DebVersion.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "packages/internString.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/ProgressProbe.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::splitLines;

const std::string listingLine =
    "DebRepository: readSystemPackagesBrief: execute dpkg-query --show "
    "'--showformat=s:${Status}\\nF:${Package}_installed.deb\\nN:${Package}\\nV:${Version}\\nA:${Architecture}\\nX:\\n'"
    "| awk '/^s:install ok/,/^X:/ { print $0}'| grep -v '^s:' ";

const std::string briefFailureLine =
    "Unable to retrieve the information about the packages installed in the system:\n"
    "Failed to read output from the dpkg-query utility.";

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SourceSysDebTest : public testutil::EnglishTest {
protected:
    ~SourceSysDebTest() override {
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }

    // The real dpkg-query over the status file of tests/fixtures/dpkg/<admindir>.
    void useStatusFixture(const std::string& admindir) {
        shims.add("dpkg-query", "exec /usr/bin/dpkg-query --admindir=" VN_FIXTURES_DIR "/dpkg/" + admindir + " \"$@\"");
    }

    Package* pooled(const char* name) {
        std::vector<Package*> found = repo.getPackagesByName(internString(name));
        return found.size() == 1 ? found[0] : nullptr;
    }

    testutil::CommandShims shims;
    Repository repo;
};

TEST_F(SourceSysDebTest, ThisHostsDpkgIsPooledAsAnInstalledDebianPackage) {
    const testutil::RunResult expected = testutil::run({"/usr/bin/dpkg-query", "-W", "-f=${Version}", "dpkg"});
    ASSERT_EQ(expected.status, 0) << expected.err;

    SourceSysDeb source(&repo);
    testutil::LogCapture log(1);
    testutil::StderrCapture console;
    source.getBrief();

    Package* dpkg = pooled("dpkg");
    ASSERT_NE(dpkg, nullptr);
    EXPECT_EQ(typeid(*dpkg), typeid(DebPackage));
    EXPECT_EQ(typeid(*dpkg->getVersion()), typeid(DebVersion));
    EXPECT_EQ(dpkg->getType(), 's');
    EXPECT_EQ(dpkg->getSource(), &source);
    EXPECT_EQ(dpkg->getFileName(), "dpkg_installed.deb");
    EXPECT_EQ(dpkg->getVersion()->toString(), expected.out);
    for (Package* p : repo.pkgList) EXPECT_EQ(p->getType(), 's') << p->getName();

    EXPECT_TRUE(contains(splitLines(log.text()), listingLine)) << log.text();
    EXPECT_EQ(console.text(), "Checking for installed packages... \n");
    std::map<std::string, std::string> record = testutil::progressRecord();
    EXPECT_EQ(record["stepId"], "check_system_packages");
    EXPECT_EQ(record["stepTitle"], "Checking for installed packages... ");
}

TEST_F(SourceSysDebTest, ListsThePackagesWhoseStatusBeginsInstallOk) {
    useStatusFixture("states");
    struct Row {
        const char* name;
        const char* status;  // as the fixture gives it
        const char* version;  // pooled version, or null when not listed
        const char* arch;
    };
    const Row rows[] = {
        {"vnfix-epoch", "install ok installed", "1:2.3-4", "amd64"},
        {"vnfix-unpacked", "install ok unpacked", "3.0-1", "amd64"},
        {"vnfix-halfconf", "install ok half-configured", "4.0-2", "all"},
        {"vnfix-held", "hold ok installed", nullptr, nullptr},
        {"vnfix-config", "deinstall ok config-files", nullptr, nullptr},
        {"vnfix-ubuntu", "install ok installed", "2.3.4-1ubuntu1", "amd64"},
        {"vnfix-beta", "install ok installed", "1.0-beta-2", "all"},
    };

    SourceSysDeb source(&repo);
    source.getBrief();

    size_t listed = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " (" + row.status + ")");
        Package* p = pooled(row.name);
        if (!row.version) {
            EXPECT_EQ(p, nullptr);
            continue;
        }
        ++listed;
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(typeid(*p), typeid(DebPackage));
        EXPECT_EQ(p->getVersion()->toString(), row.version);
        EXPECT_EQ(std::string(p->getArch()), row.arch);
        EXPECT_EQ(p->getFileName(), std::string(row.name) + "_installed.deb");
        EXPECT_EQ(p->getType(), 's');
        EXPECT_EQ(p->getSource(), &source);
    }
    EXPECT_EQ(repo.pkgList.size(), listed);
    // The epoch is the Debian one, not lost in the text.
    EXPECT_EQ(pooled("vnfix-epoch")->getVersion()->getEpoch(), 1u);

    // Installed packages have no file and no full read.
    source.getFull();
    EXPECT_EQ(repo.pkgList.size(), listed);
    EXPECT_EQ(pooled("vnfix-epoch")->getRequire(0), nullptr);
    source.downloadPackage(pooled("vnfix-epoch"));
    EXPECT_FALSE(source.isRemote());
}

TEST_F(SourceSysDebTest, AFailedListingIsReportedOnceAndTheReadRunsAgain) {
    struct Row {
        const char* label;
        const char* script;
        std::vector<std::string> lines;  // in the order added
        const char* codes;
        size_t pooled;
    };
    const std::string none = "exec /usr/bin/dpkg-query --admindir=" VN_FIXTURES_DIR "/dpkg/none-installed \"$@\"";
    const std::string malformed =
        "printf 's:install ok installed\\nF:a_installed.deb\\nN:a\\nV:1.0\\nA:all\\nX:\\n"
        "s:install ok installed\\nF:b_installed.deb\\nN\\nX:\\n'";
    const Row rows[] = {
        // grep finds no line to pass: the same status as a failing dpkg-query.
        {"nothing passes the filter", none.c_str(), {"dpkg-query command failed", briefFailureLine}, "(4,2,2,2)", 0},
        {"dpkg-query fails", "echo 'dpkg-query: error: database broken' >&2; exit 2",
         {"dpkg-query command failed", briefFailureLine}, "(4,2,2,2)", 0},
        {"malformed record",
         malformed.c_str(),
         {"Malformed package description:\none of the lines is too short to be a description.",
          "Error in Package::createFromCache: input line  7: N", briefFailureLine},
         "(1,1,1,3)", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        shims.add("dpkg-query", row.script);
        Repository local;
        SourceSysDeb source(&local);
        testutil::StderrCapture console;

        error e = raisedError([&] { source.getBrief(); });
        EXPECT_EQ(std::vector<std::string>(e.lines.begin(), e.lines.end()), row.lines);
        EXPECT_EQ(codesOf(e), row.codes);
        EXPECT_EQ(local.pkgList.size(), row.pooled);

        // Not marked done: the next call reads again and fails the same way.
        EXPECT_EQ(raisedError([&] { source.getBrief(); }).text(), e.text());
        for (Package* p : local.pkgList) delete p;
        local.pkgList.clear();
    }
}

TEST_F(SourceSysDebTest, InstalledVersionIsTheUpstreamVersionOfAnInstalledPackage) {
    useStatusFixture("states");
    struct Row {
        const char* name;
        const char* version;
    };
    const Row rows[] = {
        {"vnfix-epoch", "1:2.3"},   // epoch kept, revision dropped
        {"vnfix-ubuntu", "2.3.4"},  // distribution revision dropped
        {"vnfix-beta", "1.0"},      // cut at the first '-', inside the upstream version too
        {"vnfix-unpacked", ""},     // only "install ok installed" counts
        {"vnfix-halfconf", ""},
        {"vnfix-held", ""},
        {"vnfix-config", ""},
        {"nosuch", ""},  // dpkg-query exits 1
        {"x; touch /tmp/pwned", ""},
        {"$(touch /tmp/pwned)", ""},
    };
    SourceSysDeb source(&repo);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::LogCapture log;
        EXPECT_EQ(source.getPkgVersionFromSystemDirectly(row.name), row.version);
        const std::string verdict = *row.version ? std::string(" version ") + row.version + " installed in system"
                                                 : std::string(" not installed in system");
        EXPECT_TRUE(contains(splitLines(log.text()),
                             std::string("DEBUG: SourceSysDeb::getPkgVersionFromSystemDirectly ") + row.name + verdict))
            << log.text();
    }
    struct stat st;
    EXPECT_NE(::lstat("/tmp/pwned", &st), 0);
}

TEST_F(SourceSysDebTest, InstalledVersionQueryOfAPlainNameIsTheDesignedCommand) {
    useStatusFixture("states");
    SourceSysDeb source(&repo);
    testutil::LogCapture log;
    source.getPkgVersionFromSystemDirectly("vnfix-epoch");
    source.getPkgVersionFromSystemDirectly("a b");
    const std::vector<std::string> lines = splitLines(log.text());
    EXPECT_TRUE(contains(lines,
                         "Get output from command 'dpkg-query --show '--showformat=${Status}\\n${Version}\\n' "
                         "vnfix-epoch 2>/dev/null'"))
        << log.text();
    EXPECT_TRUE(contains(lines,
                         "Get output from command 'dpkg-query --show '--showformat=${Status}\\n${Version}\\n' "
                         "'a b' 2>/dev/null'"))
        << log.text();
}

}  // namespace
