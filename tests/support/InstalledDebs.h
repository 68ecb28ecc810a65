#ifndef VN_TESTS_SUPPORT_INSTALLEDDEBS_H
#define VN_TESTS_SUPPORT_INSTALLEDDEBS_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/BuildManager.h"
#include "packages/Repository.h"
#include "sources/Source.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace testutil {

// Installed Debian packages as the real dpkg-query reports them from a status file of the
// test (a dpkg-query on PATH, while the object lives, that only adds --admindir), read into
// `repo` through SourceSysDeb. Reading writes the shared progress record: sandbox tests only.
// One at a time: each puts back the PATH it found when it goes.
class InstalledDebs {
public:
    // The "name version" pairs are installed, besides one package no test asks for.
    explicit InstalledDebs(const std::vector<std::pair<std::string, std::string>>& installed);
    // Frees the packages too, which the repository never does.
    ~InstalledDebs();
    InstalledDebs(const InstalledDebs&) = delete;
    InstalledDebs& operator=(const InstalledDebs&) = delete;

    Repository repo;

private:
    TempDir admindir;
    CommandShims shims;
    std::unique_ptr<Source> source;
};

// The catalogue at the directory `root`, read through a local fetcher that downloads into
// `downloads`, with the states of its releases checked against `repo`.
std::unique_ptr<BuildManager> checkedCatalogue(const std::string& root, const std::string& downloads, Repository& repo);

// Catalogue tests on a host declared Debian 12 x86_64 before its first detection (skipped
// when it was detected earlier), whose catalogues get their states from InstalledDebs.
class InstalledCatalogueTest : public EnglishTest {
protected:
    void SetUp() override;

    // The catalogue at the directory `root`, with its states checked against `installed`;
    // `debs` holds those packages until the next call.
    std::unique_ptr<BuildManager> checked(const std::vector<std::pair<std::string, std::string>>& installed,
                                          const std::string& root);

    TempDir target;
    std::unique_ptr<InstalledDebs> debs;
};

}  // namespace testutil

#endif
