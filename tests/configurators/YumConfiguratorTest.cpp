// The yum configurator's package look-up over canned "yum info" output: our stand-in first on
// PATH prints it, so nothing on the host is asked.
#include "configurators/YumConfigurator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "components/SourceManager.h"
#include "packages/Package.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
#include "packages/Version.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

class Probe : public YumConfigurator {
public:
    Probe(SourceManager* sources, Repository* repository) : YumConfigurator("http://u.example/", sources, repository) {}
    using YumConfigurator::doGetPackage;
};

class YumConfiguratorTest : public testutil::EnglishTest {};

const char* const installedThenAvailable =
    "Loaded plugins: fastestmirror\n"
    "Installed Packages\n"
    "Name       : vntest-lib\n"
    "Arch       : noarch\n"
    "Epoch      : 1\n"
    "Version    : 1.0\n"
    "Release    : 1\n"
    "Size       : 12 k\n"
    "Repo       : installed\n"
    "Summary    : lib: a library\n"
    "\n"
    "Available Packages\n"
    "Name       : vntest-lib\n"
    "Arch       : noarch\n"
    "Epoch      : 7\n"
    "Version    : 1.1\n"
    "Release    : 2\n"
    "Summary    : lib\n";

TEST_F(YumConfiguratorTest, InfoNameIsOneShellWord) {
    testutil::TempDir dir;
    const std::string answer = testutil::inChild([&] {
        testutil::CommandShims shims;
        shims.add("yum", std::string("exec ") + VN_SOURCE_DIR + "/tests/support/yum \"$@\"");
        testutil::ScopedEnv info("VN_YUM_INFO", dir / "none.txt");
        testutil::ScopedEnv yumLog("VN_YUM_LOG", dir / "yum.log");
        Repository repo;
        SourceManager sources(repo);
        Probe yum(&sources, &repo);
        std::unique_ptr<Package> p(yum.doGetPackage("x; touch " + dir / "pwned"));
        return testutil::readFile(dir / "yum.log");
    });
    EXPECT_EQ(answer, "yum info x; touch " + dir / "pwned" + "\n");
    EXPECT_NE(testutil::shell("test -e " + dir / "pwned").status, 0);
}

}  // namespace
