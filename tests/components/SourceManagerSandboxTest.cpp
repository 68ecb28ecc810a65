// The run's sources where they need the settings or fixed files: the updates source follows the
// product system updates switch of the settings (built in a forked child with a private home),
// and the additional sources are a yum repository that createrepo_c makes from real rpm files,
// served over HTTP with Basic authentication, and a local directory of rpm files. The yum
// source unpacks its metadata into fixed names in /tmp, hence the namespace helper.
#include "components/SourceManager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/Log.h"
#include "common/error.h"
#include "components/ComponentManager.h"
#include "components/SourceTree.h"
#include "main/OptionsProbe.h"
#include "main/Options.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "support/FixtureServers.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::registeredNames;
using testutil::sourceNames;

typedef std::vector<std::string> Texts;

std::string joinedLines(const Texts& items) {
    std::string out;
    for (const std::string& item : items) out += item + "\n";
    return out;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The lines of `log` that begin with `prefix`.
std::string linesStarting(const std::string& log, const std::string& prefix) {
    std::string out;
    for (const std::string& line : testutil::splitLines(log))
        if (line.rfind(prefix, 0) == 0) out += line + "\n";
    return out;
}

// The settings of a run started with `args`, built in this (forked) process; home is the
// fixture's empty tmpfs, with `rcFile` as its ".vantrellrc" when not empty.
void buildSettings(const Texts& args, const std::string& rcFile) {
    ::unsetenv("XDG_CONFIG_HOME");
    if (!rcFile.empty()) optionstest::writeHomeFiles({{".vantrellrc", rcFile}});
    static std::vector<std::string> words;
    words = {"vantrell"};
    words.insert(words.end(), args.begin(), args.end());
    static std::vector<char*> argv;
    argv.clear();
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    commandLineArgs.argc = static_cast<int>(words.size());
    commandLineArgs.argv = argv.data();
    Options::instance();
}

class SourceManagerSettings : public optionstest::HomeFixture {};

TEST_F(SourceManagerSettings, UpdatesSourceFollowsTheProductSystemUpdatesSwitch) {
    testutil::SourceTree tree;
    struct Row {
        const char* label;
        Texts args;
        const char* rcFile;
        const char* expected;
    };
    const std::string base = tree.fetcher().sourceUrls.front();
    const Row rows[] = {
        {"on by default", {}, "", "TarnixSource_b_R1\nTarnixSource_u_R1\nTarnixSource_t_R1\n"},
        {"off on the command line", {"--disable-tarnix-sys-updates"}, "", "TarnixSource_b_R1\nTarnixSource_t_R1\n"},
        {"off in the rc file", {}, "USE_TARNIX_UPDATES = \"no\"\n", "TarnixSource_b_R1\nTarnixSource_t_R1\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        const std::string answer = testutil::inChild([&] {
            buildSettings(r.args, r.rcFile);
            Repository repo;
            std::string out;
            {
                SourceManager manager(repo);
                manager.addBuildSources(tree.fetcher(), tree.build("tarnix/r1.inf3"));
                out = joinedLines(sourceNames(manager.sources));
                if (registeredNames(repo) != sourceNames(manager.sources)) out += "registered otherwise\n";
                try {
                    out += "updates at " + joinedLines(manager.getUpdatesSourceUrls());
                } catch (const error& e) {
                    out += e.text();
                }
            }
            return out;
        });
        const std::string updates = std::string(r.expected).find("_u_") != std::string::npos
                                        ? "updates at " + base + "tarnix/updates/\n"
                                        : "An internal error occured in vantrell, rev.297274 SourceManager, line 144.\n";
        EXPECT_EQ(answer, r.expected + updates);
    }
}

// A yum repository of real rpm files at <root>/_/basic/a:b/c.d-e_f, served behind Basic
// authentication, and a directory of the same files.
class RpmSourceManager : public optionstest::HomeFixture {
protected:
    void SetUp() override {
        HomeFixture::SetUp();
        const std::string repository = root / "a:b/c.d-e_f";
        testutil::run({"/bin/mkdir", "-p", repository, directory()});
        for (const char* name : {"repo.rpm", "alpha.rpm", "epoch-2.rpm"}) {
            EXPECT_EQ(testutil::run({"/bin/cp", testutil::rpmFixture(name), repository + "/" + name}).status, 0);
            EXPECT_EQ(testutil::run({"/bin/cp", testutil::rpmFixture(name), directory() + "/" + name}).status, 0);
            names.push_back(testutil::rpmQuery(testutil::rpmFixture(name), {"--queryformat", "%{NAME}"}));
        }
        std::sort(names.begin(), names.end());
        testutil::RunResult made = testutil::run({"/usr/bin/createrepo_c", "-q", repository});
        EXPECT_EQ(made.status, 0) << made.err;
        server.reset(new testutil::HttpServer(root.path(), {"--user", "vn", "--password", "s3cret"}));
    }

