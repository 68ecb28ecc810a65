// rpm as the judge of the resolver: real packages are built, the installed ones registered in
// a private database, and rpm itself must accept the resolver's answer for installation while
// it refuses the start list alone.
#include "packages/PkgManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "common/error.h"
#include "packages/ResolverUniverse.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace {

using testutil::printed;
using testutil::ResolverUniverse;
using testutil::RunResult;

struct RpmPackage {
    std::string name;
    std::string version;
    std::vector<std::string> requires;
    std::vector<std::string> provides;
    bool installed;
};

struct OracleCase {
    std::string name;
    std::vector<RpmPackage> packages;
    std::vector<std::string> start;
    std::vector<std::string> expected;  // the necessary list, as print forms
};

std::ostream& operator<<(std::ostream& out, const OracleCase& c) { return out << c.name; }

std::vector<OracleCase> cases() {
    return {
        {"alternatives",
         {{"app", "1.0", {"mta", "libone"}, {}, false},
          {"postfix", "1.0", {"libpf"}, {"mta"}, false},
          {"libpf", "1.0", {}, {}, false},
          {"exim", "1.0", {}, {"mta"}, false},
          {"libone", "1.0", {}, {}, false}},
         {"app"},
         // exim needs nothing more, so it wins over postfix.
         {"app-1.0-1.noarch", "libone-1.0-1.noarch", "exim-1.0-1.noarch"}},
        {"versions",
         {{"app", "1.0", {"libv >= 2"}, {}, false},
          {"tool", "1.0", {"libv > 2.5"}, {}, false},
          {"libv", "1.0", {}, {}, true},
          {"libv", "2.0", {}, {}, false},
          {"libv", "3.0", {}, {}, false}},
         {"app", "tool"},
         {"app-1.0-1.noarch", "tool-1.0-1.noarch", "libv-3.0-1.noarch"}},
        {"installed_providers",
         {{"app", "1.0", {"db", "web"}, {}, false},
          {"web", "1.0", {"libssl >= 3"}, {}, false},
          {"sqlite", "1.0", {}, {"db"}, true},
          {"pgsql", "1.0", {}, {"db"}, false},
          {"openssl", "3.0", {}, {"libssl = 3.0"}, true},
          {"openssl", "3.1", {}, {"libssl = 3.1"}, false}},
         {"app"},
         {"app-1.0-1.noarch", "web-1.0-1.noarch", "openssl-3.0-1.noarch", "sqlite-1.0-1.noarch"}},
        {"restart_without_the_newest",
         {{"app", "1.0", {"libx >= 1"}, {}, false},
          {"libx", "1.0", {}, {}, false},
          {"libx", "2.0", {"libx-helper-that-nobody-has"}, {}, false}},
         {"app"},
         {"app-1.0-1.noarch", "libx-1.0-1.noarch"}},
    };
}

// The record of every package as the full read of the installed-package source asks rpm for it.
const char* const recordFormat =
    "F:%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm\\nN:%{NAME}\\nE:%{EPOCH}\\nV:%{VERSION}\\nL:%{RELEASE}\\n"
    "A:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\n"
    "[R:%{REQUIRENAME} %{REQUIREFLAGS:depflags} %{REQUIREVERSION}\\n]"
    "[P:%{PROVIDENAME} %{PROVIDEFLAGS:depflags} %{PROVIDEVERSION}\\n]"
    "[P:%{FILENAMES}\\nm:%{FILEMODES}\\n5:%{FILEMD5S}%{FILELINKTOS}\\n]"
    "[C:%{CONFLICTNAME} %{CONFLICTFLAGS:depflags} %{CONFLICTVERSION}\\n]"
    "[O:%{OBSOLETENAME} %{OBSOLETEFLAGS:depflags} %{OBSOLETEVERSION}\\n]X:\\n";

// rpm and rpmbuild with a private home, top directory and database: nothing of the host's
// rpm set-up is read or changed.
class RpmWorld {
public:
    RpmWorld() {
        for (const char* dir : {"home", "rpmtmp", "db", "universe"}) mkdir((tmp / dir).c_str(), 0700);
        testutil::writeFile(tmp / "home/.rpmmacros", "%_topdir " + tmp / "top" + "\n%_dbpath " + tmp / "db" +
                                                          "\n%_tmppath " + tmp / "rpmtmp" + "\n");
        mustRun({"/usr/bin/rpm", "--initdb", "--dbpath", tmp / "db"});
    }

