// The run's sources over a small local update source (tests/fixtures/components/sources): real
// build descriptions, package lists read by the product sources, the ports data of FreeBSD
// builds, and the installed FreeBSD packages through a pkg_info stand-in. The builds here have
// no updates directory, so the settings are never consulted; the cases that need them are in
// SourceManagerSandboxTest.
#include "components/SourceManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "components/SourceTree.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "packages/Version.h"
#include "sources/SourceConfig.h"
#include "sources/SourceSysPkg.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::sourceNames;
using testutil::registeredNames;

typedef std::vector<std::string> Texts;

class SourceManagerTest : public testutil::EnglishTest {
protected:
    void TearDown() override {
        testutil::freePackages(repo);
        EnglishTest::TearDown();
    }

    // Reads the package lists of every product source in the list.
    void readAll(SourceManager& manager) {
        for (const std::shared_ptr<Source>& s : manager.sources) s->getFull();
    }

    testutil::SourceTree tree;
    Repository repo;
};

// One step of the ports and port-option table: an archive (location, date) or a port's options.
struct Step {
    enum Kind { Archive, Options } kind;
    std::string first;
    std::string second;
    std::map<std::string, std::string> options;
};

Step archive(const std::string& location, const std::string& date) { return {Step::Archive, location, date, {}}; }
Step portOptions(const std::string& port, const std::map<std::string, std::string>& options) {
    return {Step::Options, port, "", options};
}

std::string describeOptions(const SourceManager::PortOptions& ports) {
    std::string out;
    for (const auto& port : ports) {
        out += port.first + ":";
        for (const auto& option : port.second) out += " " + option.first + "=" + option.second;
        out += ";";
    }
    return out;
}

