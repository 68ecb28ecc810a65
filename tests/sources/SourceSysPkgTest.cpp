// The installed packages of a FreeBSD host, read from a pkg_info stand-in of ours (first on
// PATH) that prints what the real tool prints: the package name with its version, blanks, and
// a comment.
#include "sources/SourceSysPkg.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "packages/Package.h"
#include "packages/Repository.h"
#include "packages/Version.h"
#include "sources/PooledPackages.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

typedef std::vector<std::string> Texts;

TEST(SourceSysPkgSplit, VersionRevisionAndEpochFollowTheLastSeparators) {
    struct Row {
        const char* name;
        const char* version;  // from the returned start to `end`
        const char* rest;     // from `end` on
        unsigned long epoch;
        uint64_t revision;
    };
    const Row rows[] = {
        {"apache-2.2.17_1", "2.2.17", "_1", 0, 1},
        {"bash-4.1.9", "4.1.9", "", 0, 0},
        {"p5-Foo-Bar-1.02,1", "1.02", ",1", 1, 0},
        // The epoch is looked for after the revision's '_'.
        {"perl-5.10.1_2,3", "5.10.1", "_2,3", 3, 2},
        // A ',' before the '_' is part of the version proper.
        {"odd-1,5_2", "1,5", "_2", 0, 2},
        {"1.0_2", "1.0", "_2", 0, 2},
        {"noversion", "noversion", "", 0, 0},
        {"trailing-", "", "", 0, 0},
        {"digits-1_2x,7z", "1", "_2x,7z", 7, 2},
        {"big-1_18446744073709551615", "1", "_18446744073709551615", 0, UINT64_C(18446744073709551615)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const char* end = nullptr;
        unsigned long epoch = 99;
        uint64_t revision = 99;
        const char* version = SourceSysPkg::split_version(r.name, &end, &epoch, &revision);
        EXPECT_EQ(std::string(version, end), r.version);
        EXPECT_STREQ(end, r.rest);
        EXPECT_EQ(epoch, r.epoch);
        EXPECT_EQ(revision, r.revision);
        // Every output may be left out.
        EXPECT_EQ(SourceSysPkg::split_version(r.name, nullptr, nullptr, nullptr), version);
    }
}

class SourceSysPkgRead : public testutil::EnglishTest {
protected:
    // "name|epoch|version|release|type" of this source's packages, in pool order.
    Texts pooled(const Source& source) const {
        Texts out;
        for (const Package* p : testutil::packagesOf(repo, &source)) {
            const Version& v = *p->getVersion();
            std::ostringstream s;
            s << p->getName() << "|" << v.getEpoch() << "|" << v.getVersion() << "|" << v.getRelease() << "|"
              << static_cast<char>(p->getType());
            out.push_back(s.str());
        }
        return out;
    }

    testutil::PackageOwner owner;
    testutil::CommandShims shims;
    Repository repo;
};

TEST_F(SourceSysPkgRead, EachListedNameBecomesAnInstalledPackage) {
    shims.add("pkg_info",
              "printf 'apache-2.2.17_1     Version 2.2.x of Apache web server\\n'\n"
              "printf 'p5-Foo-Bar-1.02,1   A perl module\\n'\n"
              "printf 'perl-5.10.1_2,3 Practical Extraction and Report Language\\n'\n"
              "printf 'bash-4.1.9\\n'\n"
              "printf '\\n'\n"
              "printf 'noversion comment\\n'\n");
    SourceSysPkg source(&repo);
    testutil::LogCapture log(3);
    source.getBrief();
    owner.packages = repo.pkgList;
    // A line without a comment has no line feed glued to its version.
    EXPECT_EQ(pooled(source), (Texts{"apache|0|2.2.17|1|s", "p5-Foo-Bar|1|1.02|0|s", "perl|3|5.10.1|2|s",
                                     "bash|0|4.1.9|0|s", "|0|noversion|0|s"}));
    // The full read adds nothing.
    source.getFull();
    EXPECT_EQ(repo.pkgList.size(), 5u);
}

TEST_F(SourceSysPkgRead, AMissingOrFailingToolLeavesWhatItPrinted) {
    struct Row {
        const char* label;
        const char* script;
        Texts packages;
    };
    const Row rows[] = {
        {"the tool fails after one line", "printf 'bash-4.1.9 The GNU shell\\n'\nexit 3", {"bash|0|4.1.9|0|s"}},
        {"the tool prints nothing", "exit 0", {}},
        {"the tool is not there", "exec /nonexistent/pkg_info", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        shims.add("pkg_info", r.script);
        SourceSysPkg source(&repo);
        testutil::LogCapture log(3);
        EXPECT_NO_THROW(source.getBrief());
        for (Package* p : testutil::packagesOf(repo, &source)) owner.packages.push_back(p);
        EXPECT_EQ(pooled(source), r.packages);
    }
}

TEST_F(SourceSysPkgRead, RefreshReplacesThePackagesWithTheNewListing) {
    shims.add("pkg_info", "printf 'apache-2.2.17_1 web\\nbash-4.1.9 shell\\n'");
    SourceSysPkg source(&repo);
    source.getBrief();
    shims.add("pkg_info", "printf 'bash-4.1.9 shell\\nzsh-4.3.10_1 shell\\n'");
    source.refresh();
    owner.packages = repo.pkgList;
    for (Package* p : repo.removedPackages) owner.packages.push_back(p);
    EXPECT_EQ(pooled(source), (Texts{"bash|0|4.1.9|0|s", "zsh|0|4.3.10|1|s"}));
    ASSERT_EQ(repo.removedPackages.size(), 2u);
    for (const Package* p : repo.removedPackages) EXPECT_EQ(p->getType(), 'z') << p->getName();
}

}  // namespace
