// The packages report over install lists made of real package files: .deb files that dpkg-deb
// builds for the suite, the rpm fixtures (a kernel, two packages obsoleting "old", one with an
// epoch), and the installed packages of tests/fixtures/reporting/installed/packages.cache
// (old 1.0-1, lib 1:1.0-1, unrelated). Every case runs in a forked child with its own command
// line (ListingRun.h), since the report mode is process-wide.
// "PackagesReporterApt" reports what the apt installer resolved: the real apt over the fixture
// repository (tests/fixtures/apt/build-repo), the installed packages read from dpkg.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

#include "ListingRun.h"
#include "components/ComponentManager.h"
#include "components/SourceManager.h"
#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "configurators/DebianAPTConfigurator.h"
#include "installers/InstallDeb.h"
#include "packages/internString.h"
#include "packages/Package.h"
#include "packages/findPackageByName.h"
#include "reporting/PackagesReporter.h"
#include "sources/SourceSysDeb.h"
#include "support/FixtureApt.h"
#include "support/RpmFixtures.h"

namespace {

using listingtest::decl;
using listingtest::Outcome;

const std::string none = "No additional packages are required for installation of selected components.\n";
const std::string kernelNote = "Note: new kernel installation required\n";

// One package of a list: a key of packageFiles(), "installed:<name>" for the installed package
// of that name, or "remover:<name>" for the repository's removal dummy of that name; its kind
// letter (0 keeps the reader's); its size, -1 keeping the reader's.
struct Item {
    std::string key;
    char kind;
    int64_t size;
};

// The .deb files of the suite, built once: n01 … n12 1.0-1 all, lib 2:1.5-3 amd64, tool 1.0-1
// all, old 2.0-1 all.
class Debs {
public:
    Debs() {
        for (int i = 1; i <= 12; ++i) {
            const std::string name = (i < 10 ? "n0" : "n") + std::to_string(i);
            build(name, name, "1.0-1", "all");
        }
        build("lib", "lib", "2:1.5-3", "amd64");
        build("tool", "tool", "1.0-1", "all");
        build("old2", "old", "2.0-1", "all");
    }
    std::map<std::string, std::string> files;

private:
    void build(const std::string& key, const std::string& name, const std::string& version, const std::string& arch) {
        const std::string root = dir / key;
        ASSERT_EQ(::mkdir(root.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir((root + "/DEBIAN").c_str(), 0755), 0);
        testutil::writeFile(root + "/DEBIAN/control", "Package: " + name + "\nVersion: " + version +
                                                          "\nArchitecture: " + arch +
                                                          "\nMaintainer: Nobody <nobody@example.org>\n"
                                                          "Description: fixture package\n");
        const std::string file = dir / (key + ".deb");
        testutil::RunResult r = testutil::run({"/usr/bin/dpkg-deb", "-Zgzip", "-b", root, file});
        ASSERT_EQ(r.status, 0) << r.err;
        files[key] = file;
    }
    testutil::TempDir dir;
};

class RpmPackagesReporter : public listingtest::ListingTest {
protected:
    static void SetUpTestSuite() { debs = new Debs; }
    static void TearDownTestSuite() {
        delete debs;
        debs = nullptr;
    }

    static std::map<std::string, std::string> packageFiles() {
        std::map<std::string, std::string> files = debs->files;
        files["kernel"] = testutil::rpmFixture("listed-vnfix-kernel.rpm");
        files["new"] = testutil::rpmFixture("listed-vnfix-new.rpm");
        files["newer"] = testutil::rpmFixture("listed-vnfix-newer.rpm");
        files["epoch"] = testutil::rpmFixture("epoch-2.rpm");
        return files;
    }

    // In a child: the installed packages pooled from the cache fixture, the items read from
    // their files into the same pool, and the report of them in list order.
    static Outcome report(const std::vector<Item>& items, const std::vector<std::string>& args) {
        const std::map<std::string, std::string> files = packageFiles();
        return listingtest::run(args, [&](std::ostream& out) {
            listingtest::Installed installed(listingtest::fixture("installed/packages.cache"));
            Repository& repo = installed.repo;
            std::vector<const Package*> list;
            for (const Item& item : items) {
                Package* p = nullptr;
                if (item.key.rfind("installed:", 0) == 0) {
                    p = repo.getInstalledPackage(internString(item.key.substr(10).c_str()));
                } else if (item.key.rfind("remover:", 0) == 0) {
                    p = repo.addRemoverFor(item.key.substr(8));
                } else {
                    p = Package::create("placeholder", "0", files.at(item.key));
                    p->readInfo();
                    repo.addPackage(p, nullptr);
                }
                if (!p) throw std::runtime_error("no package for " + item.key);
                if (item.kind) p->setType(item.kind);
                if (item.size >= 0) p->size = item.size;
                list.push_back(p);
            }
            PackagesReporter(&list, &repo).put(out);
        });
    }

