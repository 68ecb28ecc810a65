// Yum repository metadata read from small hand-written, uncompressed files: nothing here
// unpacks into the fixed /tmp names (SourceRepodataSandboxTest does, over createrepo_c output).
// Each case directory under fixtures/repodata holds the files that differ from "base".
#include "sources/SourceRepodata.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <boost/format.hpp>

#include "common/Messages.h"
#include "common/Opsys.h"
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
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

using testutil::dependencyText;
using testutil::dependencyTexts;

class SourceRepodataTest : public testutil::EnglishTest {
protected:
    // A repository directory: "base" with the files of `overlay` over it; its path with '/'.
    std::string repository(const std::string& overlay = std::string()) {
        const std::string fixtures = VN_FIXTURES_DIR "/repodata/";
        EXPECT_EQ(testutil::run({"/bin/cp", "-r", fixtures + "base", tmp / "repo"}).status, 0);
        if (!overlay.empty()) {
            EXPECT_EQ(testutil::shell("cp -r " + fixtures + overlay + "/. " + tmp / "repo").status, 0);
        }
        return tmp / "repo/";
    }

    std::vector<Package*> packagesOf(const Source* s) { return testutil::packagesOf(repo, s); }
    static std::vector<Package*> packagesOf(const Repository& pool, const Source* s) {
        return testutil::packagesOf(pool, s);
    }

    testutil::TempDir tmp;
    testutil::TempDir target;
    testutil::PackageOwner owner;
    Repository repo;
};

TEST_F(SourceRepodataTest, PrimaryAndFilelistsOfALocalRepositoryFillThePool) {
    const std::string base = repository();
    SourceRepodata source(&repo, base, "", "", target.path());
    EXPECT_EQ(source.primaryHref, "repodata/primary.xml");
    EXPECT_EQ(source.filelistsHref, "repodata/filelists.xml");
    EXPECT_TRUE(source.isRemote());
    std::ostringstream printed;
    source.print(printed);
    EXPECT_EQ(printed.str().rfind("Package_source_0x", 0), 0u) << printed.str();

    source.getBrief();
    std::vector<Package*> packages = packagesOf(&source);
    owner.packages = packages;
    ASSERT_EQ(packages.size(), 2u);
    Package* one = packages[0];
    Package* two = packages[1];
    for (Package* p : packages) {
        EXPECT_EQ(typeid(*p), typeid(RPMPackage));
        EXPECT_EQ(p->getType(), 'u');
    }
    EXPECT_EQ(one->toString(), "vnrd-one-1.0-1.x86_64");
    EXPECT_EQ(two->toString(), "vnrd-two-3:2.0-5.i686");
    EXPECT_EQ(one->size, 1234);
    EXPECT_EQ(two->size, 5678);
    EXPECT_EQ(one->buildTime(), 1600000001u);
    EXPECT_EQ(one->fileTime, 1700000001);
    EXPECT_EQ(two->fileTime, 1700000002);
    EXPECT_EQ(one->getFileName(), "Packages/vnrd-one-1.0-1.x86_64.rpm");
    EXPECT_EQ(dependencyTexts(one, &Package::getProvide), std::vector<std::string>{"vnrd-one = 0:1.0-1"});
    EXPECT_EQ(dependencyTexts(one, &Package::getRequire), std::vector<std::string>{"vnrd-two >= 0:2.0"});
    EXPECT_EQ(source.packagesByPkgid.at("aaaa"), one);
    EXPECT_EQ(source.packagesByPkgid.at("bbbb"), two);

    // The pool's indexes were built meanwhile; the files added to pooled packages must reach them.
    repo.providesDirty = false;
    source.getFull();
    EXPECT_TRUE(repo.providesDirty);
    EXPECT_EQ(packagesOf(&source), packages);
    struct Expected {
        Package* pkg;
        unsigned index;
        std::string path;
        int mode;
    } files[] = {
        {one, 1, "/opt/vnrd/", 0x4000},
        {one, 2, "/opt/vnrd/one.txt", 0},
        {one, 3, "/opt/vnrd/one.log", 0xA000},
        // Types other than "dir" and "ghost" are plain files.
        {two, 0, "/opt/vnrd/two.txt", 0},
    };
    for (const Expected& f : files) {
        SCOPED_TRACE(f.path);
        const DependencyFile* file = dynamic_cast<const DependencyFile*>(f.pkg->getProvide(f.index));
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->getName() + (f.mode == 0x4000 ? "/" : ""), f.path);
        EXPECT_EQ(file->getMode(), f.mode);
        EXPECT_EQ(file->getDigest(), nullptr);
        EXPECT_EQ(file->getMaster(), f.pkg);
    }
    EXPECT_EQ(one->getProvide(4), nullptr);
    EXPECT_EQ(two->getProvide(1), nullptr);
}

