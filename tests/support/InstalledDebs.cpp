#include "support/InstalledDebs.h"

#include "packages/Package.h"
#include "packages/internString.h"
#include "sources/SourceSysDeb.h"

namespace testutil {

InstalledDebs::InstalledDebs(const std::vector<std::pair<std::string, std::string>>& installed) {
    std::string status =
        "Package: unrelated\nStatus: install ok installed\nMaintainer: Vn <vn@example.invalid>\n"
        "Architecture: all\nVersion: 1.0-1\nDescription: not a key package\n\n";
    for (const auto& p : installed)
        status += "Package: " + p.first + "\nStatus: install ok installed\nMaintainer: Vn <vn@example.invalid>\n"
                  "Architecture: all\nVersion: " + p.second + "\nDescription: key package\n\n";
    writeFile(admindir / "status", status);
    shims.add("dpkg-query", "exec /usr/bin/dpkg-query --admindir=" + admindir.path() + " \"$@\"");
    source.reset(new SourceSysDeb(&repo));
    source->getBrief();
    // The name index is built now, so that its one-time log piece stays out of the lines the
    // tests look at.
    repo.getPackagesByName(internString("unrelated"));
}

InstalledDebs::~InstalledDebs() {
    source.reset();
    for (Package* p : repo.pkgList) delete p;
    for (Package* p : repo.removedPackages) delete p;
}

}  // namespace testutil