    std::string directory() const { return files / "rpms"; }
    AdditionalSource record(const std::string& type, const std::string& url) const {
        AdditionalSource a;
        a.type = type;
        a.priority = 10;
        a.url = url;
        a.user = "vn";
        a.password = "s3cret";
        return a;
    }
    std::string repositoryUrl() const { return server->url("_/basic/a:b/c.d-e_f"); }
    // The names of the pooled packages of `source`, sorted.
    Texts pooledNames(const Repository& repo, const Source* source) const {
        Texts out;
        for (const Package* p : repo.pkgList)
            if (p->getSource() == source) out.push_back(p->getName());
        std::sort(out.begin(), out.end());
        return out;
    }

    testutil::TempDir root;
    testutil::TempDir files;
    testutil::TempDir target;
    Texts names;
    std::unique_ptr<testutil::HttpServer> server;
};

TEST_F(RpmSourceManager, AdditionalSourcesAreReadIntoTheirOwnDirectories) {
    testutil::LogCapture log(3);
    Repository repo;
    {
        SourceManager manager(repo);
        manager.addAdditionalSources({record("repomd", repositoryUrl()), record("directory", directory())},
                                     target.path());
        EXPECT_EQ(sourceNames(manager.sources), (Texts{"SourceRepodata", "SourceDirectory"}));
        EXPECT_EQ(registeredNames(repo), sourceNames(manager.sources));

        // The URL is one directory below the target: every byte outside [A-Za-z0-9_-] is '_'.
        const std::string kept = target / ("http___127_0_0_1_" + std::to_string(server->port()) + "___basic_a_b_c_d-e_f");
        EXPECT_TRUE(isDirectory(kept)) << kept;
        EXPECT_TRUE(testutil::shell("test -s " + kept + "/repodata/repomd.xml").status == 0);

        repo.getBriefInfo();
        EXPECT_EQ(pooledNames(repo, manager.sources[0].get()), names);
        EXPECT_EQ(pooledNames(repo, manager.sources[1].get()), names);
    }
    // Gone with the manager: out of the repository, their packages out of the pool.
    EXPECT_TRUE(repo.sources.empty());
    EXPECT_TRUE(repo.pkgList.empty());
    testutil::freePackages(repo);
}

TEST_F(RpmSourceManager, AnUnknownTypeStopsTheListAndKeepsWhatCameBefore) {
    testutil::LogCapture log(3);
    Repository repo;
    {
        SourceManager manager(repo);
        const error e = raisedError([&] {
            manager.addAdditionalSources({record("repodata", repositoryUrl()), record("yum", repositoryUrl()),
                                          record("directory", directory())},
                                         target.path());
        });
        EXPECT_EQ(codesOf(e), "(2,1,1,2)");
        EXPECT_EQ(e.text(), "You specified an additional source incorrectly.\n");
        EXPECT_EQ(linesStarting(log.text(), "Incorrect additional source type: "),
                  "Incorrect additional source type: yum\n");
        EXPECT_EQ(sourceNames(manager.sources), (Texts{"SourceRepodata"}));
        EXPECT_EQ(registeredNames(repo), (Texts{"SourceRepodata"}));
    }
    testutil::freePackages(repo);
}

TEST_F(RpmSourceManager, DroppingABuildKeepsEveryOtherSourceInOrder) {
    testutil::SourceTree tree;
    const std::string answer = testutil::inChild([&] {
        buildSettings({}, "");
        std::string out;
        Repository repo;
        {
            testutil::LogCapture log(3);
            ComponentManager components;
            const std::shared_ptr<Build> r1 = tree.build("tarnix/r1.inf3");
            const std::shared_ptr<Build> r2 = tree.build("tarnix/r2.inf3");
            SourceManager manager(repo);
            manager.addSystemSource(components);
            manager.addAdditionalSources({record("repomd", repositoryUrl()), record("directory", directory())},
                                         target.path());
            manager.addBuildSources(tree.fetcher(), r2);
            manager.addBuildSources(tree.fetcher(), r1);
            repo.getFullInfo();

            manager.dropBuildSources(r2);
            out += linesStarting(log.text(), "DEBUG: drop ");
            out += "list: " + joinedLines(sourceNames(manager.sources));
            out += "registered: " + joinedLines(registeredNames(repo));
            Texts product;
            for (const std::string& p : testutil::poolKinds(repo))
                if (p.find("vnfix-r1-") != std::string::npos || p.find("vnfix-r2-") != std::string::npos)
                    product.push_back(p);
            out += "packages: " + joinedLines(product);
        }
        testutil::freePackages(repo);
        return out;
    });
    EXPECT_EQ(answer,
              "DEBUG: drop TarnixSource_b_R2\n"
              "DEBUG: drop TarnixSource_t_R2\n"
              "list: SourceSysStd\nSourceRepodata\nSourceDirectory\n"
              "TarnixSource_b_R1\nTarnixSource_u_R1\nTarnixSource_t_R1\n"
              "registered: SourceSysStd\nSourceRepodata\nSourceDirectory\n"
              "TarnixSource_b_R1\nTarnixSource_u_R1\nTarnixSource_t_R1\n"
              "packages: vnfix-r1-core b\nvnfix-r1-web b\nvnfix-r1-core u\nvnfix-r1-lib t\n"
              "removed vnfix-r2-core z\nremoved vnfix-r2-lib z\n");
}

}  // namespace
