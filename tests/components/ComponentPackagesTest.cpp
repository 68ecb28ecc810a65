// What the selected components bring to install and remove: the component packages against
// the installed ones (real rpm packages of several architectures, built at test time), the
// key packages, the closing lists, the removal names, the container templates and the
// components that the resolver pulled in.
#include "components/ComponentManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "configurators/SystemSpecificConfigurator.h"
#include "packages/Package.h"
#include "packages/PkgPackage.h"
#include "packages/Repository.h"
#include "packages/internString.h"
#include "reporting/ProductsProgress.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/RpmFixtures.h"

namespace {

using testutil::codesOf;
using testutil::LogCapture;
using testutil::raisedError;
using testutil::TreeCatalogue;

typedef std::vector<const Package*> List;
typedef std::vector<std::vector<std::string>> KeySets;

// The host's package tool: offers what its table holds (name and version text, a new "noarch"
// package per question, as the real kinds do) and remembers what it was asked.
class TableConfigurator : public SystemSpecificConfigurator {
public:
    TableConfigurator() { configure(); }
    void reconfigureSources() override {}
    std::map<std::string, std::pair<std::string, std::string>> offers;
    std::vector<std::string> asked;

protected:
    Package* doGetPackage(const std::string& name) override {
        asked.push_back(name);
        auto it = offers.find(name);
        if (it == offers.end()) return nullptr;
        Package* offered = new Package(it->second.first, it->second.second);
        offered->setArch("noarch");
        offered->setType('u');
        offered->setFileName(offered->toString() + ".rpm");
        return offered;
    }
    void doConfigure() override {}
};

// Builds the pool's name index, whose rebuild leaves a trace in the log, before the log is
// captured.
void indexNames(Repository& pool) { pool.getPackagesByName(internString("")); }

std::string printed(const List& list) {
    std::string text;
    for (const Package* p : list) text += p->toString() + " ";
    return text;
}

class ComponentPackages : public testutil::EnglishTest {
protected:
    // A record as the package cache gives them, "noarch", file name as in a package list.
    Package* record(const std::string& name, const std::string& version, char type) {
        owned.emplace_back(new Package(name, version));
        Package* p = owned.back().get();
        p->setArch("noarch");
        p->setType(type);
        p->setFileName(p->toString() + ".rpm");
        return p;
    }
    Package* pooled(const std::string& name, const std::string& version, char type = 'b') {
        Package* p = record(name, version, type);
        repo.addPackage(p, nullptr);
        return p;
    }
    // An rpm fixture file read as the build's package list names it ("foo-1.0-1.x86_64.rpm").
    Package* rpm(const std::string& fixture, char type) {
        owned.emplace_back(Package::create("placeholder", "0.1", testutil::rpmFixture(fixture)));
        Package* p = owned.back().get();
        p->readInfo();
        p->setType(type);
        p->setFileName(p->toString() + ".rpm");
        return p;
    }
    // The component record's entry of a package: name, version and arch, nothing else.
    Package* described(const Package& p) {
        owned.emplace_back(new Package(p.getName(), p.getVersion()->toString()));
        owned.back()->setArch(p.getArch());
        return owned.back().get();
    }

    // A component of the catalogue's build in the tree, to be installed (status 1).
    VnComponent* component(const TreeCatalogue& catalogue, const std::string& name,
                           const std::vector<Package*>& packages, bool selected = true,
                           const KeySets& keys = {}) {
        std::shared_ptr<VnComponent> c = manager.arena()->make(catalogue.build, name, name + " description", "", keys);
        c->setStatus(1);
        c->packages = packages;
        if (selected) c->setSelected(true);
        manager.nodes.push_back(c);
        return c.get();
    }

