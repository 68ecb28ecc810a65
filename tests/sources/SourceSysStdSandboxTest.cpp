// The installed control panel and site builder: their version files under /etc/nvo and /opt
// (overlaid by the namespace helper), the versions read from them, and the installed copies
// of component packages that the brief read pools.
#include "sources/SourceSysStd.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <boost/filesystem.hpp>

#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "components/ComponentManager.h"
#include "components/VnComponent.h"
#include "packages/DebPackage.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/PooledPackages.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

namespace fs = boost::filesystem;
using testutil::codesOf;
using testutil::raisedError;
using testutil::writeFile;

const char* const tarnixVersionFile = "/opt/tarnix/version";
const char* const mardellVersionFile = "/opt/mardell/.version";

class SourceSysStdTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        fs::remove_all("/etc/nvo");
        fs::remove_all("/opt/tarnix");
        fs::remove_all("/opt/mardell");
    }

    // The panel's configuration naming `root`, and its version file with `line` in it.
    static void tarnixInstalled(const std::string& line, const std::string& root = "/opt/tarnix") {
        fs::create_directories("/etc/nvo");
        writeFile("/etc/nvo/nvo.conf", "# panel\nPRODUCT_ROOT_D " + root + "\n");
        fs::create_directories("/opt/tarnix");
        writeFile(tarnixVersionFile, line + "\nsecond line is not read\n");
    }
    static void mardellInstalled(const std::string& content) {
        fs::create_directories("/opt/mardell");
        writeFile(mardellVersionFile, content);
    }
};

TEST_F(SourceSysStdTest, TarnixVersionIsTheFirstAndFourthValueOfItsFile) {
    struct Row {
        const char* label;
        const char* conf;  // nvo.conf content; null for no file
        const char* line;  // first line of /opt/tarnix/version
        const char* version;
    } rows[] = {
        {"plain", "PRODUCT_ROOT_D /opt/tarnix\n", "10.1.0 x y 100", "10.1.0-100"},
        {"root with its slash", "PRODUCT_ROOT_D /opt/tarnix/\n", "10.1.0 x y 100", "10.1.0-100"},
        {"more values", "PRODUCT_ROOT_D /opt/tarnix\n", "9.5.4 Debian 12 95041 extra", "9.5.4-95041"},
        {"quoted values", "PRODUCT_ROOT_D /opt/tarnix\n", "'10.1.0' \"x y\" z \"7\"", "10.1.0-7"},
        {"tabs", "PRODUCT_ROOT_D /opt/tarnix\n", "\t10.1.0\tx\ty\t100  ", "10.1.0-100"},
        // without the key, the root is "/"
        {"no key", "OTHER /opt/tarnix\n", "10.1.0 x y 100", ""},
        {"no configuration", nullptr, "10.1.0 x y 100", ""},
    };
    for (const Row& r : rows) {
        tarnixInstalled(r.line);
        if (r.conf)
            writeFile("/etc/nvo/nvo.conf", r.conf);
        else
            fs::remove("/etc/nvo/nvo.conf");
        EXPECT_EQ(SourceSysStd::readTarnixVersion(), r.version) << r.label;
    }

    // The root "/" holds its own "version" file then.
    tarnixInstalled("10.1.0 x y 100");
    fs::remove("/etc/nvo/nvo.conf");
    writeFile("/version", "7.0.0 a b 3\n");
    EXPECT_EQ(SourceSysStd::readTarnixVersion(), "7.0.0-3");
    fs::remove("/version");
}

TEST_F(SourceSysStdTest, AMissingTarnixVersionFileMeansNotInstalled) {
    fs::create_directories("/etc/nvo");
    writeFile("/etc/nvo/nvo.conf", "PRODUCT_ROOT_D /opt/tarnix\n");
    testutil::LogCapture log(3);
    EXPECT_EQ(SourceSysStd::readTarnixVersion(), "");
    EXPECT_EQ(log.text(), "Can't open Tarnix version file, assume Tarnix is not installed.\n");
    EXPECT_EQ(SourceSysStd::productVersion("tarnix", "Linux"), "");
}

TEST_F(SourceSysStdTest, ATarnixVersionLineOfFewerThanFourValuesIsRefused) {
    for (const char* line : {"10.1.0 x y", "", "10.1.0"}) {
        tarnixInstalled(line);
        for (const std::function<void()>& read :
             {std::function<void()>([] { SourceSysStd::readTarnixVersion(); }),
              std::function<void()>([] { SourceSysStd::productVersion("tarnix", "Linux"); })}) {
            const error e = raisedError(read);
            EXPECT_EQ(codesOf(e), "(4,1,1,3)") << '"' << line << '"';
            EXPECT_EQ(e.text(), "Error in product description file /opt/tarnix/version.\n") << '"' << line << '"';
        }
    }
}

