// The script-package installer over real ".sh" packages named by the script-package rule;
// each appends its letter to a marker.
#include "installers/InstallStd.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "installers/InstallOptions.h"
#include "main/Options.h"
#include "packages/Repository.h"
#include "packages/StdPackage.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::splitLines;

class ProbedInstallStd : public InstallStd {
public:
    using InstallStd::InstallStd;
    int32_t size() const { return downloadSize; }
};

// The log lines that begin with `head`.
std::vector<std::string> linesStarting(const std::string& log, const std::string& head) {
    std::vector<std::string> out;
    for (const std::string& line : splitLines(log))
        if (line.compare(0, head.size(), head) == 0) out.push_back(line);
    return out;
}

class InstallStdTest : public testutil::EnglishTest {
protected:
    void SetUp() override {
        testutil::EnglishTest::SetUp();
        installertest::plainOptions();
    }
    void TearDown() override {
        installer.reset();
        manager.reset();
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }

    // A script package "vnscript<letter>" that appends its letter to the marker, read from its
    // file name as the package directory gives it.
    StdPackage* script(const std::string& letter, const std::string& body = "") {
        const std::string file = dir / ("vnscript" + letter + "_v1.0_build1_os_RedHat_el5_i386.sh");
        testutil::writeFile(file, "echo " + letter + " >> '" + marker() + "'\n" + body);
        StdPackage* p = new StdPackage("vnscript" + letter, "1.0-1");
        p->setFileName(file);
        p->readInfo();
        p->setType('b');
        repo.addPackage(p, nullptr);
        return p;
    }
    std::string marker() const { return dir / "marker"; }

    ProbedInstallStd& start(const std::vector<Package*>& listed, bool selected = true) {
        std::shared_ptr<VnComponent> c = catalogue.component(*manager->arena(), "scripts", 1);
        c->packages = listed;
        c->setSelected(selected);
        manager->nodes.push_back(c);
        installer.reset(new ProbedInstallStd(&repo, manager.get(), nullptr));
        return *installer;
    }

    testutil::TreeCatalogue catalogue{"tarnix"};
    testutil::TempDir dir;
    Repository repo;
    std::unique_ptr<ComponentManager> manager{new ComponentManager};
    std::unique_ptr<ProbedInstallStd> installer;
};

TEST_F(InstallStdTest, ARequiredScriptRunsFirst) {
    StdPackage* a = script("a");
    StdPackage* b = script("b");
    b->addRequire("vnscripta");
    ProbedInstallStd& installer = start({b});
    testutil::LogCapture log;
    const cpkgs_t list = installer.resolveAll();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(installer.size(), static_cast<int32_t>((a->size + b->size) / 1024));
    try {
        installer.install(false);
    } catch (const error& e) {
        ADD_FAILURE() << e.text();
    }
    EXPECT_EQ(linesStarting(log.text(), "Execute command sh "),
              (std::vector<std::string>{"Execute command sh " + a->getFileName() + " ",
                                        "Execute command sh " + b->getFileName() + " "}));
    EXPECT_EQ(splitLines(testutil::readFile(marker())), (std::vector<std::string>{"a", "b"}));
}

TEST_F(InstallStdTest, ScriptsThatNeedEachOtherCannotBeInstalled) {
    StdPackage* a = script("a");
    StdPackage* b = script("b");
    b->addRequire("vnscripta");
    a->addRequire("vnscriptb");
    ProbedInstallStd& installer = start({b});
    installer.resolveAll();
    try {
        installer.install(false);
        FAIL() << "no error";
    } catch (const error& e) {
        EXPECT_EQ(e.text(), "Unable to install a shell-based package because of dependency cycle.\n");
        EXPECT_EQ(codesOf(e), "(5,1,1,3)");
    }
    EXPECT_NE(::access(marker().c_str(), F_OK), 0);
}

TEST_F(InstallStdTest, AFailingScriptStopsTheInstallation) {
    StdPackage* a = script("a", "exit 2\n");
    ProbedInstallStd& installer = start({a});
    installer.resolveAll();
    testutil::LogCapture log;
    try {
        installer.install(false);
        FAIL() << "no error";
    } catch (const error& e) {
        EXPECT_EQ(e.text(), "An error occurred during installation of the " + a->toString() + " package.\n");
        EXPECT_EQ(codesOf(e), "(6,1,3,3)");
    }
    EXPECT_NE(log.text().find(a->getFileName()), std::string::npos) << log.text();
}

TEST_F(InstallStdTest, NoSelectedPackageMakesNoStep) {
    script("a");
    ProbedInstallStd& installer = start({repo.pkgList.front()}, false);
    testutil::LogCapture log;
    EXPECT_TRUE(installer.resolveAll().empty());
    EXPECT_EQ(installer.size(), 0);
    EXPECT_EQ(log.text().find("Determining the packages"), std::string::npos) << log.text();
}

TEST_F(InstallStdTest, AMissingRequirementIsTheResolversOwnError) {
    StdPackage* a = script("a");
    a->addRequire("vnscript-none");
    ProbedInstallStd& installer = start({a});
    try {
        installer.resolveAll();
        FAIL() << "no error";
    } catch (const error& e) {
        EXPECT_EQ(e.lines.size(), 1u) << e.text();
        EXPECT_EQ(e.text(), "Unable to install the \"" + a->toString() + "\" package.\n");
        EXPECT_FALSE(e.hasMark(0));
    }
}

}  // namespace
