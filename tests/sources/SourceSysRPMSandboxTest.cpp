// The installed rpm packages, read through the real rpm from a private database: HOME is a
// temporary directory whose .rpmmacros points %_dbpath into it, and fixture packages are
// registered there with --justdb. Where rpm must misbehave, a stand-in rpm on PATH does. The
// reads announce their steps in the shared progress record and the full read writes a fixed
// name in /tmp, so these tests run inside the namespace helper.
#include "sources/SourceSysRPM.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "packages/DependencyFile.h"
#include "packages/Package.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
#include "packages/internString.h"
#include "sources/SourceSysDeb.h"
#include "sources/CountingSource.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/ProgressProbe.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::rpmFixture;
using testutil::splitLines;

const char* const cacheFile = "/tmp/vantrell_system_packages.cache";

const std::string briefQuery =
    "rpm -qa --queryformat 'F:system_installed_brief_%{NAME}-%{VERSION}-%{RELEASE}.rpm\\nN:%{NAME}\\nE:%{EPOCH}\\n"
    "V:%{VERSION}\\nL:%{RELEASE}\\nA:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\nX:\\n' ";

const std::string fullQuery =
    "rpm -qa --queryformat 'F:system_installed_%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm\\nN:%{NAME}\\nE:%{EPOCH}\\n"
    "V:%{VERSION}\\nL:%{RELEASE}\\nA:%{ARCH}\\nf:%{INSTALLTIME}\\nB:%{BUILDTIME}\\n[R:%{REQUIRENAME} "
    "%{REQUIREFLAGS:depflags} %{REQUIREVERSION}\\n][P:%{PROVIDENAME} %{PROVIDEFLAGS:depflags} "
    "%{PROVIDEVERSION}\\n][P:%{FILENAMES}\\nm:%{FILEMODES}\\n5:%{FILEMD5S}%{FILELINKTOS}\\n][C:%{CONFLICTNAME} "
    "%{CONFLICTFLAGS:depflags} %{CONFLICTVERSION}\\n][O:%{OBSOLETENAME} %{OBSOLETEFLAGS:depflags} "
    "%{OBSOLETEVERSION}\\n]X:\\n'  > /tmp/vantrell_system_packages.cache";

const std::string briefFailureLine =
    "Unable to retrieve the information about the packages installed in the system:\n"
    "Failed to read output from the rpm utility.";

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> linesOf(const error& e) { return std::vector<std::string>(e.lines.begin(), e.lines.end()); }

// One dependency list as text; files with their mode and digest or link target.
std::vector<std::string> dump(Dependency* (Package::*get)(unsigned) const, const Package& p) {
    std::vector<std::string> out;
    for (unsigned i = 0; Dependency* d = (p.*get)(i); ++i) {
        std::ostringstream text;
        text << *d;
        if (const DependencyFile* f = dynamic_cast<const DependencyFile*>(d))
            text << " mode " << f->getMode() << " " << f->getMd5String();
        out.push_back(text.str());
    }
    return out;
}

struct stat statOf(const std::string& path) {
    struct stat st = {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

class SourceSysRPMTest : public testutil::EnglishTest {
protected:
    ~SourceSysRPMTest() override {
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }

    // A private, empty rpm database for every rpm that this process starts.
    void privateDatabase() {
        db.reset();  // gives back the HOME it replaced
        db.reset(new testutil::PrivateRpmDatabase);
    }

    // Registers fixture packages as installed; "-i" keeps earlier versions of the same name.
    void install(const std::vector<std::string>& fixtures) { db->registerInstalled(fixtures); }

    Package* pooled(const char* name) {
        std::vector<Package*> found = repo.getPackagesByName(internString(name));
        return found.size() == 1 ? found[0] : nullptr;
    }