    // Before the pool: the pool never frees its packages, and must go first.
    std::vector<std::unique_ptr<Package>> owned;
    Repository repo;
    ComponentManager manager;
};

typedef ComponentPackages RpmComponentPackages;

TEST_F(RpmComponentPackages, ComponentPackagesAgainstTheInstalledOnes) {
    struct Row {
        const char* what;
        const char* installed;  // fixture of the installed copy, "" for none
        const char* offered;    // fixture of the build's copy
        const char* portOption;  // key of the component's port options, "" for none
        bool records;  // both as plain records of the same identity, not as rpm packages
        bool inPool;   // the build's copy is in the pool
        bool scheduled;
        const char* lines;  // after the caller's and the first package's lines
    };
    const std::string scheduledLine = "  Scheduling the following package for installation: ";
    const Row rows[] = {
        {"not installed", "", "arch-foo-1.1-1.x86_64.rpm", "", false, true, true,
         "  Scheduling the following package for installation: foo-1.1-1.x86_64.rpm\n"},
        {"installed older", "arch-foo-1.0-1.x86_64.rpm", "arch-foo-1.1-1.x86_64.rpm", "", false, true, true,
         "  Scheduling the following package for installation: foo-1.1-1.x86_64.rpm\n"},
        {"installed the same", "arch-foo-1.0-1.x86_64.rpm", "arch-foo-1.0-1.x86_64.rpm", "", false, true, false,
         "  skip package 'foo-1.0-1.x86_64' from component base - there is same or newer version of this package "
         "is installed (in system foo-1.0-1.x86_64)\n"},
        {"installed newer", "arch-foo-1.1-1.x86_64.rpm", "arch-foo-1.0-1.x86_64.rpm", "", false, true, false,
         "  skip package 'foo-1.0-1.x86_64' from component base - there is same or newer version of this package "
         "is installed (in system foo-1.1-1.x86_64)\n"},
        {"the same, but its file is named in the port options", "arch-foo-1.0-1.x86_64.rpm",
         "arch-foo-1.0-1.x86_64.rpm", "foo-1.0-1.x86_64.rpm", false, true, true,
         "  Scheduling the following package for installation: foo-1.0-1.x86_64.rpm\n"},
        {"newer, but its file is named in the port options", "arch-foo-1.1-1.x86_64.rpm",
         "arch-foo-1.0-1.x86_64.rpm", "foo-1.0-1.x86_64.rpm", false, true, true,
         "  Scheduling the following package for installation: foo-1.0-1.x86_64.rpm\n"},
        // The options are keyed by the package's file name, not by its name.
        {"the same, with port options for its name only", "arch-foo-1.0-1.x86_64.rpm", "arch-foo-1.0-1.x86_64.rpm",
         "foo", false, true, false,
         "  skip package 'foo-1.0-1.x86_64' from component base - there is same or newer version of this package "
         "is installed (in system foo-1.0-1.x86_64)\n"},
        {"i386 to i686", "arch-foo-1.0-1.i386.rpm", "arch-foo-1.1-1.i686.rpm", "", false, true, true,
         "Warning: The package architecture will be changed during upgrade: Trying to upgrade foo-1.0-1.i386 to "
         "foo-1.1-1.i686\n"
         "  Scheduling the following package for installation: foo-1.1-1.i686.rpm\n"},
        {"x86_64 to i686: not two of the i-family", "arch-foo-1.0-1.x86_64.rpm", "arch-foo-1.1-1.i686.rpm", "", false,
         true, true, "  Scheduling the following package for installation: foo-1.1-1.i686.rpm\n"},
        {"i386 to i686 of packages that are not rpm packages", "arch-foo-1.0-1.i386.rpm", "arch-foo-1.1-1.i686.rpm",
         "", true, true, true, "  Scheduling the following package for installation: foo-1.1-1.i686.rpm\n"},
        {"missing from the pool", "", "arch-foo-1.1-1.x86_64.rpm", "", false, false, false,
         "Package foo-1.1-1.x86_64 from inf3 file not found in build headers (hdr.gz) file.\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Repository pool;
        TreeCatalogue tarnix("tarnix");
        auto base = std::make_shared<VnComponent>(tarnix.build, "base", "Base", "", KeySets{});
        if (*row.portOption) base->setPortOptions({{row.portOption, {{"WITH_X", "yes"}}}});

        auto copy = [&](const char* fixture, char type) -> Package* {
            Package* p = rpm(fixture, type);
            if (!row.records) return p;
            Package* r = record(p->getName(), p->getVersion()->toString(), type);
            r->setArch(p->getArch());
            r->setFileName(p->getFileName());
            return r;
        };
        Package* offered = copy(row.offered, 'b');
        if (row.inPool) pool.addPackage(offered, nullptr);
        if (*row.installed) pool.addPackage(copy(row.installed, 's'), nullptr);
        Package* first = record("lead", "2.0-1", 'b');
        pool.addPackage(first, nullptr);
        Package* callers = record("caller", "0.1-1", 'b');

        List result{callers};
        indexNames(pool);
        LogCapture log(3);
        auto add = [&] { ComponentManager::addComponentPackages(base.get(), {first, described(*offered)}, pool, result); };
        if (row.inPool) {
            add();
        } else {
            const error e = raisedError(add);
            EXPECT_EQ(e.text(),
                      "The Corvane Products Installer's configuration files .inf3 and .hdr.gz contain lists of "
                      "packages that do not match.\n");
            EXPECT_EQ(codesOf(e), "(1,1,1,3)");
        }

        List expected{callers, first};
        if (row.scheduled) expected.push_back(offered);
        // By text: where the installed copy has the build copy's very identity, the pool may
        // give either.
        EXPECT_EQ(printed(result), printed(expected));
        EXPECT_EQ(log.text(), scheduledLine + "lead-2.0-1.noarch.rpm\n" + row.lines);
    }
}

TEST_F(ComponentPackages, InstallListOfTheSelectedComponentsAndTheirKeyPackages) {
    TreeCatalogue tarnix("tarnix");
    TreeCatalogue mardell("mardell");
    tarnix.release->name = "Tarnix 12";
    mardell.release->name = "Mardell 3";

    Package* a = pooled("a", "1.0-1");
    Package* b = pooled("b", "1.0-1");
    Package* c = pooled("c", "1.0-1");
    pooled("c", "1.0-1", 's');
    Package* d = pooled("d", "1.0-1");
    Package* e = pooled("e", "1.0-1");
    pooled("inst", "3.0-1");
    pooled("inst", "3.0-1", 's');
    owned.emplace_back(new PkgPackage("pp", "1.0-1"));
    Package* pp = owned.back().get();
    pp->setArch("noarch");
    pp->setFileName("pp-1.0-1.noarch.rpm");
    repo.addPackage(pp, nullptr);

    TableConfigurator configurator;
    configurator.offers["sys/kp"] = {"kp", "2.0-1"};
    configurator.offers["sys/pre"] = {"pre", "9.0-1"};
    configurator.offers["never"] = {"never", "1.0-1"};
    configurator.offers["portkey"] = {"portkey", "1.0-1"};

    // "sys/pre" names a package the caller listed already: no look-up. The second set is
    // never used.
    component(tarnix, "base", {a, b}, true, {{"sys/kp", "nope", "b", "sys/pre", "inst"}, {"never"}});
    component(mardell, "web", {b, c, e});
    component(tarnix, "mail", {d}, false, {{"sys/kp"}});
    // A port component gets no key packages.
    component(tarnix, "port", {pp}, true, {{"portkey"}});

    Package* pre = record("pre", "0.1-1", 'b');
    List result{pre};
    ProductsProgress progress;
    indexNames(repo);
    LogCapture log(3);
    manager.getPackagesToInstall(result, &repo, &configurator);

    // The key package is the tool's own: the pool has none of its name.
    ASSERT_EQ(result.size(), 6u) << printed(result);
    EXPECT_EQ(result, (List{pre, a, b, result[3], e, pp})) << printed(result);
    EXPECT_EQ(result[3]->toString(), "kp-2.0-1.noarch");
    EXPECT_EQ(result[3]->getType(), 'u');
    EXPECT_EQ(configurator.asked, (std::vector<std::string>{"sys/kp", "nope"}));
    const std::string sameOrNewer = " - there is same or newer version of this package is installed (in system ";
    EXPECT_EQ(log.text(),
              "\n"
              "Getting packages to installation list:\n"
              "Get packages to installation from selected component base\n"
              "  Scheduling the following package for installation: a-1.0-1.noarch.rpm\n"
              "ProductsProgress::add_product_package: 'Tarnix 12': a\n"
              "  Scheduling the following package for installation: b-1.0-1.noarch.rpm\n"
              "ProductsProgress::add_product_package: 'Tarnix 12': b\n"
              "  add package from keypackage to install list: kp-2.0-1.noarch.rpm\n"
              "ProductsProgress::add_product_package: 'Tarnix 12': kp\n"
              "Warning: key package nope is not available\n"
              "  skip  keypackage 'inst-3.0-1.noarch' from component base" + sameOrNewer + "inst-3.0-1.noarch)\n"
              "Get packages to installation from selected component web\n"
              "  skip package 'c-1.0-1.noarch' from component web" + sameOrNewer + "c-1.0-1.noarch)\n"
              "  Scheduling the following package for installation: e-1.0-1.noarch.rpm\n"
              "ProductsProgress::add_product_package: 'Mardell 3': e\n"
              "Get packages to installation from selected component port\n"
              "  Scheduling the following package for installation: pp-1.0-1.noarch.rpm\n"
              "ProductsProgress::add_product_package: 'Tarnix 12': pp\n"
              "Following packages will be installed: pre-0.1-1.noarch a-1.0-1.noarch b-1.0-1.noarch kp-2.0-1.noarch "
              "e-1.0-1.noarch pp-1.0-1.noarch \n"
              " ----------------\n");

    // b, named by both, counts for the first component's release.
    const std::map<std::string, ProductsProgress::PackageEntry> registered = progress.packagesSnapshot();
    std::map<std::string, std::string> releases;
    for (const auto& entry : registered) {
        EXPECT_EQ(entry.second.stage, 0) << entry.first;
        releases[entry.first] = entry.second.release->name;
    }
    EXPECT_EQ(releases, (std::map<std::string, std::string>{
                            {"a", "Tarnix 12"}, {"b", "Tarnix 12"}, {"kp", "Tarnix 12"}, {"e", "Mardell 3"},
                            {"pp", "Tarnix 12"}}));
}

TEST_F(ComponentPackages, AKeyPackageOfThePoolOverAnOlderInstalledOne) {
    TreeCatalogue tarnix("tarnix");
    pooled("kp", "2.0-1", 'u');
    Package* newest = pooled("kp", "3.0-1", 'b');
    pooled("kp", "1.0-1", 's');
    component(tarnix, "base", {}, true, {{"tools/kp"}});

    List result;
    indexNames(repo);
    LogCapture log(3);
    manager.getPackagesToInstall(result, &repo, nullptr);
    EXPECT_EQ(result, List{newest});
    EXPECT_NE(log.text().find("  add package from keypackage to install list: kp-3.0-1.noarch.rpm\n"),
              std::string::npos)
        << log.text();
}

TEST_F(ComponentPackages, NothingSelected) {
    TreeCatalogue tarnix("tarnix");
    component(tarnix, "base", {pooled("a", "1.0-1")}, false, {{"a"}});
    TableConfigurator configurator;
    for (bool callerEntry : {false, true}) {
        Package* pre = record("pre", "0.1-1", 'b');
        List result;
        if (callerEntry) result.push_back(pre);
        LogCapture log(3);
        manager.getPackagesToInstall(result, &repo, &configurator);
        EXPECT_EQ(log.text(), std::string("\nGetting packages to installation list:\n"
                                          "Following packages will be installed: ") +
                                  (callerEntry ? "pre-0.1-1.noarch " : "(empty)") + "\n ----------------\n");
        EXPECT_EQ(result.size(), callerEntry ? 1u : 0u);
    }
    EXPECT_TRUE(configurator.asked.empty());
    // Without a progress table nothing is registered, and nothing fails.
    EXPECT_EQ(ProductsProgress::instance(), nullptr);
}

TEST_F(ComponentPackages, ANullRepositoryFailsAtTheFirstSelectedComponent) {
    TreeCatalogue tarnix("tarnix");
    VnComponent* base = component(tarnix, "base", {}, false);
    List result;
    manager.getPackagesToInstall(result, nullptr, nullptr);
    manager.getBootstrapperPackagesToInstall(result, nullptr);

    // Even one without packages.
    base->setSelected(true);
    for (const std::function<void()>& walk : std::vector<std::function<void()>>{
             [&] { manager.getPackagesToInstall(result, nullptr, nullptr); },
             [&] { manager.getBootstrapperPackagesToInstall(result, nullptr); },
             // The removal walk looks up only when there are names.
             [&] {
                 base->rmpackages = {"old"};
                 manager.getPackagesToRemove(nullptr);
             }}) {
        const error e = raisedError(walk);
        EXPECT_EQ(codesOf(e), "(3,1,0,3)");
        ASSERT_FALSE(e.lines.empty());
        EXPECT_EQ(e.lines[0].rfind("Try of use NULL pointer: ../common/checked_pointer:", 0), 0u) << e.lines[0];
    }
}

TEST_F(ComponentPackages, BootstrapperPackagesWithoutKeyPackages) {
    TreeCatalogue tarnix("tarnix");
    Package* boot = pooled("boot", "1.0-1");
    Package* older = pooled("tool", "1.0-1");
    pooled("tool", "2.0-1", 's');
    VnComponent* base = component(tarnix, "base", {pooled("a", "1.0-1")}, true, {{"kp"}});
    base->bootstrapperPackages = {boot, older};
    VnComponent* mail = component(tarnix, "mail", {}, false);
    mail->bootstrapperPackages = {pooled("unused", "1.0-1")};

    List result;
    indexNames(repo);
    LogCapture log(3);
    manager.getBootstrapperPackagesToInstall(result, &repo);
    EXPECT_EQ(result, List{boot});
    EXPECT_EQ(log.text(),
              "\n"
              "Getting bootstrapper packages to installation list:\n"
              "Get bootstrapper packages to installation from selected component base\n"
              "  Scheduling the following package for installation: boot-1.0-1.noarch.rpm\n"
              "  skip package 'tool-1.0-1.noarch' from component base - there is same or newer version of this "
              "package is installed (in system tool-2.0-1.noarch)\n"
              "Following bootstrapper packages will be installed: boot-1.0-1.noarch \n"
              " ----------------\n");
}

TEST_F(ComponentPackages, RemovalNamesOfTheSelectedComponents) {
    TreeCatalogue tarnix("tarnix");
    pooled("old", "1.0-1", 's');
    pooled("legacy", "1.0-1", 's');
    pooled("offered", "1.0-1", 'b');
    component(tarnix, "base", {})->rmpackages = {"old", "gone", "offered"};
    component(tarnix, "mail", {}, false)->rmpackages = {"legacy"};
    component(tarnix, "web", {})->rmpackages = {"legacy", "old"};
    EXPECT_EQ(manager.getPackagesToRemove(&repo), (std::vector<std::string>{"old", "legacy", "old"}));
}

TEST_F(ComponentPackages, TemplatesOfTheSelectedComponentsSortedOnce) {
    TreeCatalogue tarnix("tarnix");
    component(tarnix, "base", {})->templates = {"tpl-b", "tpl-a"};
    component(tarnix, "mail", {}, false)->templates = {"tpl-0"};
    component(tarnix, "web", {})->templates = {"tpl-a", "tpl-c"};
    EXPECT_EQ(manager.getKVTemplListToInstall(), (std::vector<std::string>{"tpl-a", "tpl-b", "tpl-c"}));
}

TEST_F(ComponentPackages, ComponentsThatTheResolvedPackagesNeedAlso) {
    TreeCatalogue tarnix("tarnix");
    Package* own = pooled("own", "1.0-1");
    Package* shared = pooled("shared", "1.0-1");
    Package* p2 = pooled("p2", "1.0-1");
    Package* p3 = pooled("p3", "1.0-1");
    Package* loose = pooled("loose", "1.0-1");
    Package* update = pooled("upd", "1.0-1", 'u');
    component(tarnix, "base", {own, shared});
    component(tarnix, "zeta", {shared, p2, p3, update}, false);
    // A later unselected component takes the name over.
    component(tarnix, "alpha", {p3}, false);

    struct Row {
        const char* what;
        List resolved;
        const char* noted;
        std::vector<std::string> components;
    };
    const Row rows[] = {
        {"nothing resolved: the line all the same", {}, "", {}},
        {"listed by a selected component too", {own, shared}, "", {}},
        {"not a build package", {update}, "", {}},
        {"the last unselected component wins", {p3}, " 'p3'", {"alpha"}},
        {"names in list order, components sorted", {loose, p3, p2, shared}, " 'p3' 'p2'", {"alpha", "zeta"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        LogCapture log(3);
        EXPECT_EQ(manager.needAlso(row.resolved), row.components);
        EXPECT_EQ(log.text(),
                  std::string("The following packages will be installed because they are required by the packages "
                              "you selected for installation: ") +
                      row.noted + "\n");
    }
}

}  // namespace
