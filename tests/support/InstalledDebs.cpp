#include "support/InstalledDebs.h"

#include "common/Opsys.h"
#include "packages/Package.h"
#include "packages/internString.h"
#include "sources/FileFetcher.h"
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

void InstalledCatalogueTest::SetUp() {
    EnglishTest::SetUp();
    Opsys::override_os_name = "Linux";
    Opsys::override_os_vendor = "Debian";
    Opsys::override_os_version = "12";
    Opsys::override_os_arch = "x86_64";
    const Opsys host;
    if (host.os_vendor() != "Debian" || host.version() != "12" || host.arch() != "x86_64")
        GTEST_SKIP() << "the host was detected before this test could declare it";
}

std::unique_ptr<BuildManager> InstalledCatalogueTest::checked(
    const std::vector<std::pair<std::string, std::string>>& installed, const std::string& root) {
    // The old one goes first: it puts back the PATH it found.
    debs.reset();
    debs.reset(new InstalledDebs(installed));
    return checkedCatalogue(root, target.path(), debs->repo);
}

std::unique_ptr<BuildManager> checkedCatalogue(const std::string& root, const std::string& downloads,
                                               Repository& repo) {
    FileFetcher fetcher(root + "/", downloads);
    fetcher.quiet = true;
    std::unique_ptr<BuildManager> catalogue(new BuildManager(&fetcher, ""));
    catalogue->checkInstallationState(&repo);
    return catalogue;
}

}  // namespace testutil
