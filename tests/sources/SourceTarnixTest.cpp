// Product package lists over HTTP: real rpm files, their records as rpm reports them
// (fixtures/pkglist/records), compressed with gzip and served by the fixture server.
#include "sources/SourceTarnix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "common/error.h"
#include "packages/DebPackage.h"
#include "packages/Package.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
#include "sources/SourceDistTarnix.h"
#include "sources/PooledPackages.h"
#include "support/EnglishTest.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::rpmFixture;

std::shared_ptr<Build> buildOf(const std::string& config, const std::string& buildDir,
                               const std::string& headersFile = "list.gz") {
    auto build = std::make_shared<Build>();
    build->config = config;
    build->description = std::make_shared<BuildInfFile>();
    build->description->config = config;
    build->description->build_dir = buildDir;
    build->description->headers_file = headersFile;
    build->description->release_id = "R1";
    return build;
}

// The package list records of rpm files, as the update server's tools write them.
std::string records(const std::vector<std::string>& rpms) {
    std::vector<std::string> argv = {VN_FIXTURES_DIR "/pkglist/records"};
    argv.insert(argv.end(), rpms.begin(), rpms.end());
    testutil::RunResult r = testutil::run(argv);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

std::string textOfProvides(Package* p) {
    std::string out;
    for (const std::string& text : testutil::dependencyTexts(p, &Package::getProvide)) out += (out.empty() ? "" : ", ") + text;
    return out;
}

std::string gzip(const std::string& text) { return testutil::run({"/bin/gzip", "-n", "-c"}, {}, text).out; }

// One record with `tag`'s line (e.g. "M:") replaced by `line`.
std::string withLine(const std::string& record, const std::string& tag, const std::string& line) {
    std::string out;
    for (const std::string& l : testutil::splitLines(record)) out += (l.rfind(tag, 0) == 0 ? line : l) + "\n";
    return out;
}

class RpmSourceTarnix : public testutil::EnglishTest {
protected:
    std::string packageDir() const { return root / "dists/x/RPMS"; }
    // Publishes the list (and whatever rpm files the test placed) under dists/x/RPMS.
    void publish(const std::string& name, const std::string& content) {
        testutil::run({"/bin/mkdir", "-p", packageDir()});
        testutil::writeFile(packageDir() + "/" + name, content);
    }
    std::string place(const std::string& fixture, const std::string& name) {
        testutil::run({"/bin/mkdir", "-p", packageDir()});
        const std::string path = packageDir() + "/" + name;
        EXPECT_EQ(testutil::run({"/bin/cp", rpmFixture(fixture), path}).status, 0);
        return path;
    }
    std::vector<Package*> packagesOf(const Source& s) { return owner.packages = testutil::packagesOf(repo, &s); }
    std::vector<std::string> requestsFor(const std::string& file) {
        std::vector<std::string> out;
        for (const std::string& r : server->requests())
            if (r.find(file) != std::string::npos) out.push_back(r);
        return out;
    }

    testutil::TempDir root;
    testutil::TempDir target;
    std::unique_ptr<testutil::HttpServer> server{new testutil::HttpServer(root.path())};
    FileFetcher fetcher{server->url(), target.path()};
    testutil::PackageOwner owner;
    Repository repo;
};

TEST_F(RpmSourceTarnix, KindChoosesTheSectionAndTheDescriptionPlacesTheDirectory) {
    struct Case {
        const char* config;
        char kind;
        const char* offset;
        const char* headersFile;
    };
    const Case cases[] = {
        {"dists/x/b.inf3", 'b', "dists/x/RPMS/", "list.gz"},
        // A description name without a directory part leaves the leading '/'.
        {"b.inf3", 'b', "/RPMS/", "list.gz"},
        {"dists/x/b.inf3", 'u', "dists/x/UPD/", "upd.gz"},
        {"dists/x/b.inf3", 't', "dists/x/TP/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.config) + " " + c.kind);
        std::shared_ptr<Build> build = buildOf(c.config, "RPMS");
        build->description->updates_dir = "UPD";
        build->description->updates_headers_file = "upd.gz";
        build->description->thirdparty_dir = "TP";
        testutil::LogCapture log(2);
        SourceTarnix source(&repo, fetcher, build, c.kind);
        EXPECT_EQ(source.fetcher.subdirsOffset, c.offset);
        EXPECT_EQ(source.headersFile, c.headersFile);
        EXPECT_EQ(source.kind, c.kind);
        EXPECT_EQ(source.build.lock(), build);
        EXPECT_EQ(fetcher.subdirsOffset, "");
        EXPECT_TRUE(source.isRemote());
        std::ostringstream printed;
        source.print(printed);
        EXPECT_EQ(printed.str(), std::string("TarnixSource_") + c.kind + "_R1");
        EXPECT_NE(log.text().find("Use package source " + server->url() + c.offset + "\n"), std::string::npos)
            << log.text();
    }
}

TEST_F(RpmSourceTarnix, DistSourceListsThePortsArchivesAndPrintsWithoutRelease) {
    std::shared_ptr<Build> build = buildOf("dists/x/b.inf3", "RPMS");
    build->description->ports_archives = {"ports-a.tbz", "ports-b.tbz"};
    build->description->release_id = "";
    SourceDistTarnix source(&repo, fetcher, build);
    EXPECT_EQ(source.kind, 'b');
    EXPECT_EQ(source.distFiles, (std::vector<std::string>{"dists/x/RPMS/ports-a.tbz", "dists/x/RPMS/ports-b.tbz"}));
    std::ostringstream printed;
    source.print(printed);
    EXPECT_EQ(printed.str(), "TarnixSource_b_");
}

TEST_F(RpmSourceTarnix, UnknownKindOrMissingDirectoryIsAnInternalErrorAndUnregisters) {
    std::shared_ptr<Build> build = buildOf("dists/x/b.inf3", "RPMS");
    error kind = raisedError([&] { SourceTarnix(&repo, fetcher, build, 'x'); });
    EXPECT_EQ(kind.text(), "An internal error occured in vantrell, rev.297274 SourceTarnix, line 57.\n");
    EXPECT_EQ(codesOf(kind), "(3,1,1,3)");
    error dir = raisedError([&] { SourceTarnix(&repo, fetcher, build, 'u'); });
    EXPECT_EQ(dir.text(), "An internal error occured in vantrell, rev.297274 SourceTarnix, line 61.\n");
    EXPECT_TRUE(repo.sources.empty());
}

TEST_F(RpmSourceTarnix, FullReadAddsEveryRecordWithTheKindLetter) {
    const std::string repoRecord = records({rpmFixture("repo.rpm")});
    const std::string epochRecord = records({rpmFixture("epoch-2.rpm")});
    // Records apart by blank lines and tabs, and white space at the end.
    publish("upd.gz", gzip("\n" + repoRecord + "\n\n\t \n" + epochRecord + " \n\n"));
    std::shared_ptr<Build> build = buildOf("dists/x/b.inf3", "RPMS");
    build->description->updates_dir = "RPMS";
    build->description->updates_headers_file = "upd.gz";
    SourceTarnix source(&repo, fetcher, build, 'u');

    source.getBrief();
    EXPECT_TRUE(repo.pkgList.empty());
    EXPECT_TRUE(server->requests().empty());
    testutil::LogCapture log(2);
    source.getFull();
    std::vector<Package*> packages = packagesOf(source);
    ASSERT_EQ(packages.size(), 2u);
    EXPECT_EQ(packages[0]->toString(), "vnfix-repo-1:2.0-1.noarch");
    EXPECT_EQ(packages[1]->toString(), "vnfix-epoch-2:3.1-7.x86_64");
    for (Package* p : packages) {
        EXPECT_EQ(typeid(*p), typeid(RPMPackage));
        EXPECT_EQ(p->getType(), 'u');
    }
    EXPECT_EQ(packages[0]->getFileName(), "repo.rpm");
    EXPECT_EQ(packages[0]->size, static_cast<int64_t>(testutil::readFile(rpmFixture("repo.rpm")).size()));
    EXPECT_EQ(textOfProvides(packages[0]),
              "foo-cap = 2, vnfix-repo = 1:2.0-1, /opt/vnrepo/dir, /opt/vnrepo/file.txt, /opt/vnrepo/ghost.log");
    EXPECT_EQ(server->requests(), std::vector<std::string>{"GET /dists/x/RPMS/upd.gz HTTP/1.1"});
    EXPECT_NE(log.text().find("Get full packages info from headers.\n"), std::string::npos);
}

TEST_F(RpmSourceTarnix, SectionWithoutListGivesNoPackagesAndNoRequest) {
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS", ""), 'b');
    source.getFull();
    EXPECT_TRUE(repo.pkgList.empty());
    EXPECT_TRUE(server->requests().empty());
}

TEST_F(RpmSourceTarnix, BadRecordStopsTheReadWithOneError) {
    const std::string good = records({rpmFixture("repo.rpm")});
    // Enough records after the bad one that gunzip is still writing when the reading stops.
    std::string rest;
    for (int i = 0; i < 3000; ++i) rest += good;
    publish("list.gz", gzip(good + "N:a\nN:b\nX:\n" + rest));
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS"), 'b');
    const std::string local = target / "dists/x/RPMS/list.gz";

    testutil::LogCapture log(0);
    error e = raisedError([&] { source.getFull(); });
    EXPECT_EQ(e.text(), "Failed to read the list of product packages.\n");
    EXPECT_EQ(codesOf(e), "(1,1,1,3)");
    EXPECT_NE(log.text().find("\nError: Unable to process " + local +
                              ": Error in Package::createFromCache: input line  28: N:b\n"
                              "Duplicate entries in package description.\n\n"),
              std::string::npos)
        << log.text();
    EXPECT_EQ(packagesOf(source).size(), 1u);
}

TEST_F(RpmSourceTarnix, GunzipFailingAfterTheWholeListRaisesItsCommandError) {
    publish("list.gz", gzip(records({rpmFixture("repo.rpm"), rpmFixture("epoch-2.rpm")})) + "trailing garbage");
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS"), 'b');
    testutil::LogCapture log(0);
    error e = raisedError([&] { source.getFull(); });
    EXPECT_EQ(e.text(), "vantrell: Error in execution of gunzip\n");
    EXPECT_EQ(codesOf(e), "(4,2,2,2)");
    EXPECT_EQ(packagesOf(source).size(), 2u);
}

TEST_F(RpmSourceTarnix, ParentComponentsInListNamesAndDirectoriesAreRefusedUnrequested) {
    testutil::writeFile(root / "secret.gz", gzip(records({rpmFixture("repo.rpm")})));
    const std::shared_ptr<Build> builds[] = {buildOf("dists/x/b.inf3", "RPMS", "../../../secret.gz"),
                                             buildOf("dists/x/b.inf3", "../..", "secret.gz")};
    for (const std::shared_ptr<Build>& build : builds) {
        SourceTarnix source(&repo, fetcher, build, 'b');
        error e = raisedError([&] { source.getFull(); });
        EXPECT_EQ(codesOf(e), "(1,1,1,3)");
    }
    EXPECT_TRUE(server->requests().empty());
    EXPECT_TRUE(repo.pkgList.empty());
}

TEST_F(RpmSourceTarnix, ListNameWithShellCharactersIsOnlyAName) {
    testutil::TempDir cwd;
    const std::string name = "x$(touch${IFS}pwned).gz";
    publish(name, gzip(records({rpmFixture("repo.rpm")})));
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS", name), 'b');
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(cwd.path().c_str()), 0);
    source.getFull();
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(packagesOf(source).size(), 1u);
    EXPECT_NE(::access((cwd / "pwned").c_str(), F_OK), 0);
}

// The MD5 of the list decides: checked when given, skipped when 16 zero bytes say there is
// none; packages of size 0 and Debian packages are never fetched.
TEST_F(RpmSourceTarnix, DownloadFetchesWithTheListedDigest) {
    const std::string record = records({rpmFixture("repo.rpm")});
    struct Case {
        const char* file;
        std::string line;  // replaces the M: line, or the s: line when it begins "s:"
        const char* outcome;  // "fetched", "err_mk5check" or "skipped"
    };
    const std::string zero(32, '0');
    const Case cases[] = {
        {"match.rpm", "", "fetched"},
        {"wrong.rpm", "M:0123456789abcdef0123456789abcdef", "err_mk5check"},
        {"zero.rpm", "M:" + zero, "fetched"},
        {"empty.rpm", "s:0", "skipped"},
        {"x.deb", "", "skipped"},
    };
    std::string list;
    for (const Case& c : cases) {
        std::string r = withLine(record, "F:", std::string("F:") + c.file);
        if (!c.line.empty()) r = withLine(r, c.line.substr(0, 2), c.line);
        if (std::string(c.file) == "x.deb") r = withLine(r, "L:", "L:1");
        list += r;
        place("repo.rpm", c.file);
    }
    publish("list.gz", gzip(list));
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS"), 'b');
    source.getFull();
    std::vector<Package*> packages = packagesOf(source);
    ASSERT_EQ(packages.size(), 5u);
    EXPECT_EQ(typeid(*packages[4]), typeid(DebPackage));

    for (size_t i = 0; i < packages.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.file);
        const std::string local = target / (std::string("dists/x/RPMS/") + c.file);
        testutil::LogCapture log(3);
        const std::string outcome = c.outcome;
        if (outcome == "err_mk5check") {
            error e = raisedError([&] { source.downloadPackage(packages[i]); });
            EXPECT_EQ(e.text(), "The MD5 checksum of the " + local +
                                    " file does not match the value specified in the configuration file.\n");
            EXPECT_EQ(codesOf(e), "(4,1,1,2)");
        } else {
            source.downloadPackage(packages[i]);
        }
        if (outcome == "fetched") {
            EXPECT_EQ(packages[i]->getFileName(), local);
            EXPECT_EQ(testutil::readFile(local), testutil::readFile(rpmFixture("repo.rpm")));
            EXPECT_NE(log.text().find("Download\n"), std::string::npos);
        }
        if (outcome == "skipped") {
            EXPECT_EQ(packages[i]->getFileName(), c.file);
            EXPECT_TRUE(requestsFor(c.file).empty());
        } else {
            EXPECT_EQ(requestsFor(c.file).size(), 1u);
        }
    }
}