TEST_F(SourceManagerTest, PortsArchiveFollowsTheGreatestDateAndPortOptionsKeepTheFirst) {
    struct Row {
        const char* label;
        std::vector<Step> steps;
        const char* location;
        const char* date;
        const char* options;
        const char* log;
    };
    const char* const warning = "Warning: Options for port is differ: \"";
    const Row rows[] = {
        {"newer date first: the older one is refused",
         {archive("a/ports.tgz", "2009-05-01"), archive("b/ports.tgz", "2009-04-01")}, "a/ports.tgz", "2009-05-01", "",
         ""},
        {"older date first: the newer one takes over",
         {archive("a/ports.tgz", "2009-04-01"), archive("b/ports.tgz", "2009-05-01")}, "b/ports.tgz", "2009-05-01", "",
         ""},
        {"the same date twice: the later call's location",
         {archive("a/ports.tgz", "2009-05-01"), archive("b/ports.tgz", "2009-05-01")}, "b/ports.tgz", "2009-05-01", "",
         ""},
        {"no date held: anything is taken",
         {archive("a/ports.tgz", ""), archive("b/ports.tgz", "2009-01-01")}, "b/ports.tgz", "2009-01-01", "", ""},
        {"a dated archive is kept against an undated one (byte-wise, \"\" is least)",
         {archive("a/ports.tgz", "2009-01-01"), archive("b/ports.tgz", "")}, "a/ports.tgz", "2009-01-01", "", ""},
        {"a new port is recorded silently",
         {portOptions("www/foo", {{"A", "on"}, {"B", "off"}})}, "", "", "www/foo: A=on B=off;", ""},
        {"the same options again are silent",
         {portOptions("www/foo", {{"A", "on"}, {"B", "off"}}), portOptions("www/foo", {{"B", "off"}, {"A", "on"}})},
         "", "", "www/foo: A=on B=off;", ""},
        {"different options keep the first and warn once (no closing quote, as peers parse it)",
         {portOptions("www/foo", {{"A", "on"}, {"B", "off"}}), portOptions("www/foo", {{"A", "off"}})}, "", "",
         "www/foo: A=on B=off;",
         "Warning: Options for port is differ: \"www/foo:(A=on,B=off) from previous config and \"www/foo:(A=off) try "
         "set now.\n"},
        {"empty against empty is silent", {portOptions("lang/php5", {}), portOptions("lang/php5", {})}, "", "",
         "lang/php5:;", ""},
        {"an empty list prints as empty",
         {portOptions("lang/php5", {}), portOptions("lang/php5", {{"SUHOSIN", "on"}})}, "", "", "lang/php5:;",
         "Warning: Options for port is differ: \"lang/php5:(empty) from previous config and \"lang/php5:(SUHOSIN=on) "
         "try set now.\n"},
        {"two ports are recorded apart",
         {portOptions("www/foo", {{"A", "on"}}), portOptions("lang/php5", {{"A", "off"}})}, "", "",
         "lang/php5: A=off;www/foo: A=on;", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        testutil::LogCapture log(3);
        SourceManager manager(repo);
        for (const Step& s : r.steps) {
            if (s.kind == Step::Archive)
                manager.setPortsArchive(s.first, s.second);
            else
                manager.mergePortOptions(s.first, s.options);
        }
        EXPECT_EQ(manager.portsArchive, r.location);
        EXPECT_EQ(manager.portsDate, r.date);
        EXPECT_EQ(describeOptions(manager.buildData->portOptions), r.options);
        std::string warnings;
        for (const std::string& line : testutil::splitLines(log.text()))
            if (line.rfind(warning, 0) == 0) warnings += line + "\n";
        EXPECT_EQ(warnings, r.log);
    }
}

TEST_F(SourceManagerTest, GeneratedTemplateNameComesFromTheRunningSystemAndIsNotStored) {
    struct Row {
        const char* vendor;
        const char* version;
        const char* arch;
        const char* name;
    };
    const Row rows[] = {
        {"FedoraCore", "8", "i686", "fedora-core-8-x86"},
        {"FedoraCore", "8", "x86_64", "fedora-core-8-x86_64"},
        {"CentOS", "5", "i386", "centos-5-x86"},
        {"Debian", "12", "x86_64", "debian-12-x86_64"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        // The running system is fixed by the first detection of a process: one child per row.
        const std::string answer = testutil::inChild([&] {
            Opsys::override_os_vendor = r.vendor;
            Opsys::override_os_version = r.version;
            Opsys::override_os_arch = r.arch;
            if (Opsys().os_vendor() != r.vendor) return std::string("system detected before the overrides");
            testutil::LogCapture log(3);
            SourceManager manager(repo);
            const std::string first = manager.getOsTemplateName();
            const std::string second = manager.getOsTemplateName();
            return first + "|" + second + "|stored=" + manager.buildData->osTemplateName + "\n" + log.text();
        });
        EXPECT_EQ(answer, std::string(r.name) + "|" + r.name +
                              "|stored=\n"
                              "Warning: name of KV template was generated and may not match with reality\n"
                              "Warning: name of KV template was generated and may not match with reality\n");
    }
}

TEST_F(SourceManagerTest, TemplateNameIsSetOnceWithOneValue) {
    testutil::LogCapture log(3);
    SourceManager manager(repo);
    manager.setOsTemplateName("centos-5-x86");
    manager.setOsTemplateName("centos-5-x86");
    EXPECT_EQ(manager.getOsTemplateName(), "centos-5-x86");

    const error e = raisedError([&] { manager.setOsTemplateName("debian-5.0-x86"); });
    EXPECT_EQ(codesOf(e), "(1,1,1,2)");
    EXPECT_EQ(e.text(), "OS template name is already defined as centos-5-x86 (try set name debian-5.0-x86)\n");
    EXPECT_EQ(manager.getOsTemplateName(), "centos-5-x86");
    // A stored name is no guess.
    EXPECT_EQ(log.text().find("Warning: name of KV template"), std::string::npos);
}

TEST_F(SourceManagerTest, GettersWithNothingToListAreInternalErrors) {
    struct Getter {
        const char* name;
        int line;
        std::function<void(const SourceManager&)> call;
    };
    const Getter getters[] = {
        {"getBuildSourceUrls", 128, [](const SourceManager& m) { m.getBuildSourceUrls(); }},
        {"getUpdatesSourceUrls", 144, [](const SourceManager& m) { m.getUpdatesSourceUrls(); }},
        {"getDistFiles", 170, [](const SourceManager& m) { m.getDistFiles(); }},
        {"getAptSources", 197, [](const SourceManager& m) { m.getAptSources(); }},
    };
    // Empty; then only sources that are no product sources (and an empty entry); then a Debian
    // build, which has no ports archive and no updates.
    SourceManager empty(repo);
    SourceManager others(repo);
    others.sources.push_back(std::make_shared<SourceConfig>(&repo));
    others.sources.push_back(nullptr);
    SourceManager debian(repo);
    debian.addBuildSources(tree.fetcher(), tree.build("tarnix/r2.inf3"));

    for (const Getter& g : getters) {
        SCOPED_TRACE(g.name);
        const std::string text = "An internal error occured in vantrell, rev.297274 SourceManager, line " +
                                 std::to_string(g.line) + ".\n";
        for (const SourceManager* m : {&empty, &others}) {
            const error e = raisedError([&] { g.call(*m); });
            EXPECT_EQ(codesOf(e), "(3,1,1,3)");
            EXPECT_EQ(e.text(), text);
        }
        if (g.line == 144 || g.line == 170) {
            EXPECT_EQ(raisedError([&] { g.call(debian); }).text(), text);
        }
    }
}

TEST_F(SourceManagerTest, ProductSourcesAnswerTheConfigurators) {
    const FileFetcher fetcher = tree.fetcher();
    // The catalogue keeps its builds for the whole run.
    const std::shared_ptr<Build> p1 = tree.build("tarnix/ports-a.inf3");
    const std::shared_ptr<Build> p2 = tree.build("tarnix/ports-b.inf3");
    const std::shared_ptr<Build> r2 = tree.build("tarnix/r2.inf3");
    r2->base_dir = "tarnix/debian-11";
    SourceManager manager(repo);
    manager.addBuildSources(fetcher, p1);
    manager.addBuildSources(fetcher, p2);
    manager.addBuildSources(fetcher, r2);
    EXPECT_EQ(sourceNames(manager.sources),
              (Texts{"TarnixSource_b_P1", "TarnixSource_b_P2", "TarnixSource_b_R2", "TarnixSource_t_R2"}));
    EXPECT_EQ(registeredNames(repo), sourceNames(manager.sources));

    // Each source went its own way from the one fetcher given.
    const std::string base = fetcher.sourceUrls.front();
    EXPECT_EQ(manager.getBuildSourceUrls(), (Texts{base + "tarnix/ports/", base + "tarnix/ports/", base + "tarnix/dist/"}));
    EXPECT_EQ(fetcher.subdirsOffset, "");

    // The archive both FreeBSD builds name is listed once, at its first place.
    EXPECT_EQ(manager.getDistFiles(), (Texts{"tarnix/ports/ports-20090501-a.tgz", "tarnix/ports/ports-20090501.tgz",
                                              "tarnix/ports/ports-20090401-b.tgz"}));

    std::vector<std::string> apt;
    for (const SourceManager::AptSource& a : manager.getAptSources())
        apt.push_back(a.aptRepository + "|" + a.aptSource + "|" + a.osReleaseName + "|" + a.baseDir);
    EXPECT_EQ(apt, (Texts{"|||tarnix", "|||tarnix",
                          "http://updates.corvane.example/debian-11/|deb http://updates.corvane.example/debian-11 "
                          "bullseye all|bullseye|tarnix/debian-11"}));

    // The lists are where the sources say.
    readAll(manager);
    EXPECT_EQ(testutil::poolKinds(repo), (Texts{"vnfix-r2-core b", "vnfix-r2-lib t"}));
}

TEST_F(SourceManagerTest, DroppingABuildTakesItsSourcesAndPackagesAndVanishedBuildsAreOneBuild) {
    const FileFetcher fetcher = tree.fetcher();
    std::shared_ptr<Build> r2 = tree.build("tarnix/r2.inf3");
    std::shared_ptr<Build> p1 = tree.build("tarnix/ports-a.inf3");
    std::shared_ptr<Build> p2 = tree.build("tarnix/ports-b.inf3");
    testutil::LogCapture log(3);
    SourceManager manager(repo);
    manager.addBuildSources(fetcher, p1);
    manager.addBuildSources(fetcher, r2);
    manager.addBuildSources(fetcher, p2);
    auto directory = std::make_shared<SourceDirectory>(&repo, tree.path());
    manager.sources.push_back(directory);
    readAll(manager);

    // The catalogue let both FreeBSD builds go: their sources now belong to no build, and a
    // build that is gone is the build asked for here.
    p1.reset();
    p2.reset();
    manager.dropBuildSources(std::weak_ptr<Build>());
    EXPECT_EQ(sourceNames(manager.sources), (Texts{"TarnixSource_b_R2", "TarnixSource_t_R2", "SourceDirectory"}));
    EXPECT_EQ(registeredNames(repo), sourceNames(manager.sources));

    manager.dropBuildSources(r2);
    EXPECT_EQ(sourceNames(manager.sources), (Texts{"SourceDirectory"}));
    EXPECT_EQ(registeredNames(repo), (Texts{"SourceDirectory"}));
    EXPECT_EQ(testutil::poolKinds(repo), (Texts{"removed vnfix-r2-core z", "removed vnfix-r2-lib z"}));

    std::string drops;
    for (const std::string& line : testutil::splitLines(log.text()))
        if (line.rfind("DEBUG: drop ", 0) == 0) drops += line + "\n";
    EXPECT_EQ(drops,
              "DEBUG: drop TarnixSource_b_P1\nDEBUG: drop TarnixSource_b_P2\n"
              "DEBUG: drop TarnixSource_b_R2\nDEBUG: drop TarnixSource_t_R2\n");

    // Nothing of the build left: nothing happens.
    manager.dropBuildSources(r2);
    EXPECT_EQ(sourceNames(manager.sources), (Texts{"SourceDirectory"}));
}

TEST_F(SourceManagerTest, BuildsWithoutWhatTheSourcesNeedAreInternalErrors) {
    SourceManager manager(repo);
    const error noBuild = raisedError([&] { manager.addBuildSources(tree.fetcher(), nullptr); });
    EXPECT_EQ(noBuild.text(), "An internal error occured in vantrell, rev.297274 SourceManager, line 61.\n");
    auto unloaded = std::make_shared<Build>();
    const error noDescription = raisedError([&] { manager.addBuildSources(tree.fetcher(), unloaded); });
    EXPECT_EQ(noDescription.text(), "An internal error occured in vantrell, rev.297274 SourceManager, line 63.\n");
    EXPECT_TRUE(manager.sources.empty());
    EXPECT_TRUE(repo.sources.empty());

    // A distribution source outliving its build has no APT data to give.
    std::shared_ptr<Build> r2 = tree.build("tarnix/r2.inf3");
    manager.addBuildSources(tree.fetcher(), r2);
    r2.reset();
    const error gone = raisedError([&] { manager.getAptSources(); });
    EXPECT_EQ(codesOf(gone), "(3,1,1,3)");
    EXPECT_EQ(gone.text(), "An internal error occured in vantrell, rev.297274 SourceManager, line 203.\n");
}

TEST_F(SourceManagerTest, InstalledFreeBsdPackagesAreReadAgainOnRefresh) {
    testutil::TempDir dir;
    testutil::CommandShims shims;
    const std::string calls = dir / "calls";
    auto listing = [&](const std::string& lines) {
        shims.add("pkg_info", "echo pkg_info \"$@\" >>" + calls + "\nprintf '" + lines + "'");
    };
    auto pool = [&] {
        std::vector<std::string> out;
        for (const Package* p : repo.pkgList) {
            std::ostringstream s;
            s << p->getName() << " " << *p->getVersion() << " " << static_cast<char>(p->getType());
            out.push_back(s.str());
        }
        return out;
    };

    SourceManager manager(repo);
    listing("apache-2.2.17_1     Version 2.2.x of Apache web server\\nperl-5.10.1_2,3  Practical Extraction\\n");
    // No installed-packages source of FreeBSD: nothing is run.
    manager.refreshSysPkgSource();
    EXPECT_FALSE(testutil::shell("test -e " + calls).status == 0);
    EXPECT_TRUE(repo.pkgList.empty());

    SourceSysPkg installed(&repo);
    manager.refreshSysPkgSource();
    EXPECT_EQ(pool(), (Texts{"apache 2.2.17-1 s", "perl 3:5.10.1-2 s"}));

    // A port was built meanwhile and apache went away.
    listing("bash-4.1.9 The GNU Project\\nperl-5.10.1_2,3  Practical Extraction\\n");
    manager.refreshSysPkgSource();
    EXPECT_EQ(pool(), (Texts{"bash 4.1.9-0 s", "perl 3:5.10.1-2 s"}));
    EXPECT_EQ(testutil::readFile(calls), "pkg_info\npkg_info\n");
    for (const Package* p : repo.removedPackages) EXPECT_EQ(p->getType(), 'z') << p->getName();
    EXPECT_EQ(repo.removedPackages.size(), 2u);
}

}  // namespace