// Broken metadata, by the read that meets it. The package counts are what stays pooled: the
// packages read before a failure stay, the one being read is not added.
TEST_F(SourceRepodataTest, BrokenMetadataRaisesTheKeyedError) {
    enum Stage { construct, brief, full };
    struct Case {
        const char* overlay;
        Stage stage;
        // `error`: its codes and text; XML layer: "xml" and the message.
        const char* codes;
        std::string text;
        size_t pooled;
    };
    const std::string badcond =
        "Error in repodata repository '{base}': Unknown condition 'NE' in dependency description.\n";
    const std::string sync =
        "The repodata configuration files repodata/primary.xml and repodata/filelists.xml contain lists of "
        "packages that do not match.\n";
    const Case cases[] = {
        {"badcond", brief, "(1,1,1,2)", badcond, 0},
        {"depname", brief, "(1,1,1,2)", "Error in repodata repository '{base}'.\nA dependency name is missing.\n", 0},
        // The position of the "package" element, 1-based.
        {"badsize", brief, "(1,1,1,2)",
         "Invalid number format in the file {base}repodata/primary.xml,   (line 20 column 1).\n"
         "Invalid number format.\n",
         1},
        // The position of the "time" element.
        {"badtime", brief, "(1,1,1,2)",
         "Invalid number format in the file {base}repodata/primary.xml,   (line 8 column 3).\n"
         "Invalid number format.\n",
         0},
        {"sync", full, "(1,1,1,2)", sync, 2},
        {"sync2", full, "(1,1,1,2)", sync, 2},
        // Without a filelists entry the fetcher would be asked for the base itself.
        {"nofilelists", full, "(4,2,1,1)", "The file {base} was not found.\n", 2},
        // Required in every "data" element, whatever its type.
        {"nolocation", construct, "xml", "There is no child element 'location' in tag 'data'", 0},
        {"nohref", construct, "xml", "There is no attribute 'href' in element location (row:5 col:5)", 0},
        {"wrongroot", brief, "xml", "Root element name not match", 0},
        {"noname", brief, "xml", "There is no child element 'name' in tag 'package'", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overlay);
        testutil::TempDir dir;
        EXPECT_EQ(testutil::shell("cp -r " VN_FIXTURES_DIR "/repodata/base/. " + dir.path() + " && cp -r " +
                                  VN_FIXTURES_DIR "/repodata/" + c.overlay + "/. " + dir.path())
                      .status,
                  0);
        const std::string base = dir.path() + "/";
        std::string text = c.text;
        for (size_t at; (at = text.find("{base}")) != std::string::npos;) text.replace(at, 6, base);

        Repository pool;
        std::string codes, got;
        size_t pooled = 0;
        try {
            SourceRepodata source(&pool, base, "", "", target.path());
            try {
                if (c.stage == brief) source.getBrief();
                if (c.stage == full) source.getFull();
                ADD_FAILURE() << "no error";
            } catch (...) {
                pooled = packagesOf(pool, &source).size();
                for (Package* p : packagesOf(pool, &source)) owner.packages.push_back(p);
                throw;
            }
        } catch (const error& e) {
            codes = codesOf(e);
            got = e.text();
        } catch (const tinybind::err& e) {
            codes = "xml";
            got = e.message;
            EXPECT_EQ(e.code, 1);
        }
        EXPECT_EQ(codes, c.codes);
        EXPECT_EQ(got, text);
        EXPECT_EQ(pooled, c.pooled);
        EXPECT_TRUE(pool.sources.empty());
    }
}

TEST_F(SourceRepodataTest, IndexWithoutFilelistsMakesNoRequestForIt) {
    repository("nofilelists");
    testutil::HttpServer server(tmp.path());
    SourceRepodata source(&repo, server.url("repo/"), "", "", target.path());
    source.getBrief();
    owner.packages = packagesOf(&source);
    error e = raisedError([&] { source.getFull(); });
    EXPECT_EQ(e.text(), "The file " + server.url("repo/") + " was not found.\n");
    EXPECT_EQ(codesOf(e), "(4,2,1,1)");
    EXPECT_EQ(server.requests(), (std::vector<std::string>{"GET /repo/repodata/repomd.xml HTTP/1.1",
                                                           "GET /repo/repodata/primary.xml HTTP/1.1"}));
}