TEST_F(SourceSysStdTest, MardellVersionIsTheFirstWordOfItsFile) {
    struct Row {
        const char* content;
        const char* version;
    } rows[] = {
        {"4.5.0-7\n", "4.5.0-7"},
        {"  4.5.0-7 build 3\n", "4.5.0-7"},
        {"\n\n4.5.0\n", "4.5.0"},
        {"4.5.0", "4.5.0"},
        {"", ""},
        {"  \n", ""},
    };
    for (const Row& r : rows) {
        mardellInstalled(r.content);
        EXPECT_EQ(SourceSysStd::readMardellVersion(), r.version) << '"' << r.content << '"';
    }

    fs::remove(mardellVersionFile);
    testutil::LogCapture log(3);
    EXPECT_EQ(SourceSysStd::readMardellVersion(), "");
    EXPECT_NE(log.text().find("mardell version file /opt/mardell/.version not exists.\n"), std::string::npos)
        << log.text();
}

TEST_F(SourceSysStdTest, ProductVersionIsCutBeforeItsFirstDash) {
    struct Row {
        const char* tarnixLine;
        const char* id;
        const char* os;
        const char* version;
    } rows[] = {
        {"10.1.0 x y 100", "tarnix", "Linux", "10.1.0"},
        {"10.1.0 x y 100", "TARNIX", "Linux", "10.1.0"},
        {"10.1.0 x y 100", "TARNIX_PANEL", "Linux", "10.1.0"},
        // a control panel newer than 8.2.0 on FreeBSD counts as not installed, for "tarnix" only
        {"8.3.0 x y 1", "tarnix", "FreeBSD", ""},
        {"8.3.0 x y 1", "TARNIXX", "FreeBSD", "8.3.0"},
        {"8.3.0 x y 1", "tarnix", "Linux", "8.3.0"},
        {"8.2.0 x y 1", "tarnix", "FreeBSD", "8.2.0"},
        {"8.1.9 x y 1", "tarnix", "FreeBSD", "8.1.9"},
        {"8.3.0 x y 1", "tarnix", "MacOS", "8.3.0"},
        // ids are compared exactly
        {"10.1.0 x y 100", "Tarnix", "Linux", ""},
        {"10.1.0 x y 100", "tarnix-addon", "Linux", ""},
        {"10.1.0 x y 100", "mardell", "Linux", "4.5.0"},
        {"10.1.0 x y 100", "other", "Linux", ""},
        {"10.1.0 x y 100", "", "Linux", ""},
    };
    mardellInstalled("4.5.0-7\n");
    for (const Row& r : rows) {
        tarnixInstalled(r.tarnixLine);
        EXPECT_EQ(SourceSysStd::productVersion(r.id, r.os), r.version) << r.tarnixLine << " " << r.id << " " << r.os;
    }
}

// A catalogue of three products whose components carry packages.
class SourceSysStdBriefTest : public SourceSysStdTest {
protected:
    std::shared_ptr<Build> buildOf(const std::string& productId) {
        auto product = std::make_shared<Product>(productId, productId, std::vector<std::vector<std::string>>{{"k"}});
        auto release = std::make_shared<Release>(product, productId + "-r", "", "1.0", "1.0");
        auto build = std::make_shared<Build>(release, "Linux", "Debian", "12", "x86_64", "", "", "b.inf3", "");
        release->addBuild(build);
        releases.push_back(release);
        return build;
    }

    // A component of `productId` named `name` whose packages are (name, version, arch).
    void component(const std::string& productId, const std::string& name,
                   const std::vector<std::vector<std::string>>& packages) {
        auto c = std::make_shared<VnComponent>(buildOf(productId), name, name, "", std::vector<std::vector<std::string>>{});
        for (const std::vector<std::string>& p : packages) {
            Package* pkg = p[0] == "deb" ? static_cast<Package*>(new DebPackage(p[1], p[2]))
                                         : new Package(p[1], p[2]);
            pkg->setArch(p[3]);
            owner.packages.push_back(pkg);
            c->packages.push_back(pkg);
        }
        manager.nodes.push_back(c);
    }

