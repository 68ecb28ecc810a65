// The obsoletes of the package cache file argv[1] as a host of the vendor SuSE sees them: for
// every pooled package that obsoletes something, and for the remover dummy of "virt", the
// packages obsoleted, then new-3 once more after a rebuild. The log (up to level 2) goes to
// standard error. A program of its own: the rule is decided once per process, and the host
// once detected stays.
#include <cstdio>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/Log.h"
#include "common/Opsys.h"
#include "packages/Package.h"
#include "packages/Repository.h"

namespace {

void show(Repository& repo, const Package* p, const std::string& prefix = "") {
    std::vector<Package*> obsoleted = repo.getObsoletedBy(p);
    if (obsoleted.empty()) return;
    std::cout << prefix << p->toString() << " obsoletes:";
    for (const Package* o : obsoleted) std::cout << " " << o->toString();
    std::cout << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Opsys::override_os_vendor = "SuSE";
    // Detected before the log shows level 2, which would show the detection's own lines.
    Opsys host;
    if (host.os_vendor() != "SuSE") return 3;
    Log::consoleLevel = 2;

    Repository repo;
    FILE* file = std::fopen(argv[1], "re");
    if (!file) return 2;
    repo.addFromCache(file, 'u', Repository::DUPS_KEEP_ALL, nullptr);
    std::fclose(file);

    const std::vector<Package*> pool = repo.pkgList;
    for (const Package* p : pool) show(repo, p);
    show(repo, repo.addRemoverFor("virt"));
    repo.invalidateCaches();
    for (const Package* p : pool)
        if (p->toString() == "new-3-1.noarch") show(repo, p, "after a rebuild, ");

    std::set<Package*> all(repo.pkgList.begin(), repo.pkgList.end());
    for (Package* p : all) delete p;
    return 0;
}