// The primary file's package sizes bound the downloads: a server that sends more, here
// without announcing a length, fails the transfer before more than the listed size is stored.
TEST_F(SourceRepodataTest, PackageBodyPastItsListedSizeStops) {
    repository();
    testutil::run({"/bin/mkdir", "-p", tmp / "repo/Packages"});
    testutil::writeFile(tmp / "repo/Packages/vnrd-one-1.0-1.x86_64.rpm", std::string(2 * 1048576, 'x'));
    testutil::writeFile(tmp / "repo/Packages/vnrd-two-2.0-5.i686.rpm", std::string(5678, 'y'));
    testutil::HttpServer server(tmp.path());
    SourceRepodata source(&repo, server.url("_/nolength/repo/"), "", "", target.path());
    source.getBrief();
    owner.packages = packagesOf(&source);
    ASSERT_EQ(owner.packages.size(), 2u);
    Package* one = owner.packages[0];  // listed at 1234 bytes
    Package* two = owner.packages[1];  // listed at 5678 bytes, and served so

    error e = raisedError([&] { source.downloadPackage(one); });
    EXPECT_EQ(codesOf(e), "(1,2,1,2)");
    const std::string url = server.url("_/nolength/repo/Packages/vnrd-one-1.0-1.x86_64.rpm");
    EXPECT_EQ(e.text().rfind("Failed to download the package " + url + ":\n", 0), 0u) << e.text();
    EXPECT_LE(testutil::readFile(target / "Packages/vnrd-one-1.0-1.x86_64.rpm").size(), 1234u);

    source.downloadPackage(two);
    EXPECT_EQ(two->getFileName(), target / "Packages/vnrd-two-2.0-5.i686.rpm");
    EXPECT_EQ(testutil::readFile(two->getFileName()), std::string(5678, 'y'));
}

TEST_F(SourceRepodataTest, SizesOfThreeGibibytesRead) {
    SourceRepodata source(&repo, repository("bigsize"), "", "", target.path());
    source.getBrief();
    owner.packages = packagesOf(&source);
    ASSERT_EQ(owner.packages.size(), 2u);
    EXPECT_EQ(owner.packages[1]->size, 3221225472LL);
}

TEST_F(SourceRepodataTest, AFailedReadKeepsItsPackagesAndStartsAgain) {
    SourceRepodata source(&repo, repository("badsize"), "", "", target.path());
    raisedError([&] { source.getBrief(); });
    raisedError([&] { source.getBrief(); });
    owner.packages = packagesOf(&source);
    ASSERT_EQ(owner.packages.size(), 2u);
    EXPECT_EQ(owner.packages[0]->toString(), "vnrd-one-1.0-1.x86_64");
    EXPECT_EQ(owner.packages[1]->toString(), "vnrd-one-1.0-1.x86_64");
    EXPECT_NE(owner.packages[0], owner.packages[1]);
}

TEST_F(SourceRepodataTest, PackagesOfOnePkgidAllStayAndTheFilesGoToTheLast) {
    SourceRepodata source(&repo, repository("dupid"), "", "", target.path());
    source.getBrief();
    owner.packages = packagesOf(&source);
    ASSERT_EQ(owner.packages.size(), 2u);
    EXPECT_EQ(source.packagesByPkgid.size(), 1u);
    EXPECT_EQ(source.packagesByPkgid.at("aaaa"), owner.packages[1]);
    // The filelists entry "bbbb" is now unknown: the files of "aaaa" came in before it.
    raisedError([&] { source.getFull(); });
    EXPECT_EQ(owner.packages[0]->getProvide(1), nullptr);
    EXPECT_EQ(dependencyText(owner.packages[1]->getProvide(0)), "/opt/vnrd");
}

TEST_F(SourceRepodataTest, FormatWithoutDependencySectionsGivesNone) {
    SourceRepodata source(&repo, repository("nosections"), "", "", target.path());
    source.getFull();
    owner.packages = packagesOf(&source);
    ASSERT_EQ(owner.packages.size(), 2u);
    EXPECT_EQ(owner.packages[0]->getRequire(0), nullptr);
    EXPECT_EQ(dependencyText(owner.packages[0]->getProvide(0)), "/opt/vnrd");
}