    std::unique_ptr<testutil::PrivateRpmDatabase> db;
    testutil::CommandShims shims;
    Repository repo;
};

typedef SourceSysRPMTest RpmSourceSysRPM;

std::string sha256Prefix(const std::string& content) {
    testutil::RunResult r = testutil::run({"/usr/bin/sha256sum"}, {}, content);
    return r.out.substr(0, 32);
}

TEST_F(RpmSourceSysRPM, FullReadReplacesTheBriefPackageInItsPlace) {
    privateDatabase();
    install({"installed-foo-1.0.rpm"});

    SourceSysRPM source(&repo);
    testutil::LogCapture log(2);
    testutil::StderrCapture console;

    source.getBrief();
    ASSERT_EQ(repo.pkgList.size(), 1u);
    Package* brief = repo.pkgList[0];
    EXPECT_EQ(typeid(*brief), typeid(RPMPackage));
    EXPECT_EQ(brief->getFileName(), "system_installed_brief_foo-1.0-1.rpm");
    EXPECT_EQ(brief->toString(), "foo-1.0-1.noarch");
    EXPECT_FALSE(brief->getVersion()->hasEpoch());  // E:(none)
    EXPECT_EQ(brief->getType(), 's');
    EXPECT_EQ(brief->getSource(), &source);
    EXPECT_EQ(std::to_string(brief->buildTime()),
              testutil::rpmQuery(rpmFixture("installed-foo-1.0.rpm"), {"--queryformat", "%{BUILDTIME}"}));
    EXPECT_EQ(brief->getRequire(0), nullptr);
    EXPECT_EQ(brief->getProvide(0), nullptr);
    EXPECT_EQ(testutil::progressRecord()["stepId"], "check_system_packages");

    source.getFull();
    ASSERT_EQ(repo.pkgList.size(), 1u);
    Package* full = repo.pkgList[0];
    EXPECT_NE(full, brief);
    EXPECT_EQ(pooled("foo"), full);
    EXPECT_EQ(typeid(*full), typeid(RPMPackage));
    EXPECT_EQ(full->getFileName(), "system_installed_foo-1.0-1.noarch.rpm");
    EXPECT_EQ(full->toString(), "foo-1.0-1.noarch");
    EXPECT_EQ(full->getType(), 's');
    EXPECT_EQ(full->getSource(), &source);
    EXPECT_EQ(dump(&Package::getRequire, *full), std::vector<std::string>({"bar >= 1.2"}));
    // rpm 4.18 writes SHA-256 file digests; the first 32 digits stand for them everywhere.
    EXPECT_EQ(dump(&Package::getProvide, *full),
              std::vector<std::string>({"foo = 1.0-1", "foo-virtual = 2.0", "/etc/x mode 33188 " + sha256Prefix("one\n"),
                                        "/etc/x-link mode 41471 x"}));
    EXPECT_EQ(dump(&Package::getConflict, *full), std::vector<std::string>({"qux < 0.5"}));
    EXPECT_EQ(dump(&Package::getObsolete, *full), std::vector<std::string>({"old-foo < 1.0"}));

    // Whoever took the brief package before still holds a live record.
    EXPECT_EQ(brief->getFileName(), "system_installed_brief_foo-1.0-1.rpm");
    EXPECT_EQ(brief->toString(), "foo-1.0-1.noarch");

    const std::vector<std::string> lines = splitLines(log.text());
    EXPECT_TRUE(contains(lines, "Execute command " + fullQuery)) << log.text();
    EXPECT_TRUE(contains(lines, "read cache file")) << log.text();
    EXPECT_EQ(console.text(),
              "Checking for installed packages... \nReading the information about the installed packages... \n");
    std::map<std::string, std::string> record = testutil::progressRecord();
    EXPECT_EQ(record["stepId"], "read_system_packages");
    EXPECT_EQ(record["stepTitle"], "Reading the information about the installed packages... ");

    // The cache file stays, private to us.
    const struct stat st = statOf(cacheFile);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(splitLines(testutil::readFile(cacheFile)).at(0), "F:system_installed_foo-1.0-1.noarch.rpm");
}

TEST_F(RpmSourceSysRPM, WhatStandsAtTheCacheNameIsReplacedNeverWrittenThrough) {
    privateDatabase();
    install({"installed-foo-1.0.rpm"});
    struct Row {
        const char* label;
        int (*plant)(const char* victim, const char* name);
    };
    const Row rows[] = {
        {"symbolic link", [](const char* victim, const char* name) { return ::symlink(victim, name); }},
        {"hard link", [](const char* victim, const char* name) { return ::link(victim, name); }},
        {"fifo", [](const char*, const char* name) { return ::mkfifo(name, 0666); }},
        {"world-readable file of an older run",
         [](const char*, const char* name) {
             testutil::writeFile(name, "F:stale\n");
             return ::chmod(name, 0644);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        // /tmp is the sandbox's own tmpfs, so a hard link to the victim can be made.
        testutil::TempDir dir;
        const std::string victim = dir / "victim";
        testutil::writeFile(victim, "victim\n");
        ::unlink(cacheFile);
        ASSERT_EQ(row.plant(victim.c_str(), cacheFile), 0);

        Repository local;
        {
            SourceSysRPM source(&local);
            testutil::LogCapture log(2);
            source.getFull();
            EXPECT_TRUE(contains(splitLines(log.text()), "Execute command " + fullQuery));
            ASSERT_EQ(local.pkgList.size(), 1u);
            EXPECT_EQ(local.pkgList[0]->getFileName(), "system_installed_foo-1.0-1.noarch.rpm");
        }
        EXPECT_EQ(testutil::readFile(victim), "victim\n");
        EXPECT_EQ(statOf(victim).st_nlink, 1u);
        const struct stat st = statOf(cacheFile);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(st.st_nlink, 1u);
        for (Package* p : local.pkgList) delete p;
        for (Package* p : local.removedPackages) delete p;
        local.pkgList.clear();
        local.removedPackages.clear();
    }
}

TEST_F(RpmSourceSysRPM, InstalledVersionIsTheOneVersionInTheDatabase) {
    struct Row {
        std::vector<std::string> installed;
        const char* name;
        const char* version;
    };
    const Row rows[] = {
        {{"installed-foo-1.0.rpm"}, "foo", "1.0"},
        {{"installed-foo-1.0.rpm", "installed-foo-2.0.rpm"}, "foo", ""},  // installed in two versions
        {{"installed-foo-1.0.rpm"}, "nosuch", ""},                         // rpm exits 1
        {{"installed-foo-1.0.rpm"}, "x; touch /tmp/pwned", ""},
        {{"installed-foo-1.0.rpm"}, "foo$(touch /tmp/pwned)", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + std::string(" of ") + std::to_string(row.installed.size()) + " packages");
        privateDatabase();
        install(row.installed);
        SourceSysRPM source(&repo);
        testutil::LogCapture log;
        EXPECT_EQ(source.getPkgVersionFromSystemDirectly(row.name), row.version);
        const std::string verdict = *row.version ? std::string(" version ") + row.version + " installed in system"
                                                 : std::string(" not installed in system");
        EXPECT_TRUE(contains(splitLines(log.text()),
                             std::string("DEBUG: SourceSysRPM::getPkgVersionFromSystemDirectly ") + row.name + verdict))
            << log.text();
    }
    struct stat st;
    EXPECT_NE(::lstat("/tmp/pwned", &st), 0);
}

TEST_F(RpmSourceSysRPM, InstalledVersionQueryOfAPlainNameIsTheDesignedCommand) {
    privateDatabase();
    SourceSysRPM source(&repo);
    testutil::LogCapture log;
    source.getPkgVersionFromSystemDirectly("foo");
    source.getPkgVersionFromSystemDirectly("it's");
    const std::vector<std::string> lines = splitLines(log.text());
    EXPECT_TRUE(contains(lines, "Get output from command 'rpm -q --queryformat '%{VERSION}\\n' foo'")) << log.text();
    EXPECT_TRUE(contains(lines, "Get output from command 'rpm -q --queryformat '%{VERSION}\\n' 'it'\\''s''"))
        << log.text();
}

// Files of the same path conflict when their digests differ; rpm's SHA-256 digests are
// compared by their first 32 digits, as the digests of package headers are.
TEST_F(RpmSourceSysRPM, InstalledPackagesWithDifferentFileContentsConflict) {
    struct Row {
        const char* other;
        bool conflict;
    };
    const Row rows[] = {{"xdiff", true}, {"xsame", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.other);
        privateDatabase();
        install({"installed-foo-1.0.rpm", std::string("installed-") + row.other + "-1.0.rpm"});
        Repository local;
        SourceSysRPM source(&local);
        source.getFull();
        ASSERT_EQ(local.pkgList.size(), 2u);
        Package* foo = local.getPackagesByName(internString("foo")).at(0);
        Package* other = local.getPackagesByName(internString(row.other)).at(0);
        const std::vector<Package*> none;
        EXPECT_EQ(local.getConflictsOf(foo), row.conflict ? std::vector<Package*>{other} : none);
        EXPECT_EQ(local.getConflictsOf(other), row.conflict ? std::vector<Package*>{foo} : none);
        for (Package* p : local.pkgList) delete p;
        for (Package* p : local.removedPackages) delete p;
        local.pkgList.clear();
        local.removedPackages.clear();
    }
}

// rpm stand-ins: one that fails after a good record, one that writes a broken record. The
// brief query is told from the full one by its file names.
TEST_F(SourceSysRPMTest, AFailingRpmIsReportedOnceWithTheReadItFailedIn) {
    const std::string goodRecord =
        "printf 'F:system_installed_brief_a-1.0-1.rpm\\nN:a\\nE:(none)\\nV:1.0\\nL:1\\nA:noarch\\nf:1\\nB:2\\nX:\\n'";
    const std::string brokenRecord = "printf 'F:system_installed_brief_b-1.0-1.rpm\\nN:b\\nV\\nX:\\n'";
    struct Row {
        const char* label;
        std::string script;
        bool full;
        std::vector<std::string> lines;  // in the order added
        const char* codes;
        size_t pooled;
    };
    const Row rows[] = {
        {"brief: exits 1 after a good record", goodRecord + "; exit 1", false,
         {"vantrell: Error in execution of rpm", briefFailureLine}, "(4,2,2,2)", 1},
        {"brief: malformed record", brokenRecord, false,
         {"Malformed package description:\none of the lines is too short to be a description.",
          "Error in Package::createFromCache: input line  3: V", briefFailureLine},
         "(1,1,1,3)", 0},
        {"full: exits 1",
         "case \"$*\" in *brief*) " + goodRecord + ";; *) exit 1;; esac", true,
         {"Command rpm exited with non-zero status (1).",
          "Unable to retrieve the detailed information about the packages installed in the system:"},
         "(4,1,1,2)", 1},
        // The reader's error passes unchanged.
        {"full: malformed cache record",
         "case \"$*\" in *brief*) " + goodRecord + ";; *) printf 'F:a.rpm\\nN:a\\nV:1.0\\nQQQ\\n';; esac", true,
         {"Malformed entry in the package description: the second character is not a colon.",
          "Error in Package::createFromCache: input line  4: QQQ"},
         "(1,1,1,3)", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        shims.add("rpm", row.script);
        Repository local;
        SourceSysRPM source(&local);
        testutil::LogCapture log;
        testutil::StderrCapture console;

        if (row.full) source.getBrief();
        error e = raisedError([&] {
            if (row.full)
                source.getFull();
            else
                source.getBrief();
        });
        EXPECT_EQ(linesOf(e), row.lines);
        EXPECT_EQ(codesOf(e), row.codes);
        // What was read before the failure stays.
        EXPECT_EQ(local.pkgList.size(), row.pooled);
        for (Package* p : local.pkgList) delete p;
        for (Package* p : local.removedPackages) delete p;
        local.pkgList.clear();
        local.removedPackages.clear();
    }
}

// The repository asks the first registered source that can tell installed versions; other
// kinds of source before it do not count.
TEST_F(SourceSysRPMTest, RepositoryAsksTheFirstRegisteredSystemSource) {
    shims.add("rpm", "echo 7.0");
    shims.add("dpkg-query", "printf 'install ok installed\\n8.0-1\\n'");
    struct Row {
        std::vector<std::string> order;
        const char* answer;
    };
    const Row rows[] = {
        {{}, ""},
        {{"other"}, ""},
        {{"other", "rpm", "deb"}, "7.0"},
        {{"deb", "rpm"}, "8.0"},
        {{"other", "deb", "other", "rpm"}, "8.0"},
    };
    for (const Row& row : rows) {
        std::string label;
        for (const std::string& kind : row.order) label += kind + " ";
        SCOPED_TRACE(label);
        Repository local;
        std::vector<std::unique_ptr<Source>> sources;
        for (const std::string& kind : row.order) {
            if (kind == "rpm")
                sources.emplace_back(new SourceSysRPM(&local));
            else if (kind == "deb")
                sources.emplace_back(new SourceSysDeb(&local));
            else
                sources.emplace_back(new testutil::CountingSource(&local));
        }
        EXPECT_EQ(local.getPkgVersionFromSystemDirectly("anything"), row.answer);
    }
}

}  // namespace