TEST_F(RpmSourceTarnix, EmptyPackageLogsWhyItIsNotFetched) {
    publish("list.gz", gzip(withLine(records({rpmFixture("repo.rpm")}), "s:", "s:0")));
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS"), 'b');
    source.getFull();
    testutil::LogCapture log(3);
    source.downloadPackage(packagesOf(source).at(0));
    EXPECT_EQ(log.text(),
              "Warning: SourceTarnix::downloadPackage: getFileSize is 0 for vnfix-repo, skip from downloading!\n");
}

TEST_F(RpmSourceTarnix, DigestTextKeepsLeadingZeroNibbles) {
    // The MD5 of this content begins with the bytes 0x0f 0xa0.
    const std::string content = "vnfix-79692\n";
    const std::string md5 = "0fa09c2a35ea4711020a91b9f2227ccc";
    publish("digest.rpm", content);
    const std::string record = withLine(withLine(records({rpmFixture("repo.rpm")}), "F:", "F:digest.rpm"), "M:",
                                        "M:" + md5);
    publish("list.gz", gzip(record));
    SourceTarnix source(&repo, fetcher, buildOf("dists/x/b.inf3", "RPMS"), 'b');
    source.getFull();
    Package* pkg = packagesOf(source).at(0);
    ASSERT_EQ(pkg->getMd5().digest[0], 0x0f);
    ASSERT_EQ(pkg->getMd5().digest[1], 0xa0);
    source.downloadPackage(pkg);
    EXPECT_EQ(testutil::readFile(pkg->getFileName()), content);
}

TEST(HtosTest, HexadecimalDigitsUpToFifteen) {
    const std::pair<unsigned, char> digits[] = {{0, '0'}, {9, '9'}, {10, 'a'}, {15, 'f'}};
    for (const auto& d : digits) EXPECT_EQ(htos(d.first), d.second) << d.first;
    error e = raisedError([] { htos(16); });
    EXPECT_EQ(e.text(), " htos(): number too big (16)\n");
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

}  // namespace
