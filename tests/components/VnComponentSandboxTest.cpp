// A micro-update of a component reaches its release: the release is checked against installed
// Debian packages read by the real dpkg-query from a status file of tests/fixtures/dpkg. The
// read announces its step in the shared progress record, so these tests run inside the
// namespace helper.
#include "components/VnComponent.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Opsys.h"
#include "components/TreeCatalogue.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/SourceSysDeb.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

class VnComponentSandboxTest : public testutil::EnglishTest {
protected:
    ~VnComponentSandboxTest() override {
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
    }

    testutil::CommandShims shims;
    Repository repo;
};

TEST_F(VnComponentSandboxTest, AMicroUpdateMarksOnlyAnInstalledUpToDateRelease) {
    // tarnix-base 12.0.1-3 is installed.
    shims.add("dpkg-query", "exec /usr/bin/dpkg-query --admindir=" VN_FIXTURES_DIR "/dpkg/products \"$@\"");
    SourceSysDeb installed(&repo);
    installed.getBrief();
    const Opsys host;

    struct Row {
        const char* version;
        int kind;
        const char* modeBefore;
        const char* modeAfter;
        int gradeAfter;
    };
    const Row rows[] = {
        {"12.0.1", 4, "up2date", "update", 1},
        {"12.5", 2, "update", "update", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.version);
        testutil::TreeCatalogue tarnix("tarnix", r.version, {host.os_name(), host.os_vendor(), host.version(), host.arch()});
        tarnix.release->check_installation_state(&repo);
        ASSERT_EQ(tarnix.release->update_kind(), r.kind);
        EXPECT_EQ(tarnix.release->update_mode(), r.modeBefore);
        std::shared_ptr<VnComponent> base = tarnix.component("base", 3);

        testutil::LogCapture log(3);
        base->setMicroUpdateAvailable();
        EXPECT_EQ(testutil::splitLines(log.text()),
                  std::vector<std::string>{"DEBUG: VnComponent::setMicroUpdateAvailable: base have microupdate"});
        EXPECT_EQ(base->getStatus(), 2);
        EXPECT_EQ(tarnix.release->isMicroupdateAvailable(), r.gradeAfter == 1);
        EXPECT_EQ(tarnix.release->update_mode(), r.modeAfter);
        EXPECT_EQ(tarnix.release->update_grade(), r.gradeAfter);
    }
}

}  // namespace
