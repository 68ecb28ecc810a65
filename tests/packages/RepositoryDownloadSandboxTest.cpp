// Downloads of the packages to install, with the shared progress record (System V key 321456
// and the lock file in /tmp): run inside the namespace helper, fresh for every test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/ProgressSegment.h"
#include "common/TerminationState.h"
#include "common/error.h"
#include "packages/Repository.h"
#include "reporting/ProductsProgress.h"
#include "sources/CountingSource.h"
#include "sources/Source.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::LogCapture;
using testutil::PackageKeeper;
using testutil::raisedError;

// A source kind of the tests that records the packages it is asked to fetch; it can refuse
// one of them as a failed transfer would.
class RecordingSource : public Source {
public:
    RecordingSource(Repository* repository, bool remote, std::vector<std::string>* fetched)
        : Source(repository), remote(remote), fetched(fetched) {}

    bool isRemote() const override { return remote; }
    void downloadPackage(Package* pkg) override {
        fetched->push_back(pkg->getName());
        if (pkg->getName() == refused) throw error(4, 1, 1, 2) << "transfer of " << refused << " failed";
    }

    std::string refused;

protected:
    void doGetBrief() override {}
    void doGetFull() override {}

private:
    bool remote;
    std::vector<std::string>* fetched;
};

struct Seen {
    unsigned stage, stepCount, step;
    std::string stepId, stepTitle;
};

Seen record() {
    ProgressSegment access;
    const ProgressRecord& r = *access.record();
    return {r.stage, r.stepCount, r.step, r.getStepId(), r.getStepTitle()};
}

class RepositoryDownload : public testutil::EnglishTest {
protected:
    // Declared first: the packages outlive the repository and the sources that drop them.
    PackageKeeper keep;
    Repository repo;
    std::vector<std::string> fetched;
    RecordingSource remote{&repo, true, &fetched};
    RecordingSource local{&repo, false, &fetched};

    const Package* pooled(const std::string& name, Source* source) {
        Package* p = keep.make(name, "1.0-1", 'u');
        repo.addPackage(p, source);
        return p;
    }
};

TEST_F(RepositoryDownload, OnlyPackagesOfRemoteSourcesAreFetchedEachWithAStep) {
    const std::vector<const Package*> list = {pooled("a", &remote), pooled("b", &local), pooled("c", nullptr),
                                              pooled("d", &remote)};
    ProductsProgress perRelease;
    LogCapture log(3);

    repo.downloadPackages(list);

    EXPECT_EQ(fetched, (std::vector<std::string>{"a", "d"}));
    Seen seen = record();
    EXPECT_EQ(seen.stage, 3u);
    EXPECT_EQ(seen.stepCount, 2u);
    EXPECT_EQ(seen.step, 2u);
    EXPECT_EQ(seen.stepId, "download");
    EXPECT_EQ(seen.stepTitle, "File downloading d");
    EXPECT_EQ(log.text(), "Progress::stage: --- 3/4 (2 steps) Downloading packages\n"
                          "Progress::step: 1/2 File downloading a\n"
                          "ProductsProgress::set_progress: a stage 1\n"
                          "Progress::step: 2/2 File downloading d\n"
                          "ProductsProgress::set_progress: d stage 1\n");
}

TEST_F(RepositoryDownload, WithoutRemotePackagesTheStageHasNoStep) {
    const std::vector<const Package*> list = {pooled("b", &local), pooled("c", nullptr)};
    LogCapture log(3);

    repo.downloadPackages(list);

    EXPECT_TRUE(fetched.empty());
    Seen seen = record();
    EXPECT_EQ(seen.stage, 3u);
    EXPECT_EQ(seen.stepCount, 0u);
    EXPECT_EQ(seen.step, 0u);
    EXPECT_EQ(seen.stepId, "");
    // No per-release progress lives: nothing is set there.
    EXPECT_EQ(log.text(), "Progress::stage: --- 3/4 (0 steps) Downloading packages\n");
}

TEST_F(RepositoryDownload, AFailedFetchEndsTheDownloadsWithItsError) {
    const std::vector<const Package*> list = {pooled("a", &remote), pooled("e", &remote), pooled("d", &remote)};
    remote.refused = "e";
    ProductsProgress perRelease;
    LogCapture log(3);

    error e = raisedError([&] { repo.downloadPackages(list); });

    EXPECT_EQ(e.text(), "transfer of e failed\n");
    EXPECT_EQ(fetched, (std::vector<std::string>{"a", "e"}));
    EXPECT_NE(log.text().find("ProductsProgress::set_progress: a stage 1\n"), std::string::npos) << log.text();
    EXPECT_EQ(log.text().find("set_progress: e"), std::string::npos) << log.text();
    EXPECT_EQ(record().step, 2u);
}

TEST_F(RepositoryDownload, ATerminationRequestStopsBeforeTheNextPackage) {
    const std::vector<const Package*> list = {pooled("a", &remote)};
    requestTermination(0);
    error e = raisedError([&] { repo.downloadPackages(list); });
    resetTermination();

    EXPECT_EQ(codesOf(e), "(2,2,2,1)");
    EXPECT_TRUE(fetched.empty());
    EXPECT_EQ(record().stepCount, 1u);
    EXPECT_EQ(record().step, 0u);
}

}  // namespace