TEST_F(SourceRepodataTest, APackageThePoolRefusedIsNoPackageOfTheSource) {
    repo.ignorePatterns.emplace_back("vnrd-two");
    SourceRepodata source(&repo, repository(), "", "", target.path());
    source.getBrief();
    owner.packages = packagesOf(&source);
    // The refused package is the source's own, not the pool's.
    ASSERT_EQ(source.refused.size(), 1u);
    EXPECT_EQ(source.refused[0].get(), source.packagesByPkgid.at("bbbb"));
    ASSERT_EQ(repo.pkgList.size(), 1u);
    error e = raisedError([&] { source.getFull(); });
    std::ostringstream expected;
    expected << "pkgid bbbb comes not from this source! (this " << static_cast<const void*>(&source)
             << " pkgfromsource 0\n";
    EXPECT_EQ(e.text(), expected.str());
    EXPECT_EQ(codesOf(e), "(3,1,1,2)");
}

TEST_F(SourceRepodataTest, VersionAndEntryTexts) {
    SourceRepodata source(&repo, repository(), "", "", target.path());
    const Opsys debian("Linux", "Debian", "12", "x86_64", "");
    struct Case {
        const char* element;
        const char* text;
    };
    const Case versions[] = {
        {"<version epoch='0' ver='1.2' rel='3'/>", "1.2-3"},
        {"<version epoch='2' ver='1.2' rel='3'/>", "2:1.2-3"},
        {"<version ver='1.2' rel='3'/>", "1.2-3"},
        // The dash stays without a release.
        {"<version epoch='0' ver='1.2'/>", "1.2-"},
    };
    for (const Case& c : versions) {
        TiXmlDocument doc;
        doc.Parse(c.element);
        EXPECT_EQ(SourceRepodata::versionText(tinybind::Element(doc.RootElement()), "pkg", debian), c.text)
            << c.element;
    }
    const Case entries[] = {
        // Unlike the package's own version, an entry keeps its epoch 0.
        {"<rpm:entry name='libfoo.so.1' flags='GE' epoch='0' ver='2' rel='1'/>", "libfoo.so.1 >= 0:2-1"},
        {"<rpm:entry name='libfoo.so.1' epoch='0' ver='2' rel='1'/>", "libfoo.so.1"},
        {"<rpm:entry name='libfoo.so.1' flags='GE'/>", "libfoo.so.1 >= -"},
        {"<rpm:entry name='a' flags='EQ' ver='1'/>", "a = 1-"},
        {"<rpm:entry name='a' flags='LT' epoch='3' ver='1' rel='2' pre='1'/>", "a < 3:1-2"},
        {"<rpm:entry name='a' flags='LE' ver='1' rel='2'/>", "a <= 1-2"},
        {"<rpm:entry name='a' flags='GT' ver='1' rel='2'/>", "a > 1-2"},
    };
    for (const Case& c : entries) {
        TiXmlDocument doc;
        doc.Parse(c.element);
        EXPECT_EQ(source.entryText(tinybind::Element(doc.RootElement())), c.text) << c.element;
    }
}

// The zero-epoch rows apply to the running system only, which is detected once per process:
// each host is a child of its own with the overrides set before the detection.
TEST_F(SourceRepodataTest, CentosRowsGiveTheirPackagesEpochZero) {
    const std::string base = repository("centos");
    struct Case {
        const char* vendor;
        const char* version;
        const char* expected;
    };
    const Case cases[] = {
        {"CentOS", "5.5", "tomcat5-0:5.5.23-1 samba-0:3.0-2 firefox-1:3.6-1"},
        {"CentOS", "4.8", "tomcat5-1:5.5.23-1 samba-0:3.0-2 firefox-0:3.6-1"},
        {"CentOS", "3.9", "tomcat5-1:5.5.23-1 samba-0:3.0-2 firefox-1:3.6-1"},
        {"CentOS", "6.2", "tomcat5-1:5.5.23-1 samba-3.0-2 firefox-1:3.6-1"},
        {"RedHat", "5.5", "tomcat5-1:5.5.23-1 samba-3.0-2 firefox-1:3.6-1"},
    };
    for (const Case& c : cases) {
        const std::string got = testutil::inChild([&] {
            Opsys::override_os_name = "Linux";
            Opsys::override_os_vendor = c.vendor;
            Opsys::override_os_version = c.version;
            Opsys::override_os_arch = "i686";
            Repository pool;
            SourceRepodata source(&pool, base, "", "", target.path());
            source.getBrief();
            std::string out;
            for (Package* p : pool.pkgList)
                out += std::string(out.empty() ? "" : " ") + p->getName() + "-" + p->getVersion()->toString();
            return out;
        });
        EXPECT_EQ(got, c.expected) << c.vendor << " " << c.version;
    }
}

}  // namespace