    // "name-version.arch type" of each package that `source` pooled, in pool order.
    std::vector<std::string> pooled(const Source* source) const {
        std::vector<std::string> out;
        for (Package* p : testutil::packagesOf(repo, source))
            out.push_back(p->toString() + " " + static_cast<char>(p->getType()));
        return out;
    }

    std::vector<std::shared_ptr<Release>> releases;
    testutil::PackageOwner owner;
    ComponentManager manager;
    Repository repo;
};

TEST_F(SourceSysStdBriefTest, PoolsInstalledCopiesOfPackagesNotNewerThanTheInstalledProduct) {
    tarnixInstalled("10.1.0 x y 100");
    mardellInstalled("4.5.0-7\n");
    component("tarnix", "base",
              {{"pkg", "tarnix-base", "10.0.0-1", "i386"},
               {"pkg", "tarnix-base", "10.1.0", ""},
               {"deb", "tarnix-web", "10.1.0-100", "amd64"},
               {"pkg", "tarnix-base", "10.1.0-101", "i386"}});
    component("TARNIXX", "base", {{"pkg", "tarnixx-base", "1.0", ""}});
    component("mardell", "core", {{"pkg", "mardell-core", "4.5.0-7", "noarch"}, {"pkg", "mardell-core", "4.6.0-1", ""}});
    component("other", "x", {{"pkg", "other-x", "0.1", ""}});

    SourceSysStd source(&repo, &manager);
    testutil::LogCapture log(2);
    source.getBrief();
    EXPECT_EQ(pooled(&source), (std::vector<std::string>{"tarnix-base-10.0.0-1.i386 s", "tarnix-base-10.1.0.noarch s",
                                                         "tarnix-web-10.1.0-100.amd64 s",
                                                         "mardell-core-4.5.0-7.noarch s"}));
    EXPECT_EQ(log.text(), "Checking for installed standard packages\n");

    for (Package* p : testutil::packagesOf(repo, &source)) {
        // plain packages, whatever the kind of the component's package
        EXPECT_EQ(typeid(*p), typeid(Package)) << p->toString();
        EXPECT_EQ(testutil::dependencyText(p->getProvide(0)), std::string(p->getName()) + " = " +
                                                                  p->getVersion()->toString());
        EXPECT_EQ(p->getProvide(1), nullptr);
        owner.packages.push_back(p);
    }
    // the component's own packages stay outside the pool
    EXPECT_EQ(repo.pkgList.size(), 4u);
}

TEST_F(SourceSysStdBriefTest, NothingIsPooledForProductsThatAreNotInstalled) {
    component("tarnix", "base", {{"pkg", "tarnix-base", "1.0", ""}});
    component("mardell", "core", {{"pkg", "mardell-core", "1.0", ""}});
    SourceSysStd source(&repo, &manager);
    source.getBrief();
    EXPECT_TRUE(repo.pkgList.empty());

    // an empty tree pools nothing either
    ComponentManager empty;
    SourceSysStd onEmpty(&repo, &empty);
    tarnixInstalled("10.1.0 x y 100");
    onEmpty.getBrief();
    EXPECT_TRUE(repo.pkgList.empty());
}

TEST_F(SourceSysStdBriefTest, FailuresOfTheBriefRead) {
    SourceSysStd orphan(&repo, nullptr);
    error e = raisedError([&] { orphan.getBrief(); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), Messages::getMessage("err_no_cm") + "\n");

    tarnixInstalled("10.1.0 x y");
    component("tarnix", "base", {{"pkg", "tarnix-base", "1.0", ""}});
    SourceSysStd source(&repo, &manager);
    e = raisedError([&] { source.getBrief(); });
    EXPECT_EQ(codesOf(e), "(4,1,1,3)");
    EXPECT_TRUE(repo.pkgList.empty());

    // a read that failed runs again
    tarnixInstalled("10.1.0 x y 100");
    source.getBrief();
    ASSERT_EQ(repo.pkgList.size(), 1u);
    owner.packages.push_back(repo.pkgList[0]);
}

TEST_F(SourceSysStdBriefTest, TheCopiesLeaveThePoolWithTheirSource) {
    tarnixInstalled("10.1.0 x y 100");
    component("tarnix", "base", {{"pkg", "tarnix-base", "10.1.0-1", ""}});
    {
        SourceSysStd source(&repo, &manager);
        source.getBrief();
        ASSERT_EQ(repo.pkgList.size(), 1u);
        owner.packages.push_back(repo.pkgList[0]);
    }
    EXPECT_TRUE(repo.pkgList.empty());
}

}  // namespace
