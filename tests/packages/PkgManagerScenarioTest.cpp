// Resolver scenarios: one small universe per rule, built as real rpm packages (see
// tests/fixtures/resolver/scenario/build-rpms), read back as rpm writes their records, resolved
// twice in one process, and judged by rpm itself where rpm can judge. Every row runs twice more
// with "upgrade-system-packages" on (suite UpgradeSystemPackages).
//
// A row's universe lives in tests/fixtures/resolver/scenario/<row>/: "s.cache" the installed
// packages, "u.cache" the offered ones, "loose.cache" offered ones that the pool does not hold.
#include "packages/PkgManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/Opsys.h"
#include "common/error.h"
#include "packages/RPMPackage.h"
#include "packages/Repository.h"
#include "packages/ResolverUniverse.h"
#include "sources/Source.h"
#include "sources/SourceSysCache.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::blacklisted;
using testutil::codesOf;
using testutil::LogCapture;
using testutil::printed;
using testutil::RunResult;

const std::string dependencyProblems =
    "Unable to install the selected components because of package dependency problems.\n";

std::string builtDir(const std::string& row) {
    return std::string(VN_BINARY_DIR) + "/tests/resolver-scenarios/" + row;
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Offered packages of one origin, read from a cache text file on the brief read.
class OfferedSource : public Source {
public:
    OfferedSource(Repository* repository, const std::string& path, char type)
        : Source(repository), path(path), type(type) {}
    void downloadPackage(Package*) override {}

protected:
    void doGetBrief() override {
        FILE* file = std::fopen(path.c_str(), "re");
        if (!file) throw std::runtime_error("cannot open " + path);
        try {
            repository->addFromCache(file, type, Repository::DUPS_KEEP_ALL, this);
        } catch (...) {
            std::fclose(file);
            throw;
        }
        std::fclose(file);
    }
    void doGetFull() override {}

private:
    std::string path;
    char type;
};

// The pool of one row as rpm wrote it: the installed packages through the installed-package
// cache source, then the offered ones, each origin through a source of its own.
class Universe {
public:
    explicit Universe(const std::string& dir) {
        if (!exists(dir + "/stamp")) throw std::runtime_error(dir + " is not built (ctest runs build-rpms first)");
        if (exists(dir + "/s.cache")) installed.reset(new SourceSysCache(&repo, dir + "/s.cache"));
        for (char type : std::string("btu"))
            if (exists(dir + "/" + type + ".cache"))
                offered.emplace_back(new OfferedSource(&repo, dir + "/" + type + ".cache", type));
        repo.getBriefInfo();
        loose = testutil::readLoosePackages(dir + "/loose.cache", 'u');
        repo.resolveRequires();
    }

    // "loose:" + print form names a package that the pool does not hold.
    std::vector<const Package*> list(const std::vector<std::string>& texts) const {
        std::vector<const Package*> out;
        for (const std::string& t : texts) {
            const bool isLoose = t.compare(0, 6, "loose:") == 0;
            const std::string text = isLoose ? t.substr(6) : t;
            const Package* found = nullptr;
            for (const Package* p : isLoose ? loose : repo.pkgList) {
                if (p->toString() == text && (isLoose || p->getType() != 's')) {
                    found = p;
                    break;
                }
            }
            if (!found) throw std::invalid_argument("no package " + t + " in the universe");
            out.push_back(found);
        }
        return out;
    }

    Repository repo;
    std::unique_ptr<SourceSysCache> installed;
    std::vector<std::unique_ptr<OfferedSource>> offered;
    std::vector<Package*> loose;
};

// Nothing a resolution pointed at is freed while the process runs: the report-once sets keep
// dependencies of the pooled packages for the rest of the process.
template <class T>
T& keepForProcess(T* object) {
    static std::vector<std::shared_ptr<void>>* kept = new std::vector<std::shared_ptr<void>>;
    kept->emplace_back(object);
    return *object;
}

// Allocations that have nothing to do with the resolution, between its two runs. Blocks of a
// package's size are freed in rising address order, so the next packages tend to come at
// falling addresses: an order by address would then differ from the order of reading.
void unrelatedAllocations() {
    for (int i = 0; i < 200; ++i) keepForProcess(new std::string(static_cast<size_t>(i % 97), 'u'));
    std::vector<void*> blocks;
    for (int i = 0; i < 7; ++i) {
        blocks.push_back(::operator new(sizeof(RPMPackage)));
        keepForProcess(new std::string(64, 's'));
    }
    std::sort(blocks.begin(), blocks.end());
    for (void* b : blocks) ::operator delete(b);
}

enum class Run { resolve, predict };
// What rpm says: nothing (the row shows a rule that rpm cannot judge here), that the resolved
// packages install, or that the start list alone does not.
enum class Oracle { none, accepts, refusesStart };

struct Row {
    std::string name;
    std::vector<std::string> start;
    std::string osArch = "x86_64";
    Run run = Run::resolve;
    std::vector<std::string> preferred;
    // Names added to the dependency names that need no provider.
    std::vector<std::string> ignored;
    // The setting "upgrade-system-packages".
    bool upgradeSystemPackages = false;
    // What the row expects otherwise when the setting is on (see upgradeRows).
    std::function<void(Row&)> whenUpgrading;
    Oracle oracle = Oracle::accepts;

    std::vector<std::string> necessary;
    std::vector<std::string> blacklist;
    std::string codes;  // "" when the resolution succeeds
    std::string error;
    std::vector<std::string> artificial;  // the resolver's artificial dependencies, printed
    std::string report;                   // getReport() when there are explanations
    std::vector<std::string> log;         // in this order in the first run's log
    std::vector<std::string> absent;
    std::vector<std::string> once;  // exactly once in both runs' logs together
};

std::ostream& operator<<(std::ostream& out, const Row& r) { return out << r.name; }

std::vector<Row> rows() {
    std::vector<Row> rows;
    auto add = [&rows](const std::string& name, std::vector<std::string> start) -> Row& {
        rows.emplace_back();
        rows.back().name = name;
        rows.back().start = std::move(start);
        return rows.back();
    };

    {
        // Requires first, then the five indirect steps in their order, for each package.
        Row& r = add("chain_requires", {"a-1.0-1.noarch"});
        r.necessary = {"a-1.0-1.noarch", "b-1.0-1.noarch", "c-1.0-1.noarch"};
        r.log = {"Find directly required packages for a-1.0-1.noarch",
                 "selectBestResolvers: resolve 'b'",
                 "  find indirect hardwired dependencies for a-1.0-1.noarch",
                 "  find indirect obsoletes dependency for a-1.0-1.noarch",
                 "    this package have no obsoletes",
                 "  find indirect conflicts dependency for a-1.0-1.noarch",
                 "  find indirect back conflicts for a-1.0-1.noarch",
                 "  find indirect arch deps for a-1.0-1.noarch",
                 "Find directly required packages for b-1.0-1.noarch",
                 "Find directly required packages for c-1.0-1.noarch"};
    }
    {
        // p conflicts with the installed x 1.0 only: x 2.0 comes in, nothing is removed.
        Row& r = add("conflict_upgrade", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "x-2.0-1.noarch"};
        r.artificial = {"x >= 2.0-1 for upgrade_mode_solution"};
        r.log = {"Found conflict with x-1.0-1.noarch",
                 "findNewerNonBlackPackage: for x-1.0-1.noarch\n",
                 // The installed x 1.0 is a candidate too, but of another version.
                 "Upgrade mode solution: select from packages:  x-2.0-1.noarch x-1.0-1.noarch.\n",
                 "selectBestResolvers: resolve 'x >= 2.0-1 for upgrade_mode_solution'",
                 "  package x-2.0-1.noarch will added to necessaryList nearly",
                 "\tNo packages thas requires older version, skiped\n"};
        r.absent = {"obsoleteModeSolution", "Unresolved"};
    }
    {
        // p conflicts with every x, the newer one too: no upgrade is tried, the obsoleter y
        // takes x away.
        Row& r = add("conflict_newer_conflicts_too", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "y-1.0-1.noarch"};
        r.artificial = {"obsolete_mode_solution for x"};
        r.log = {"Found conflict with x-1.0-1.noarch", "findNewerNonBlackPackage: for x-1.0-1.noarch\n",
                 "   try obsoleteModeSolution, select from   y-1.0-1.noarch with selectBestResolvers.\n",
                 "  package y-1.0-1.noarch will added to necessaryList nearly"};
        r.absent = {"Upgrade mode solution"};
    }
    {
        // Nothing replaces X (its only obsoleter is installed): the user must remove it. The
        // explanation is written once in the process, though the row is resolved twice.
        Row& r = add("conflict_nosolution", {"P-1.0-1.noarch"});
        r.oracle = Oracle::refusesStart;
        r.necessary = {"P-1.0-1.noarch"};
        r.codes = "(5,1,1,2)";
        r.error = "Unable to proceed with the installation until the package X-1.0-1.noarch is removed from the "
                  "system.\n";
        r.log = {"Found conflict with X-1.0-1.noarch",
                 "   try obsoleteModeSolution, select from  [skip_system]Y-1.0-1.noarch\n   obsoleteModeSolution- none "
                 "obsoleters found, false.\n",
                 "A dependency problem is found: required package P-1.0-1.noarch conflicts with X-1.0-1.noarch. No "
                 "upgrade or obsolete solution was found for X. Try to add X to removable list.",
                 "Problem occured during searching conflicts for package P-1.0-1.noarch "};
        r.once = {"Unresolved conflict: necessary package P-1.0-1.noarch is conflicts with X-1.0-1.noarch. There is no "
                  "upgrade solution or obsoleter for X, add to removable list X"};
    }
    {
        // The installed x conflicts with p; x has no newer version, its obsoleter y comes in.
        Row& r = add("reverse_conflict_obsoleter", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "y-1.0-1.noarch"};
        r.artificial = {"obsolete_mode_solution for x"};
        r.log = {"  find indirect back conflicts for p-1.0-1.noarch",
                 "   try obsoleteModeSolution, select from   y-1.0-1.noarch with selectBestResolvers.\n",
                 "selectBestResolvers: resolve 'obsolete_mode_solution for x'",
                 "  find indirect obsoletes dependency for y-1.0-1.noarch",
                 "    fix all requires for x-1.0-1.noarch"};
        r.absent = {"Found conflict with"};
    }
    {
        // p obsoletes o, which the installed r needs for "cap"; z, listed already, provides it.
        Row& r = add("obsoletes_other_provider", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "z-1.0-1.noarch"};
        r.log = {"  find indirect obsoletes dependency for p-1.0-1.noarch", "    fix all requires for o-1.0-1.noarch"};
        r.absent = {"fix obsoleted requires", "obsoleteModeSolution", "Upgrade mode solution"};
    }
    {
        // r loses "cap" with o, but y, listed, obsoletes r itself.
        Row& r = add("obsoletes_obsoleter_listed", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "y-1.0-1.noarch"};
        r.log = {"    fix all requires for o-1.0-1.noarch",
                 "      There is obsoleter y-1.0-1.noarch for r-1.0-1.noarch in necessaryList\n",
                 "      so no need to fix r-1.0-1.noarch\n"};
        r.absent = {"fix obsoleted requires"};
    }
    {
        // r 2.0 does not need what o provided: it replaces r 1.0.
        Row& r = add("obsoletes_upgrade", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "r-2.0-1.noarch"};
        r.artificial = {"r >= 2.0-1 for upgrade_mode_solution"};
        r.log = {"      fix obsoleted requires 'cap' from r-1.0-1.noarch",
                 "We need also install r-2.0-1.noarch because p-1.0-1.noarch is obsoletes o-1.0-1.noarch which is need "
                 "for r-1.0-1.noarch",
                 "Upgrade mode solution: select from packages:  r-2.0-1.noarch r-1.0-1.noarch.\n",
                 "selectBestResolvers: resolve 'r >= 2.0-1 for upgrade_mode_solution'"};
        r.absent = {"obsoleteModeSolution"};
    }
    {
        // No newer r, no obsoleter of r: w, another provider of "cap", comes in.
        Row& r = add("obsoletes_replace", {"p-1.0-1.noarch"});
        r.necessary = {"p-1.0-1.noarch", "w-1.0-1.noarch"};
        r.artificial = {"cap"};
        r.log = {"      fix obsoleted requires 'cap' from r-1.0-1.noarch",
                 "   try obsoleteModeSolution, select from <nothing>, return false\n",
                 "   try search replace mode solution. select from cap ",
                 "selectBestResolvers: resolve 'cap' from system_installed_r-1.0-1.noarch.rpm ~s on level 1:",
                 "  package w-1.0-1.noarch will added to necessaryList nearly"};
    }
    {
        Row& r = add("obsoletes_remove", {"p-1.0-1.noarch"});
        r.oracle = Oracle::refusesStart;
        r.necessary = {"p-1.0-1.noarch"};
        r.codes = "(5,1,1,2)";
        r.error = "Unable to proceed with the installation until the package r-1.0-1.noarch is removed from the "
                  "system.\n";
        r.log = {"   try search replace mode solution. select from <nothing>, return false\n",
                 "A dependency problem is found: the required package p-1.0-1.noarch obsoletes o-1.0-1.noarch "
                 "package.. After installation the dependency 'cap' of package r-1.0-1.noarch will be unresolved. Try "
                 "to add to removable r",
                 "Problem occured during search indirect dependencies produced by obsolete tags for package "
                 "p-1.0-1.noarch"};
        r.once = {"Unresolved obsoletes: necessary package p-1.0-1.noarch is obsoletes package o-1.0-1.noarch. After "
                  "install necessary package we will have the dependency 'cap' of package r-1.0-1.noarch is "
                  "unresolved, add to removable r"};
    }
    {
        // The installed lib 1.0 for i386 gives "libold", lib 2.0 for i686 does not: i386 and
        // i686 are one arch, so the installed app follows to 2.0, which needs lib 2.0 itself.
        Row& r = add("hardwired_i386_i686", {"lib-2.0-1.i686"});
        r.osArch = "i686";
        r.necessary = {"lib-2.0-1.i686", "app-2.0-1.i386"};
        r.artificial = {"app >= 2.0-1 for upgrade_mode_solution"};
        r.log = {"  find indirect hardwired dependencies for lib-2.0-1.i686",
                 "Hardwired package detected: dependency 'libold' of package app-1.0-1.i386 is resolved by old "
                 "lib-1.0-1.i386 but not resolved by necessary lib-2.0-1.i686",
                 "  newer non-blacklisted found: app-2.0-1.i386",
                 "Upgrade mode solution: select from packages:  app-2.0-1.i386 app-1.0-1.i386.\n",
                 "selectBestResolvers: resolve 'app >= 2.0-1 for upgrade_mode_solution'"};
    }
    {
        // The same for an installed x86_64 lib: another arch, left alone. (rpm without file
        // colours replaces it by the i686 package all the same, so it cannot judge this row.)
        Row& r = add("hardwired_x86_64_untouched", {"lib-2.0-1.i686"});
        r.oracle = Oracle::none;
        r.necessary = {"lib-2.0-1.i686"};
        r.log = {"  find indirect hardwired dependencies for lib-2.0-1.i686",
                 "  find indirect arch deps for lib-2.0-1.i686"};
        r.absent = {"Hardwired package detected", "No packages thas requires older version", "app-2.0-1"};
    }
    {
        // app 2.0 needs "lib < 2.0", which only the old lib gives: no way out through it.
        Row& r = add("hardwired_newer_needs_old", {"lib-2.0-1.i686"});
        r.osArch = "i686";
        r.oracle = Oracle::refusesStart;
        r.necessary = {"lib-2.0-1.i686"};
        r.codes = "(5,1,1,2)";
        r.error = "Unable to proceed with the installation until the package app-1.0-1.i686 is removed from the "
                  "system.\n";
        r.log = {"  newer non-blacklisted found: app-2.0-1.i686",
                 "   try search replace mode solution. select from <nothing>, return false\n",
                 "   try obsoleteModeSolution, select from ", "<nothing>, return false\n",
                 "A dependency problem is found: an older version of required package lib-2.0-1.i686 is installed "
                 "(lib-1.0-1.i686) . After upgrade procedure the dependency 'libold' of package app-1.0-1.i686 will be "
                 "unresolved. Try to add to removable list app",
                 "Failed to check whether it is necessary to upgrade app-1.0-1.i686 along with upgrade of "
                 "lib-1.0-1.i686 by lib-2.0-1.i686"};
        r.absent = {"Upgrade mode solution"};
        r.once = {"Unresolved dependency: necessary package lib-2.0-1.i686 have older version lib-1.0-1.i686. After "
                  "upgrade we will have the dependency 'libold' of package app-1.0-1.i686 is unresolved, add to "
                  "removable list app"};
    }
    {
        // lib 2.0 for x86_64 still gives "libold": it comes in beside the i686 one.
        Row& r = add("hardwired_arch_solution", {"lib-2.0-1.i686"});
        r.necessary = {"lib-2.0-1.i686", "lib-2.0-1.x86_64"};
        r.artificial = {"libold of lib-2.0-1.i686 for arch_mode_solution"};
        r.log = {"Hardwired package detected: dependency 'libold' of package app-1.0-1.i686 is resolved by old "
                 "lib-1.0-1.i686 but not resolved by necessary lib-2.0-1.i686",
                 "selectBestResolvers: resolve 'libold of lib-2.0-1.i686 for arch_mode_solution'",
                 "  find indirect arch deps for lib-2.0-1.x86_64",
                 " is already in list, skip."};
        r.absent = {"newer non-blacklisted found"};
    }
    {
        // multi 1.0 is installed for i686 and x86_64: 2.0 comes in for both, each once.
        Row& r = add("multiarch_upgrade", {"multi-2.0-1.i686"});
        r.necessary = {"multi-2.0-1.i686", "multi-2.0-1.x86_64"};
        r.log = {"  find indirect arch deps for multi-2.0-1.i686", " added.",
                 "  find indirect arch deps for multi-2.0-1.x86_64", " is already in list, skip."};
    }
    {
        // The requested a needs p 1.0 while b brings p 2.0: the older p goes, and a with it.
        Row& r = add("downgrade_requested", {"a-1.0-1.noarch", "b-1.0-1.noarch"});
        r.oracle = Oracle::refusesStart;
        r.necessary = {"a-1.0-1.noarch", "b-1.0-1.noarch", "p-1.0-1.noarch"};
        r.blacklist = {"a-1.0-1.noarch", "p-1.0-1.noarch"};
        r.codes = "(5,1,1,3)";
        r.error = "Unable to install the \"a-1.0-1.noarch\" package.\n";
        r.report = "\n\nThe following could cause the installation failure:\n"
                   "1) a-1.0-1.noarch: No suitable solutions were found\nfor the \"p = 1.0\" dependency.\n\n"
                   "2) Unable to downgrade 'p' package to version 1.0-1:\n  version 2.0-1 is currently installed.\n\n";
        r.log = {" - there is another package 'p-1.0-1.noarch' with same name in necessaryList",
                 "The requested package \"a\" could not be installed: dependency 'p = 1.0' is unresolved\n"};
    }
    {
        // Level 1 cannot tell exim from postfix; at level 2 an installed postfix decides.
        Row& r = add("level2_installed_name", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "postfix-1.0-1.noarch"};
        r.log = {"on level 1:", "      packages are equal on this level", "on level 2:",
                 "      reject currBest: currTest has some version already installed.",
                 "      select currBest: it has some version already installed."};
    }
    {
        Row& r = add("level3_preferred", {"app-1.0-1.noarch"});
        r.preferred = {"exim"};
        r.necessary = {"app-1.0-1.noarch", "exim-1.0-1.noarch"};
        r.log = {"on level 3:", "      select currBest as preferred package."};
        r.absent = {"on level 4:"};
    }
    {
        // Trial resolutions: courier brings one more package, sendmail two.
        Row& r = add("level4_branches", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "courier-1.0-1.noarch", "courier-lib-1.0-1.noarch"};
        r.log = {"on level 4:", "#PkgManager: start to resolving packages",
                 "      reject currBest by greate packages to install count.",
                 "      select currBest by less packages to install count."};
    }
    {
        // Nothing tells zmail from qmail until level 5, where the package read first wins; it
        // is the same in both runs, whatever the addresses.
        Row& r = add("level5_tie", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "zmail-1.0-1.noarch"};
        r.log = {"on level 4:", "      packages are equal on this level", "on level 5:",
                 "  currBest: zmail-1.0-1.noarch", "      select currBest by index.",
                 "  currBest: qmail-1.0-1.noarch", "      reject currBest by index."};
    }
    {
        // bee 2.0 conflicts with a; keeping it would leave app without a, so bee 2.0 goes.
        Row& r = add("conflict_trials", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "a-1.0-1.noarch", "bee-1.0-1.noarch"};
        r.blacklist = {"bee-2.0-1.noarch"};
        r.log = {" - conflicts with a-1.0-1.noarch which is already in necessaryList",
                 "selectBlackPackage: a-1.0-1.noarch or bee-2.0-1.noarch: select with pre-resolving\n",
                 "Resolving fake2 ends with error: Unable to install the \"app-1.0-1.noarch\" package.\n",
                 "  selectBlackPackage: resolving with bee-2.0-1.noarch ends with error.",
                 "appendNecessaryPackage(): add to black list bee-2.0-1.noarch by selectBlackPackage().",
                 "Unhappy caught; try to resolve again.", "findNecessaryPackages(): start pass 1"};
        r.absent = {"Resolving fake1 ends with error"};
    }
    {
        // pa 2.0 conflicts with pb 2.0, and either can give way to its older version: the
        // trials tie, and the package read first goes.
        Row& r = add("conflict_tie_first_read_goes", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "pa-1.0-1.noarch", "pb-2.0-1.noarch"};
        r.blacklist = {"pa-2.0-1.noarch"};
        r.log = {" - conflicts with pa-2.0-1.noarch which is already in necessaryList",
                 "  selectBlackPackage: compare by index.",
                 "appendNecessaryPackage(): add to black list pa-2.0-1.noarch by selectBlackPackage().",
                 "Unhappy caught; try to resolve again."};
        r.absent = {"ends with error"};
    }
    {
        // The first attempt walks only y; lib 2.0 fails, and the restart walks the whole list.
        Row& r = add("predictive_restart", {"x-1.0-1.noarch", "y-1.0-1.noarch"});
        r.run = Run::predict;
        r.necessary = {"x-1.0-1.noarch", "y-1.0-1.noarch", "xdep-1.0-1.noarch", "lib-1.0-1.noarch"};
        r.blacklist = {"lib-2.0-1.noarch"};
        r.log = {"Find directly required packages for y-1.0-1.noarch",
                 "selectBestResolvers(): Can't find solution for 'missing-capability' of lib-2.0-1.noarch.",
                 "Unhappy caught; try to resolve again.", "findNecessaryPackages(): start pass 1",
                 "Find directly required packages for x-1.0-1.noarch",
                 "Find directly required packages for y-1.0-1.noarch"};
    }
    {
        // The start package is not pooled, so blacklisting its pooled twin never settles
        // anything: every attempt starts again, as many as the pool has packages (four).
        Row& r = add("pass_limit", {"loose:twin-1.0-1.noarch"});
        r.oracle = Oracle::none;
        r.necessary = {"twin-1.0-1.noarch"};
        r.blacklist = {"twin-1.0-1.noarch"};
        r.codes = "(5,1,1,3)";
        r.error = dependencyProblems;
        r.log = {"findNecessaryPackages(): start pass 3", "passCount is reached passLimit"};
        r.absent = {"start pass 4"};
    }
    {
        // Each attempt but the last blacklists one more of the pool's four packages: a 1.0
        // gives way to a 2.0, which s 1.0 needs; s 1.0 to s 2.0, which a 1.0 asks for by a name
        // that needs no provider; then s 2.0 fails on its own require. The fourth attempt, the
        // last the pool allows, completes: a success.
        Row& r = add("last_attempt_succeeds", {"s-1.0-1.noarch", "a-1.0-1.noarch"});
        r.ignored = {"vn-scenario-s-feature"};
        // The requested packages stay listed beside their newer stand-ins, and rpm knows no
        // names that need no provider.
        r.oracle = Oracle::none;
        r.necessary = {"s-1.0-1.noarch", "a-1.0-1.noarch", "a-2.0-1.noarch"};
        r.blacklist = {"s-1.0-1.noarch", "s-2.0-1.noarch", "a-1.0-1.noarch"};
        r.log = {"Allow to replace build packagea-1.0-1.noarch\n  with newer package a-2.0-1.noarch",
                 "findNecessaryPackages(): start pass 1",
                 "Allow to replace build packages-1.0-1.noarch\n  with newer package s-2.0-1.noarch",
                 "findNecessaryPackages(): start pass 2",
                 "selectBestResolvers(): Can't find solution for 'nothing-provides-this' of s-2.0-1.noarch.",
                 "findNecessaryPackages(): start pass 3",
                 "=== Package resolving sucessfuly ends ==="};
        r.absent = {"passCount is reached passLimit", "start pass 4"};
    }
    {
        // Two providers of one name that nothing tells apart (the same version, archs of which
        // neither is the host's and not both x86): the one read first is chosen. Read in the
        // other order, the other one is.
        for (const bool reversed : {false, true}) {
            Row& r = add(reversed ? "same_name_tie_first_read_reversed" : "same_name_tie_first_read",
                         {"app-1.0-1.noarch"});
            const std::string first = reversed ? "lib-1.0-1.noarch" : "lib-1.0-1.i686";
            const std::string second = reversed ? "lib-1.0-1.i686" : "lib-1.0-1.noarch";
            r.necessary = {"app-1.0-1.noarch", first};
            r.log = {"  currBest: " + first, "    currTest: " + second, "      select currBest by index.",
                     "  package " + first + " will added to necessaryList nearly", "  currBest: " + second,
                     "    currTest: " + first, "      reject currBest by index."};
        }
    }
    // Names that need no provider: the require of a name given as such is met by nothing;
    // one that has a provider still brings it; the rule reads the whole printed require, so a
    // versioned require of that name needs a provider.
    const std::vector<std::string> ignored = {"vn-scenario-ignored", "vn-scenario-ignored-provided",
                                              "vn-scenario-ignored-versioned"};
    {
        Row& r = add("ignored_name_unprovided", {"app-1.0-1.noarch"});
        r.ignored = ignored;
        // rpm has no such names: it would ask for a provider.
        r.oracle = Oracle::none;
        r.necessary = {"app-1.0-1.noarch"};
        r.log = {"selectBestResolvers: resolve 'vn-scenario-ignored' from app-1.0-1.noarch.rpm ~u on level 1:",
                 "=== Package resolving sucessfuly ends ==="};
        r.absent = {"Can't find solution"};
    }
    {
        Row& r = add("ignored_name_provided", {"app-1.0-1.noarch"});
        r.ignored = ignored;
        r.necessary = {"app-1.0-1.noarch", "helper-1.0-1.noarch"};
        r.log = {"  package helper-1.0-1.noarch will added to necessaryList nearly"};
    }
    {
        Row& r = add("ignored_name_versioned", {"app-1.0-1.noarch"});
        r.ignored = ignored;
        r.oracle = Oracle::refusesStart;
        r.necessary = {"app-1.0-1.noarch"};
        r.blacklist = {"app-1.0-1.noarch"};
        r.codes = "(5,1,1,3)";
        r.error = "Unable to install the \"app-1.0-1.noarch\" package.\n";
        r.report = "\n\nThe following could cause the installation failure:\n"
                   "The dependency for \"vn-scenario-ignored-versioned >= 1.0\" required\n by the "
                   "\"app-1.0-1.noarch\" package could not be resolved.\n\n";
        r.log = {"selectBestResolvers(): Can't find solution for 'vn-scenario-ignored-versioned >= 1.0' of "
                 "app-1.0-1.noarch."};
    }
    {
        // b comes from two origins (t and u), needs what nothing provides and goes with its copy.
        // The copy does not count as another provider even before it is black itself: q, which
        // needs "capb" of b only, follows at once, ahead of the copy; r keeps x for "capb2" and
        // stays off. The preferred q is tried first for "capq", w after the restart.
        Row& r = add("copies_of_blacklisted", {"app-1.0-1.noarch"});
        r.preferred = {"q"};
        r.necessary = {"app-1.0-1.noarch", "w-1.0-1.noarch", "v-1.0-1.noarch"};
        r.blacklist = {"b-1.0-1.noarch", "q-1.0-1.noarch", "b-1.0-1.noarch"};
        r.log = {"      select currBest as preferred package.",
                 "Black list package b-1.0-1.noarch too (same name,ver,arch)",
                 "Migrating b-1.0-1.noarch to blacklist",
                 "Add package q-1.0-1.noarch to black list because its dependency 'capb' resolved only by "
                 "black-listed package b-1.0-1.noarch.",
                 "Migrating q-1.0-1.noarch to blacklist", "Migrating b-1.0-1.noarch to blacklist",
                 "Unhappy caught; try to resolve again.",
                 "  package w-1.0-1.noarch will added to necessaryList nearly"};
        r.absent = {"Add package r-", "Add package app-"};
    }
    {
        // The installed lodger conflicts with arrival; lodger 2.0 does not, and comes in.
        Row& r = add("reverse_conflict_upgrade", {"arrival-1.0-1.noarch"});
        r.necessary = {"arrival-1.0-1.noarch", "lodger-2.0-1.noarch"};
        r.artificial = {"lodger >= 2.0-1 for upgrade_mode_solution"};
        r.log = {"  find indirect back conflicts for arrival-1.0-1.noarch",
                 "findNewerNonBlackPackage: for lodger-1.0-1.noarch\n",
                 "Upgrade mode solution: select from packages:  lodger-2.0-1.noarch lodger-1.0-1.noarch.\n",
                 "  package lodger-2.0-1.noarch will added to necessaryList nearly"};
        r.absent = {"obsoleteModeSolution", "Unresolved"};
    }
    {
        // tenant 2.0 conflicts with newcomer too: the upgrade is tried, the newcomer's rival goes
        // onto the blacklist, and after the restart the user has to remove the installed tenant.
        Row& r = add("reverse_conflict_newer_conflicts", {"newcomer-1.0-1.noarch"});
        r.oracle = Oracle::refusesStart;
        r.necessary = {"newcomer-1.0-1.noarch"};
        r.blacklist = {"tenant-2.0-1.noarch"};
        r.artificial = {"tenant >= 2.0-1 for upgrade_mode_solution"};
        r.codes = "(5,1,1,2)";
        r.error = "Unable to proceed with the installation until the package tenant-1.0-1.noarch is removed from "
                  "the system.\n";
        r.log = {"Upgrade mode solution: select from packages:  tenant-2.0-1.noarch tenant-1.0-1.noarch.\n",
                 " - conflicts with newcomer-1.0-1.noarch which is already in necessaryList",
                 "  selectBlackPackage: package newcomer-1.0-1.noarch is requested to install",
                 "appendNecessaryPackage(): add to black list tenant-2.0-1.noarch by selectBlackPackage().",
                 "Unhappy caught; try to resolve again.",
                 "A dependency problem was found: the tenant-1.0-1.noarch package  conflicts with required package "
                 "newcomer-1.0-1.noarch. No upgrade or obsolete solution was found. Try to add tenant to removable "
                 "list",
                 "Problem occured during searching reverse-conflicts for package newcomer-1.0-1.noarch"};
        r.once = {"Unresolved conflict: the other package tenant-1.0-1.noarch is conflicts with necessary package "
                  "newcomer-1.0-1.noarch. There is no upgrade or obsoleter solution, add to removable list tenant"};
    }
    {
        // p provides "cap" twice: chosen at both places, it is compared with itself at neither
        // and appended once.
        Row& r = add("provider_at_two_positions", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "p-1.0-1.noarch"};
        r.log = {"  currBest: p-1.0-1.noarch ~u (provides 'cap')",
                 "  package p-1.0-1.noarch will added to necessaryList nearly",
                 "  currBest: p-1.0-1.noarch ~u (provides 'cap = 1.0')",
                 "  package p-1.0-1.noarch will added to necessaryList nearly", " added.",
                 " is already in list, skip."};
        r.absent = {"currTest: p-1.0-1.noarch"};
    }
    {
        // The only obsoleter of the conflicting resident needs what nothing provides: it is
        // tried once, goes onto the blacklist, and counts no more; the resident must go.
        Row& r = add("conflict_obsoleter_blacklisted", {"guest-1.0-1.noarch"});
        r.oracle = Oracle::refusesStart;
        r.necessary = {"guest-1.0-1.noarch"};
        r.blacklist = {"successor-1.0-1.noarch"};
        r.artificial = {"obsolete_mode_solution for resident"};
        r.codes = "(5,1,1,2)";
        r.error = "Unable to proceed with the installation until the package resident-1.0-1.noarch is removed from "
                  "the system.\n";
        // Tried first: a package with a require that nothing provides, which the log points out.
        r.log = {"   try obsoleteModeSolution, select from  [error: non black but unresolved] successor-1.0-1.noarch  "
                 "successor-1.0-1.noarch with selectBestResolvers.\n",
                 "Unhappy caught; try to resolve again.",
                 "   try obsoleteModeSolution, select from  [black blacklisted] successor-1.0-1.noarch\n   "
                 "obsoleteModeSolution- none obsoleters found, false.\n",
                 "Problem occured during searching conflicts for package guest-1.0-1.noarch "};
    }
    {
        // An installed lib and a newer offered one both provide "lib": the installed one serves,
        // unless newer packages are preferred to installed ones.
        Row& r = add("installed_or_newer_provider", {"app-1.0-1.noarch"});
        r.necessary = {"app-1.0-1.noarch", "lib-1.0-1.noarch"};
        r.log = {"      select currBest by cmpPriority (compare for same names)",
                 "  package lib-1.0-1.noarch will added to necessaryList nearly"};
        r.whenUpgrading = [](Row& u) {
            u.necessary = {"app-1.0-1.noarch", "lib-2.0-1.noarch"};
            u.log = {"      select currBest by cmpPriority (compare for same names)",
                     "  package lib-2.0-1.noarch will added to necessaryList nearly"};
        };
    }
    return rows;
}

// One resolution of a row and what it left.
struct Outcome {
    std::vector<std::string> necessary;
    std::vector<std::string> blacklist;
    std::string codes;
    std::string error;
    std::vector<std::string> artificial;
    std::vector<std::string> artificialNames;
    std::string report;
    std::string log;
    std::vector<const Package*> list;
};

Outcome resolve(const Row& row, Universe& u) {
    LogCapture capture(3);
    Outcome out;
    std::vector<const Package*> list = u.list(row.start);
    ResolverOptions options{1, row.upgradeSystemPackages};
    PkgManager pm(&u.repo, &list, &options);
    pm.osArch = row.osArch;
    try {
        pm.findNecessaryPackages(row.run == Run::predict);
    } catch (const error& e) {
        out.codes = codesOf(e);
        out.error = e.text();
    }
    out.list = list;
    out.necessary = printed(list);
    out.blacklist = blacklisted(pm);
    for (const auto& d : pm.artificialDependencies) {
        std::ostringstream text;
        d->print(text);
        out.artificial.push_back(text.str());
        out.artificialNames.push_back(d->getName());
    }
    if (!pm.explanations.empty()) out.report = pm.getReport();
    out.log = capture.text();
    return out;
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// rpm over a copy of the row's database, with a home of its own.
RunResult rpmTest(const std::string& row, const std::vector<const Package*>& packages) {
    testutil::TempDir tmp;
    const RunResult copy = testutil::run({"/bin/cp", "-a", builtDir(row) + "/db", tmp / "db"});
    EXPECT_EQ(copy.status, 0) << copy.err;
    std::vector<std::string> argv = {"/usr/bin/rpm", "-U", "--test", "--ignorearch", "--dbpath", tmp / "db"};
    for (const Package* p : packages) argv.push_back(builtDir(row) + "/rpms/" + const_cast<Package*>(p)->getFileName());
    return testutil::run(argv, {{"HOME", tmp.path()}, {"LC_ALL", "C"}});
}

class PkgManagerScenario : public testutil::EnglishTest, public ::testing::WithParamInterface<Row> {
protected:
    // The host is detected before the log is watched: the first obsoletes indexing asks for
    // it, and detection writes lines of its own.
    void SetUp() override {
        EnglishTest::SetUp();
        Opsys host;
    }
};

TEST_P(PkgManagerScenario, Resolves) {
    const Row& row = GetParam();
    for (const std::string& name : row.preferred) PkgManager::preferredPackages.insert(name);
    for (const std::string& name : row.ignored) Dependency::addIgnoredName(name.c_str());

    Universe& first = keepForProcess(new Universe(builtDir(row.name)));
    const Outcome one = resolve(row, first);
    unrelatedAllocations();
    Universe& second = keepForProcess(new Universe(builtDir(row.name)));
    const Outcome two = resolve(row, second);

    EXPECT_EQ(one.codes, row.codes);
    EXPECT_EQ(one.error, row.error);
    EXPECT_EQ(one.necessary, row.necessary);
    EXPECT_EQ(one.blacklist, row.blacklist);
    EXPECT_EQ(one.artificial, row.artificial);
    // The texts of the mode solutions read as bare names, whole.
    EXPECT_EQ(one.artificialNames.size(), one.artificial.size());
    for (size_t i = 0; i < one.artificial.size() && i < one.artificialNames.size(); ++i) {
        if (one.artificial[i].find("_mode_solution") != std::string::npos) {
            EXPECT_EQ(one.artificialNames[i], one.artificial[i]);
        }
    }
    EXPECT_EQ(one.report, row.report);

    // The same again, with other objects at other addresses.
    EXPECT_EQ(two.codes, one.codes);
    EXPECT_EQ(two.error, one.error);
    EXPECT_EQ(two.necessary, one.necessary);
    EXPECT_EQ(two.blacklist, one.blacklist);
    EXPECT_EQ(two.artificial, one.artificial);
    EXPECT_EQ(two.report, one.report);

    size_t at = 0;
    for (const std::string& line : row.log) {
        const size_t found = one.log.find(line, at);
        EXPECT_NE(found, std::string::npos) << "not in the log (in this order): " << line;
        if (found != std::string::npos) at = found + line.size();
    }
    for (const std::string& line : row.absent) EXPECT_EQ(one.log.find(line), std::string::npos) << line;
    // What the log makes of an empty piece: no line of the resolver has one.
    EXPECT_EQ(one.log.find("~empty"), std::string::npos);
    for (const std::string& line : row.once)
        EXPECT_EQ(occurrences(one.log, line) + occurrences(two.log, line), 1u) << line;
    // Every explanation of this kind was written by the first run.
    EXPECT_EQ(two.log.find("Unresolved "), std::string::npos);

    if (row.oracle == Oracle::accepts) {
        std::vector<const Package*> toInstall;
        for (const Package* p : one.list)
            if (p->getType() != 's' && p->getType() != 'd') toInstall.push_back(p);
        const RunResult r = rpmTest(row.name, toInstall);
        EXPECT_EQ(r.status, 0) << "rpm refuses the resolution: " << r.err;
    } else if (row.oracle == Oracle::refusesStart) {
        const RunResult r = rpmTest(row.name, first.list(row.start));
        EXPECT_NE(r.status, 0) << "rpm installs the start list alone";
        EXPECT_NE(r.err.find("Failed dependencies"), std::string::npos) << r.err;
    }
}

// The same universes with "upgrade-system-packages" on: where an installed package and a newer
// one of its name both provide something, the newer one is preferred. Rows whose outcome
// that changes say how.
std::vector<Row> upgradeRows() {
    std::vector<Row> out = rows();
    for (Row& r : out) {
        r.upgradeSystemPackages = true;
        // The explanations said once in the process may have been said by the first suite.
        r.once.clear();
        if (r.whenUpgrading) r.whenUpgrading(r);
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Rows, PkgManagerScenario, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(UpgradeSystemPackages, PkgManagerScenario, ::testing::ValuesIn(upgradeRows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