    static Debs* debs;
};

Debs* RpmPackagesReporter::debs = nullptr;

std::string package(const char* action, const std::string& name, const std::string& version,
                    const std::string& release, const std::string& arch, const std::string& size) {
    return "<package action=\"" + std::string(action) + "\" name=\"" + name + "\" version=\"" + version +
           "\" release=\"" + release + "\" arch=\"" + arch + "\" size=\"" + size + "\" />";
}

// The document around the three groups; `system` and `build` as "install upgrade remove bytes",
// `kernel` as "install bytes".
std::string document(const std::string& system, const std::string& systemBody, const std::string& kernel,
                     const std::string& kernelBody, const std::string& build, const std::string& buildBody,
                     const std::string& status = "ok") {
    auto attrs = [](const std::string& counts, const std::vector<std::string>& names) {
        std::istringstream in(counts);
        std::string text;
        for (const std::string& n : names) {
            std::string v;
            in >> v;
            text += " " + n + "=\"" + v + "\"";
        }
        return text;
    };
    auto group = [](const std::string& name, const std::string& attributes, const std::string& body) {
        return body.empty() ? "<" + name + attributes + " />" : "<" + name + attributes + ">" + body + "</" + name + ">";
    };
    const std::vector<std::string> full = {"install_num", "upgrade_num", "remove_num", "bytes"};
    return decl + "<vantrell status=\"" + status + "\"><packages>" +
           group("system_packages", attrs(system, full), systemBody) +
           group("kernel_packages", attrs(kernel, {"install_num", "bytes"}), kernelBody) +
           group("build_packages", attrs(build, full), buildBody) + "</packages></vantrell>\n";
}

const std::string zero4 = "0 0 0 0";

TEST_F(RpmPackagesReporter, ListShapes) {
    struct Row {
        const char* label;
        std::vector<Item> items;
        std::string text;
        std::string xml;
    };
    std::vector<Item> twelve;
    std::string twelveText;
    std::string twelveXml;
    for (int i = 12; i >= 1; --i) twelve.push_back({(i < 10 ? "n0" : "n") + std::to_string(i), 'u', 10});
    for (int i = 1; i <= 12; ++i) {
        const std::string name = (i < 10 ? "n0" : "n") + std::to_string(i);
        twelveText += (i < 10 ? "  " : " ") + std::to_string(i) + ". [I] " + name + "-1.0-1.all\n";
        twelveXml += package("install", name, "1.0", "1", "all", "10");
    }
    std::vector<Item> numbered = twelve;
    numbered.insert(numbered.begin(), {{"lib", 'u', 5}, {"new", 'u', 7}});
    const std::string oldRemoved = package("remove", "old", "1.0", "1", "noarch", "700");
    const std::string newInstalled = package("install", "vnfix-new", "1.0", "1", "noarch", "7");

    const Row rows[] = {
        {"empty list", {}, none, document(zero4, "", "0 0", "", zero4, "")},
        {"installs, then upgrades, then removals, by name, under one counter",
         numbered,
         twelveText + " 13. [I] vnfix-new-1.0-1.noarch\n 14. [U] lib-2:1.5-3.amd64\n 15. [R] old-1.0-1.noarch\n",
         document("13 1 1 132", twelveXml + newInstalled + package("upgrade", "lib", "2:1.5", "3", "amd64", "5") + oldRemoved,
                  "0 0", "", zero4, "")},
        {"build packages only: silent in text, listed in XML",
         {{"tool", 'b', 100}, {"lib", 'b', 200}},
         none,
         document(zero4, "", "0 0", "", "1 1 0 300",
                  package("install", "tool", "1.0", "1", "all", "100") +
                      package("upgrade", "lib", "2:1.5", "3", "amd64", "200"))},
        {"an installed package obsoleted under another name is removed",
         {{"new", 'u', 7}},
         "  1. [I] vnfix-new-1.0-1.noarch\n  2. [R] old-1.0-1.noarch\n",
         document("1 0 1 7", newInstalled + oldRemoved, "0 0", "", zero4, "")},
        {"no removal when the obsoleted name is listed itself",
         {{"new", 'u', 7}, {"old2", 'u', 8}},
         "  1. [I] vnfix-new-1.0-1.noarch\n  2. [U] old-2.0-1.all\n",
         document("1 1 0 15", newInstalled + package("upgrade", "old", "2.0", "1", "all", "8"), "0 0", "", zero4, "")},
        {"one removal per obsoleting package",
         {{"newer", 'u', 3}, {"new", 'u', 7}},
         "  1. [I] vnfix-new-1.0-1.noarch\n  2. [I] vnfix-newer-1.0-1.noarch\n  3. [R] old-1.0-1.noarch\n"
         "  4. [R] old-1.0-1.noarch\n",
         document("2 0 2 10",
                  newInstalled + package("install", "vnfix-newer", "1.0", "1", "noarch", "3") + oldRemoved + oldRemoved,
                  "0 0", "", zero4, "")},
        {"a removal dummy stands only for its removal",
         {{"remover:old", 0, -1}},
         "  1. [R] old-1.0-1.noarch\n",
         document("0 0 1 0", oldRemoved, "0 0", "", zero4, "")},
        {"listed installed packages are silent",
         {{"installed:lib", 0, -1}},
         none,
         document(zero4, "", "0 0", "", zero4, "")},
        {"a kernel adds the note after the list",
         {{"kernel", 'u', 40}, {"n01", 'u', 10}},
         "  1. [I] n01-1.0-1.all\n  2. [I] vnfix-kernel-1.0-1.noarch\n" + kernelNote,
         document("1 0 0 10", package("install", "n01", "1.0", "1", "all", "10"), "1 40",
                  package("install", "vnfix-kernel", "1.0", "1", "noarch", "40"), zero4, "")},
        {"a kernel build package: silent in text, a kernel in XML",
         {{"kernel", 'b', 40}},
         none,
         document(zero4, "", "1 40", package("install", "vnfix-kernel", "1.0", "1", "noarch", "40"), zero4, "")},
        {"a kernel dummy is silent but asks for the note",
         {{"kernel", 'd', 40}},
         kernelNote + none,
         document(zero4, "", "1 40", package("install", "vnfix-kernel", "1.0", "1", "noarch", "40"), zero4, "")},
        {"a thirdparty package is printed but in no XML group; epochs stay in the version",
         {{"n01", 't', 10}, {"epoch", 'u', 20}},
         "  1. [I] n01-1.0-1.all\n  2. [I] vnfix-epoch-2:3.1-7.x86_64\n",
         document("1 0 0 20", package("install", "vnfix-epoch", "2:3.1", "7", "x86_64", "20"), "0 0", "", zero4, "")},
        {"byte sums do not wrap at 32 bits",
         {{"n01", 'u', 3221225472LL}, {"n02", 'u', 3221225472LL}},
         "  1. [I] n01-1.0-1.all\n  2. [I] n02-1.0-1.all\n",
         document("2 0 0 6442450944",
                  package("install", "n01", "1.0", "1", "all", "3221225472") +
                      package("install", "n02", "1.0", "1", "all", "3221225472"),
                  "0 0", "", zero4, "")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const Outcome text = report(row.items, {"--show-packages"});
        EXPECT_EQ(text.raised, "");
        EXPECT_EQ(text.out, row.text);
        const Outcome xml = report(row.items, {"--show-packages", "--enable-xml-output"});
        EXPECT_EQ(xml.raised, "");
        EXPECT_EQ(xml.out, row.xml);
    }
}

TEST_F(RpmPackagesReporter, InstallRunsReportUnderTheInstallStatus) {
    const Outcome xml = report({}, {"--install-everything", "--show-packages", "--enable-xml-output"});
    EXPECT_EQ(xml.raised, "");
    EXPECT_EQ(xml.out, document(zero4, "", "0 0", "", zero4, "", "install_ok"));
}

TEST_F(RpmPackagesReporter, NullRepositoryWritesNothing) {
    for (const char* mode : {"--show-packages", "--enable-xml-output"}) {
        SCOPED_TRACE(mode);
        const Outcome o = listingtest::run({"--show-packages", mode}, [](std::ostream& out) {
            Package listed("n01", "1.0-1");
            const std::vector<const Package*> list = {&listed};
            PackagesReporter(&list, nullptr).put(out);
        });
        EXPECT_NE(o.raised, "");
        EXPECT_EQ(o.out, "");
    }
}

TEST(FindPackageByName, FirstOfTheNameOrTheEnd) {
    std::unique_ptr<Package> a(new Package("alpha", "1.0-1"));
    std::unique_ptr<Package> b1(new Package("beta", "1.0-1"));
    std::unique_ptr<Package> b2(new Package("beta", "2.0-1"));
    const std::vector<const Package*> list = {a.get(), b1.get(), b2.get()};
    EXPECT_EQ(findPackageByName(list.begin(), list.end(), "beta"), list.begin() + 1);
    // Compared by text: a copy of the name that is not the interned one is found too.
    const std::string copy = "alpha";
    EXPECT_EQ(findPackageByName(list.begin(), list.end(), copy.c_str()), list.begin());
    EXPECT_EQ(findPackageByName(list.begin(), list.end(), "Beta"), list.end());
    EXPECT_EQ(findPackageByName(list.begin(), list.end(), "bet"), list.end());
    EXPECT_EQ(findPackageByName(list.begin(), list.begin(), "alpha"), list.begin());
}

// The apt installer's resolution of a selection, reported. Installed: old 1.0 and lib 1:1.0-1;
// selected: base (needs lib 2:1.5) and conflict (conflicts with old). apt plans the upgrade of
// lib and the removal of old; the installer lists base and conflict as build packages, lib as
// apt's package and a removal dummy for old.
class PackagesReporterApt : public listingtest::ListingTest {
protected:
    void SetUp() override {
        listingtest::ListingTest::SetUp();
        testutil::useFixtureApt();
    }

    // In a child: the run's pool with the packages dpkg lists as installed, the selection, the
    // installer's list, and the report of it.
    static Outcome report(const std::vector<std::string>& args) {
        return listingtest::run(args, [](std::ostream& out) {
            Repository repo;
            std::unique_ptr<SourceSysDeb> installed(new SourceSysDeb(&repo));
            repo.getBriefInfo();
            std::vector<std::unique_ptr<Package>> owned;
            {
                testutil::TreeCatalogue catalogue{"tarnix"};
                catalogue.build->os_release_name = "vnfix";
                ComponentManager manager;
                SourceManager sources{repo};
                DebianAPTConfigurator apt{"/nonexistent/products.inf3", manager, sources};
                for (const char* name : {"base", "conflict"}) {
                    const std::string package = std::string("vntest-deb-") + name;
                    Package* offered = new Package(package, "1.0-1");
                    offered->setArch("all");
                    offered->setType('b');
                    repo.addPackage(offered, nullptr);
                    owned.emplace_back(new Package(package, "1.0-1"));
                    owned.back()->setArch("all");
                    std::shared_ptr<VnComponent> c = catalogue.component(*manager.arena(), name, 1);
                    c->packages.push_back(owned.back().get());
                    c->setSelected(true);
                    manager.nodes.push_back(c);
                }
                InstallDeb installer(&repo, &manager, &apt);
                const cpkgs_t list = installer.resolveAll();
                for (const Package* p : list)
                    if (p->getType() == 'u') owned.emplace_back(const_cast<Package*>(p));
                PackagesReporter(&list, &repo).put(out);
            }
            installed.reset();
            for (Package* p : repo.pkgList) delete p;
            for (Package* p : repo.removedPackages) delete p;
        });
    }
};

TEST_F(PackagesReporterApt, TheInstallersPlanWithItsUpgradeAndRemoval) {
    const Outcome text = report({"--show-packages"});
    EXPECT_EQ(text.raised, "");
    // The build packages are not printed; the removal is that of the installed package.
    EXPECT_EQ(text.out, "  1. [U] vntest-deb-lib-2:1.5-3\n  2. [R] vntest-deb-old-1.0.all\n");

    const Outcome xml = report({"--show-packages", "--enable-xml-output"});
    EXPECT_EQ(xml.raised, "");
    EXPECT_EQ(xml.out, document("0 1 1 0",
                                package("upgrade", "vntest-deb-lib", "2:1.5", "3", "", "0") +
                                    package("remove", "vntest-deb-old", "1.0", "", "all", "0"),
                                "0 0", "", "2 0 0 0",
                                package("install", "vntest-deb-base", "1.0", "1", "all", "0") +
                                    package("install", "vntest-deb-conflict", "1.0", "1", "all", "0")));
}

}  // namespace