    std::string build(const RpmPackage& p) {
        std::string spec = "Name: " + p.name + "\nVersion: " + p.version +
                           "\nRelease: 1\nSummary: resolver oracle package\nLicense: none\nBuildArch: noarch\n";
        for (const std::string& r : p.requires) spec += "Requires: " + r + "\n";
        for (const std::string& r : p.provides) spec += "Provides: " + r + "\n";
        spec += "%description\nresolver oracle package\n%files\n";
        const std::string specFile = tmp / (p.name + "-" + p.version + ".spec");
        testutil::writeFile(specFile, spec);
        mustRun({"/usr/bin/rpmbuild", "--quiet", "-bb", specFile});
        return fileOf(p.name + "-" + p.version + "-1.noarch");
    }

    std::string fileOf(const std::string& printedForm) const {
        return tmp / ("top/RPMS/noarch/" + printedForm + ".rpm");
    }

    // Registers the packages in the private database only.
    void install(const std::vector<std::string>& files) {
        if (files.empty()) return;
        std::vector<std::string> argv = {"/usr/bin/rpm", "-i", "--justdb", "--nodeps", "--dbpath", tmp / "db"};
        argv.insert(argv.end(), files.begin(), files.end());
        mustRun(argv);
    }

    // The universe of the resolver, in package cache text: "s.cache" from the database,
    // "u.cache" from the package files.
    std::string writeUniverse(const std::vector<std::string>& files) {
        testutil::writeFile(tmp / "universe/s.cache",
                            mustRun({"/usr/bin/rpm", "-qa", "--dbpath", tmp / "db", "--queryformat", recordFormat}));
        std::vector<std::string> argv = {"/usr/bin/rpm", "-qp", "--queryformat", recordFormat};
        argv.insert(argv.end(), files.begin(), files.end());
        testutil::writeFile(tmp / "universe/u.cache", mustRun(argv));
        return tmp / "universe";
    }

    // rpm's own verdict on installing the files over the private database.
    RunResult testInstall(const std::vector<std::string>& files) {
        std::vector<std::string> argv = {"/usr/bin/rpm", "-U", "--test", "--dbpath", tmp / "db"};
        argv.insert(argv.end(), files.begin(), files.end());
        return run(argv);
    }

private:
    RunResult run(const std::vector<std::string>& argv) {
        return testutil::run(argv, {{"HOME", tmp / "home"}, {"LC_ALL", "C"}});
    }
    std::string mustRun(const std::vector<std::string>& argv) {
        const RunResult r = run(argv);
        EXPECT_EQ(r.status, 0) << argv[0] << " " << argv[1] << ": " << r.err;
        if (r.status != 0) throw std::runtime_error("rpm tool failed");
        return r.out;
    }

    testutil::TempDir tmp;
};

class PkgManagerRpmOracle : public testutil::EnglishTest, public ::testing::WithParamInterface<OracleCase> {};

TEST_P(PkgManagerRpmOracle, RpmAcceptsTheResolution) {
    const OracleCase& c = GetParam();
    RpmWorld world;
    std::vector<std::string> installed;
    std::vector<std::string> offered;
    for (const RpmPackage& p : c.packages) (p.installed ? installed : offered).push_back(world.build(p));
    world.install(installed);

    ResolverUniverse u(world.writeUniverse(offered));
    std::vector<const Package*> list;
    std::vector<std::string> startFiles;
    for (const std::string& name : c.start) {
        for (const Package* p : u.repo.pkgList)
            if (p->getName() == std::string(name) && p->getType() == 'u') list.push_back(p);
        startFiles.push_back(world.fileOf(list.back()->toString()));
    }
    ResolverOptions options{1, false};
    PkgManager pm(&u.repo, &list, &options);
    pm.osArch = "x86_64";
    pm.findNecessaryPackages(false);
    EXPECT_EQ(printed(list), c.expected);

    std::vector<std::string> toInstall;
    for (const Package* p : list)
        if (p->getType() != 's') toInstall.push_back(world.fileOf(p->toString()));
    const RunResult alone = world.testInstall(startFiles);
    EXPECT_NE(alone.status, 0) << "the start list alone should not install";
    const RunResult resolved = world.testInstall(toInstall);
    EXPECT_EQ(resolved.status, 0) << resolved.err;
}

INSTANTIATE_TEST_SUITE_P(Universes, PkgManagerRpmOracle, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<OracleCase>& info) { return info.param.name; });

}  // namespace
