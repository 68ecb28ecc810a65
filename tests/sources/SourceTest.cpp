#include "sources/Source.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/CountingSource.h"
#include "sources/SourceConfig.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::CountingSource;
using testutil::PackageKeeper;
using testutil::raisedError;

class SourceBase : public testutil::EnglishTest {
protected:
    PackageKeeper keep;
    Repository repo;
    std::vector<std::string> journal;
};

TEST_F(SourceBase, EachReadStepRunsOnceAndTheFullReadBringsTheBriefOne) {
    CountingSource briefOnly(&repo, &journal, "x");
    briefOnly.getBrief();
    briefOnly.getBrief();
    EXPECT_EQ(briefOnly.briefCalls, 1);
    EXPECT_EQ(briefOnly.fullCalls, 0);
    EXPECT_TRUE(briefOnly.isBriefRead());
    EXPECT_FALSE(briefOnly.isFullRead());

    CountingSource fresh(&repo, &journal, "y");
    fresh.getFull();
    fresh.getFull();
    fresh.getBrief();
    EXPECT_EQ(journal, (std::vector<std::string>{"x:brief", "y:brief", "y:full"}));
    EXPECT_TRUE(fresh.isBriefRead() && fresh.isFullRead());
}

TEST_F(SourceBase, AFailedStepStaysUndoneAndRunsAgain) {
    CountingSource s(&repo, &journal, "s");
    s.failBriefOnce = true;
    error e = raisedError([&] { s.getFull(); });
    EXPECT_EQ(e.text(), "s cannot read (brief)\n");
    EXPECT_EQ(codesOf(e), "(4,2,1,2)");
    EXPECT_FALSE(s.isBriefRead());
    EXPECT_EQ(s.fullCalls, 0);

    s.failFullOnce = true;
    raisedError([&] { s.getFull(); });
    EXPECT_TRUE(s.isBriefRead());
    EXPECT_FALSE(s.isFullRead());

    s.getFull();
    EXPECT_EQ(journal, (std::vector<std::string>{"s:brief", "s:brief", "s:full", "s:full"}));
    EXPECT_TRUE(s.isFullRead());
}

TEST_F(SourceBase, DestroyingASourceRemovesItsPackagesAndThoseMarkedBefore) {
    CountingSource other(&repo);
    Package* kept = keep.make("kept", "1", 's');
    Package* sourceless = keep.make("sourceless", "1", 'd');
    Package* markedElsewhere = keep.make("marked", "1", 'z');
    Package* own1 = keep.make("own1", "1", 's');
    Package* own2 = keep.make("own2", "1", 'b');
    {
        CountingSource doomed(&repo);
        other.add(kept);
        doomed.add(own1);
        repo.addPackage(sourceless, nullptr);
        other.add(markedElsewhere);
        doomed.add(own2);
        EXPECT_EQ(repo.sources.size(), 2u);
    }
    EXPECT_EQ(repo.pkgList, (std::vector<Package*>{kept, sourceless}));
    EXPECT_EQ(repo.removedPackages, (std::set<Package*>{own1, own2, markedElsewhere}));
    EXPECT_EQ(own1->getType(), 'z');
    EXPECT_EQ(own2->getType(), 'z');
    EXPECT_EQ(kept->getType(), 's');
    EXPECT_EQ(repo.sources, std::vector<Source*>{&other});
}

TEST_F(SourceBase, ANewSourceCarriesPriority500AndPrintsItsAddress) {
    CountingSource s(&repo);
    EXPECT_EQ(s.getPriority(), 500);

    std::ostringstream printed, address;
    s.print(printed);
    address << static_cast<const void*>(&s);
    EXPECT_EQ(printed.str(), "Package_source_" + address.str());
    EXPECT_EQ(printed.str().compare(0, 17, "Package_source_0x"), 0) << printed.str();

    std::ostringstream streamed;
    streamed << s;
    EXPECT_EQ(streamed.str(), printed.str());
}

TEST_F(SourceBase, ANullRepositoryIsRefusedAtConstruction) {
    error e = raisedError([] { CountingSource s(nullptr); });
    EXPECT_EQ(codesOf(e), "(3,1,0,3)");
}

// Configuration packages --------------------------------------------------------------------

TEST_F(SourceBase, ConfigurationPackagesKeepTheirLettersUntilTheFullReadDropsThemAll) {
    CountingSource other(&repo, &journal, "other");
    SourceConfig config(&repo);
    Package* b = keep.make("comp", "1.0", 'b');
    Package* u = keep.make("upd", "1.0", 'u');
    Package* t = keep.make("third", "1.0", 't');
    Package* stays = keep.make("listed", "1.0", 'u');
    for (Package* p : {b, u, t}) config.addPackage(p);
    other.add(stays);

    EXPECT_EQ(b->getType(), 'b');
    EXPECT_EQ(t->getType(), 't');
    EXPECT_EQ(u->getSource(), &config);
    repo.getBriefInfo();
    EXPECT_EQ(repo.pkgList.size(), 4u);

    repo.getFullInfo();
    EXPECT_EQ(repo.pkgList, std::vector<Package*>{stays});
    EXPECT_EQ(repo.removedPackages, (std::set<Package*>{b, u, t}));
    EXPECT_FALSE(config.isRemote());
}

TEST_F(SourceBase, AnEmptyConfigurationSourceDropsNothing) {
    CountingSource other(&repo);
    SourceConfig config(&repo);
    Package* a = keep.make("a", "1", 's');
    Package* b = keep.make("b", "1", 'u');
    other.add(a);
    other.add(b);

    repo.getFullInfo();

    EXPECT_EQ(repo.pkgList, (std::vector<Package*>{a, b}));
    EXPECT_TRUE(repo.removedPackages.empty());
}

}  // namespace
