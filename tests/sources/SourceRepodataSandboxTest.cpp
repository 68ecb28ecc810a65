// Yum repositories that createrepo_c makes from real rpm files, served over HTTP (with and
// without Basic authentication) and read as local directories. Compressed metadata is unpacked
// into fixed names in /tmp, so these tests run inside the namespace helper (fresh /tmp).
#include "sources/SourceRepodata.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/tinybind.h"
#include "packages/DependencyFile.h"
#include "packages/Package.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
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

const char* const primaryTemp = "/tmp/vantrell_tmp_primary";
const char* const filelistTemp = "/tmp/vantrell_tmp_filelist";

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

using testutil::dependencyTexts;

bool contains(const std::vector<std::string>& list, const std::string& text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

// The entry texts of every "rpm:entry" named `name` of vnfix-repo in the primary file.
std::vector<std::string> entryTexts(const SourceRepodata& source, const std::string& dir, const std::string& name) {
    TiXmlDocument doc;
    doc.Parse(testutil::run({"/bin/zcat", dir + "/" + source.primaryHref}).out.c_str());
    std::vector<std::string> out;
    for (TiXmlElement* pkg = doc.RootElement()->FirstChildElement("package"); pkg;
         pkg = pkg->NextSiblingElement("package")) {
        if (std::string(pkg->FirstChildElement("name")->GetText()) != "vnfix-repo") continue;
        for (TiXmlElement* list = pkg->FirstChildElement("format")->FirstChildElement(); list;
             list = list->NextSiblingElement())
            for (TiXmlElement* entry = list->FirstChildElement("rpm:entry"); entry;
                 entry = entry->NextSiblingElement("rpm:entry"))
                if (name == entry->Attribute("name")) out.push_back(source.entryText(tinybind::Element(entry)));
    }
    return out;
}

class RpmRepodata : public testutil::EnglishTest {
protected:
    // createrepo_c over copies of fixture packages in <root>/repo; `options` go to createrepo_c.
    std::string makeRepository(const std::vector<std::string>& options = {}) {
        const std::string dir = root / "repo";
        testutil::run({"/bin/mkdir", "-p", dir});
        for (const char* name : {"repo.rpm", "alpha.rpm", "epoch-2.rpm"})
            EXPECT_EQ(testutil::run({"/bin/cp", rpmFixture(name), dir + "/" + name}).status, 0);
        std::vector<std::string> argv = {"/usr/bin/createrepo_c", "-q"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(dir);
        testutil::RunResult r = testutil::run(argv);
        EXPECT_EQ(r.status, 0) << r.err;
        return dir;
    }

    std::vector<Package*> packagesOf(const Source& s) { return owner.packages = testutil::packagesOf(repo, &s); }

    Package* byName(const Source& s, const std::string& name) {
        for (Package* p : packagesOf(s))
            if (name == p->getName()) return p;
        ADD_FAILURE() << "no package " << name;
        return nullptr;
    }

    testutil::TempDir root;
    testutil::TempDir target;
    testutil::PackageOwner owner;
    Repository repo;
};

TEST_F(RpmRepodata, CreaterepoRepositoriesOverHttpWithAndWithoutAuthAndLocally) {
    struct Case {
        const char* name;
        std::vector<std::string> createrepoOptions;
        const char* access;  // "http", "basic" or "local"
    };
    const Case cases[] = {
        {"http, checksum-named files", {}, "http"},
        {"http with Basic authentication, simple names", {"--simple-md-filenames"}, "basic"},
        {"local directory", {}, "local"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir caseRoot, caseTarget;
        const std::string dir = caseRoot / "repo";
        testutil::run({"/bin/mkdir", "-p", dir});
        for (const char* name : {"repo.rpm", "alpha.rpm", "epoch-2.rpm"})
            testutil::run({"/bin/cp", rpmFixture(name), dir + "/" + name});
        std::vector<std::string> argv = {"/usr/bin/createrepo_c", "-q"};
        argv.insert(argv.end(), c.createrepoOptions.begin(), c.createrepoOptions.end());
        argv.push_back(dir);
        ASSERT_EQ(testutil::run(argv).status, 0);

        const std::string access = c.access;
        std::unique_ptr<testutil::HttpServer> server;
        std::string url = dir;
        std::string user, password;
        if (access != "local") {
            server.reset(access == "basic"
                             ? new testutil::HttpServer(caseRoot.path(), {"--user", "u1", "--password", "p:w"})
                             : new testutil::HttpServer(caseRoot.path()));
            url = server->url(access == "basic" ? "_/basic/repo/" : "repo/");
            if (access == "basic") user = "u1", password = "p:w";
        }

        Repository pool;
        std::vector<Package*> packages;
        {
            SourceRepodata source(&pool, url, user, password, caseTarget.path());
            source.getBrief();
            for (Package* p : pool.pkgList) packages.push_back(p);
            owner.packages.insert(owner.packages.end(), packages.begin(), packages.end());
            ASSERT_EQ(packages.size(), 3u);
            EXPECT_FALSE(exists(primaryTemp));

            Package* pkg = nullptr;
            for (Package* p : packages) {
                SCOPED_TRACE(p->getName());
                EXPECT_EQ(typeid(*p), typeid(RPMPackage));
                EXPECT_EQ(p->getType(), 'u');
                if (std::string(p->getName()) == "vnfix-repo") pkg = p;
            }
            ASSERT_NE(pkg, nullptr);
            EXPECT_EQ(pkg->toString(), "vnfix-repo-1:2.0-1.noarch");
            EXPECT_EQ(pkg->getFileName(), "repo.rpm");
            struct stat st;
            ASSERT_EQ(::stat((dir + "/repo.rpm").c_str(), &st), 0);
            EXPECT_EQ(pkg->size, st.st_size);
            EXPECT_EQ(pkg->fileTime, st.st_mtime);
            EXPECT_EQ(std::to_string(pkg->buildTime()),
                      testutil::rpmQuery(dir + "/repo.rpm", {"--queryformat", "%{BUILDTIME}"}));
            // createrepo_c writes epoch 0 into entries that have none, and the entry text keeps
            // it: "foo-cap = 0:2-", which the dependency reads as version 0:2 without release.
            EXPECT_EQ(entryTexts(source, dir, "foo-cap"), (std::vector<std::string>{"foo-cap = 0:2-"}));
            EXPECT_EQ(entryTexts(source, dir, "bar"), (std::vector<std::string>{"bar >= 1:1.0-2"}));
            EXPECT_TRUE(contains(dependencyTexts(pkg, &Package::getProvide), "foo-cap = 0:2"))
                << ::testing::PrintToString(dependencyTexts(pkg, &Package::getProvide));
            EXPECT_EQ(dependencyTexts(pkg, &Package::getRequire), std::vector<std::string>{"bar >= 1:1.0-2"});

            source.getFull();
            EXPECT_FALSE(exists(filelistTemp));
            std::vector<std::pair<std::string, int>> files;
            for (unsigned i = 0; pkg->getProvide(i); ++i)
                if (const DependencyFile* f = dynamic_cast<const DependencyFile*>(pkg->getProvide(i))) {
                    files.emplace_back(f->getName(), f->getMode());
                    EXPECT_EQ(f->getDigest(), nullptr);
                }
            EXPECT_EQ(files, (std::vector<std::pair<std::string, int>>{
                                 {"/opt/vnrepo/dir", 0x4000}, {"/opt/vnrepo/file.txt", 0}, {"/opt/vnrepo/ghost.log", 0xA000}}));

            source.downloadPackage(pkg);
            const std::string local = access == "local" ? dir + "/repo.rpm" : caseTarget / "repo.rpm";
            EXPECT_EQ(pkg->getFileName(), local);
            EXPECT_EQ(testutil::readFile(local), testutil::readFile(rpmFixture("repo.rpm")));
        }
        EXPECT_TRUE(pool.pkgList.empty());
        if (server) {
            const std::vector<std::string> requests = server->requests();
            ASSERT_FALSE(requests.empty());
            EXPECT_EQ(requests.back(),
                      std::string("GET /") + (access == "basic" ? "_/basic/" : "") + "repo/repo.rpm HTTP/1.1");
        }
    }
    EXPECT_FALSE(exists(primaryTemp));
    EXPECT_FALSE(exists(filelistTemp));
}

// The read unpacks in memory: it writes no file under /tmp, and whatever stands at the names
// that older versions used there (a link, a FIFO, a directory tree with a link out of it) is
// neither followed nor removed. Nothing outside changes.
TEST_F(RpmRepodata, ReadWritesNothingUnderTmpAndLeavesWhatIsPlantedThere) {
    const std::string dir = makeRepository();
    const std::string outside = root / "outside";
    const std::string planted[] = {"/tmp/vantrell_tmp_primary", "/tmp/vantrell_tmp_filelist"};
    const struct {
        const char* name;
        std::string plant;  // shell command, "{p}" the fixed name
    } cases[] = {
        {"nothing", "true"},
        {"a link to a file outside", "ln -s " + outside + "/file {p}"},
        {"a hard link to a file outside", "ln " + outside + "/file {p}"},
        {"a FIFO", "mkfifo {p}"},
        {"a directory with a file", "mkdir {p} && echo x > {p}/x"},
        {"a directory with a link to a directory outside", "mkdir {p} && ln -s " + outside + "/dir {p}/sub"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(testutil::shell("rm -rf " + planted[0] + " " + planted[1] + " " + outside + " && mkdir -p " + outside +
                                  "/dir && echo precious > " + outside + "/file && echo inner > " + outside + "/dir/inner")
                      .status,
                  0);
        for (const std::string& fixed : planted) {
            std::string plant = c.plant;
            for (size_t at; (at = plant.find("{p}")) != std::string::npos;) plant.replace(at, 3, fixed);
            ASSERT_EQ(testutil::shell(plant).status, 0);
        }
        // Every name under /tmp with its kind, inode, size and time; the bytes outside.
        const std::string listing =
            "find /tmp -xdev -printf '%p %y %i %s %T@\\n' | sort && cat " + outside + "/file " + outside + "/dir/inner";
        const std::string before = testutil::shell(listing).out;

        Repository pool;
        SourceRepodata source(&pool, dir, "", "", target.path());
        source.getFull();
        owner.packages = testutil::packagesOf(pool, &source);
        EXPECT_EQ(owner.packages.size(), 3u);
        EXPECT_EQ(testutil::shell(listing).out, before);
    }
}

// A small compressed file that unpacks to more than 64 MiB (and 64 times its size) stops the
// read with the unpack error instead of filling /tmp and memory.
TEST_F(RpmRepodata, CompressedMetadataPastTheUnpackBoundIsRefused) {
    testutil::TempDir dir;
    testutil::run({"/bin/mkdir", "-p", dir / "repodata"});
    testutil::writeFile(dir / "repodata/repomd.xml",
                        "<repomd><data type='primary'><location href='repodata/primary.xml.gz'/></data></repomd>");
    // 65 gzip members of 1 MiB each, which zcat unpacks one after the other: 65 KiB to read.
    ASSERT_EQ(testutil::run({"/usr/bin/python3", "-c",
                             "import gzip, sys\n"
                             "member = gzip.compress(b' ' * (1 << 20), 9)\n"
                             "open(sys.argv[1], 'wb').write(member * 65)\n",
                             dir / "repodata/primary.xml.gz"})
                  .status,
              0);
    Repository pool;
    SourceRepodata source(&pool, dir.path(), "", "", target.path());
    error e = raisedError([&] { source.getBrief(); });
    EXPECT_EQ(codesOf(e), "(4,1,1,2)");
    EXPECT_EQ(e.text().substr(0, e.text().find('\n')), "Unable to extract the file " + dir / "repodata/primary.xml.gz:");
    EXPECT_FALSE(exists(primaryTemp));
    EXPECT_TRUE(pool.pkgList.empty());
}

// Neither a file that does not parse nor one that does not unpack leaves a temporary file.
TEST_F(RpmRepodata, FailedUnpackOrLoadRemovesTheTemporaryFile) {
    struct Case {
        const char* name;
        const char* href;
        std::string content;
        const char* expected;
    };
    const std::string garbled = testutil::run({"/bin/gzip", "-n", "-c"}, {}, "<metadata><package>").out;
    const std::string whole = testutil::run({"/bin/gzip", "-n", "-c"}, {}, "<metadata>" + std::string(100000, ' ') + "</metadata>").out;
    const Case cases[] = {
        {"not well-formed", "repodata/primary.xml.gz", garbled, "xml"},
        {"cut in the middle", "repodata/primary.xml.gz", whole.substr(0, whole.size() / 2), "(4,1,1,2)"},
        // ".gz" in a directory name is enough to try unpacking a plain file.
        {"plain file below a .gz directory", "repodata/x.gz/primary.xml", "<metadata/>", "(4,1,1,2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir dir;
        testutil::run({"/bin/mkdir", "-p", dir / "repodata/x.gz"});
        testutil::writeFile(dir / "repodata/repomd.xml",
                            std::string("<repomd><data type='primary'><location href='") + c.href +
                                "'/></data></repomd>");
        testutil::writeFile(dir / c.href, c.content);
        Repository pool;
        SourceRepodata source(&pool, dir.path(), "", "", target.path());
        std::string outcome;
        try {
            source.getBrief();
        } catch (const tinybind::err&) {
            outcome = "xml";
        } catch (const error& e) {
            outcome = codesOf(e);
            EXPECT_EQ(e.text().substr(0, e.text().find('\n')), "Unable to extract the file " + dir / c.href + ":");
        }
        EXPECT_EQ(outcome, c.expected);
        EXPECT_FALSE(exists(primaryTemp));
    }
}

TEST_F(RpmRepodata, MetadataNamesWithShellCharactersRunNothing) {
    const std::string dir = makeRepository({"--simple-md-filenames"});
    const std::string name = "x;touch pwned.gz";
    ASSERT_EQ(::rename((dir + "/repodata/primary.xml.gz").c_str(), (dir + "/" + name).c_str()), 0);
    const std::string index = testutil::readFile(dir + "/repodata/repomd.xml");
    const std::string old = "repodata/primary.xml.gz";
    std::string edited = index;
    edited.replace(edited.find(old), old.size(), name);
    testutil::writeFile(dir + "/repodata/repomd.xml", edited);

    testutil::TempDir cwd;
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(cwd.path().c_str()), 0);
    SourceRepodata source(&repo, dir, "", "", target.path());
    source.getBrief();
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(packagesOf(source).size(), 3u);
    EXPECT_FALSE(exists(cwd / "pwned.gz"));
    EXPECT_FALSE(exists(cwd / "pwned"));
}

TEST_F(RpmRepodata, PackageLocationsOutsideTheRepositoryAreRefusedUnrequested) {
    const std::string dir = makeRepository({"--simple-md-filenames"});
    const std::string primary = dir + "/repodata/primary.xml.gz";
    std::string xml = testutil::run({"/bin/zcat", primary}).out;
    const std::string old = "<location href=\"repo.rpm\"/>";
    ASSERT_NE(xml.find(old), std::string::npos);
    xml.replace(xml.find(old), old.size(), "<location href=\"../../x.rpm\"/>");
    testutil::writeFile(primary, testutil::run({"/bin/gzip", "-n", "-c"}, {}, xml).out);
    testutil::writeFile(root / "x.rpm", "outside\n");

    testutil::HttpServer server(root.path());
    SourceRepodata source(&repo, server.url("repo/"), "", "", target.path());
    source.getBrief();
    Package* pkg = byName(source, "vnfix-repo");
    ASSERT_NE(pkg, nullptr);
    error e = raisedError([&] { source.downloadPackage(pkg); });
    EXPECT_EQ(codesOf(e), "(1,1,1,3)");
    for (const std::string& request : server.requests()) EXPECT_EQ(request.find("x.rpm"), std::string::npos) << request;
}

}  // namespace
