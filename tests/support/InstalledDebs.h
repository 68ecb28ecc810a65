#ifndef VN_TESTS_SUPPORT_INSTALLEDDEBS_H
#define VN_TESTS_SUPPORT_INSTALLEDDEBS_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "packages/Repository.h"
#include "sources/Source.h"
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

}  // namespace testutil

#endif
