#ifndef VN_TESTS_COMPONENTS_SOURCETREE_H
#define VN_TESTS_COMPONENTS_SOURCETREE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildInfFile.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/FileFetcher.h"
#include "sources/Source.h"
#include "sources/SourceDirectory.h"
#include "sources/SourceRepodata.h"
#include "sources/SourceSysPkg.h"
#include "sources/SourceSysStd.h"
#include "sources/SourceTarnix.h"
#include "support/TestUtil.h"

namespace testutil {

// A private copy of tests/fixtures/components/sources (see its README) with every package
// list compressed, as an update source on the local disk.
class SourceTree {
public:
    SourceTree() {
        RunResult copy = run({"/bin/cp", "-r", VN_FIXTURES_DIR "/components/sources", path()});
        EXPECT_EQ(copy.status, 0) << copy.err;
        RunResult lists = run({"/usr/bin/find", path(), "-name", "*.list", "-exec", "gzip", "-n", "{}", "+"});
        EXPECT_EQ(lists.status, 0) << lists.err;
    }
    SourceTree(const SourceTree&) = delete;
    SourceTree& operator=(const SourceTree&) = delete;

    std::string path() const { return dir / "source"; }
    // The run's fetcher for a product list in the copy's root.
    FileFetcher fetcher() const { return FileFetcher(path() + "/products.inf3", dir / "target"); }

    // The build of `config` (a description path in the copy) with its parsed description, as
    // build loading leaves it; listed by a catalogue file in the description's top directory.
    std::shared_ptr<Build> build(const std::string& config) const {
        auto description = std::make_shared<BuildInfFile>(path() + "/" + config, config);
        auto made = std::make_shared<Build>(nullptr, description->os_name, description->os_vendor,
                                            description->os_version, description->os_arch,
                                            description->os_release_name, description->environment, config, "");
        made->base_dir = config.substr(0, config.find('/'));
        made->description = description;
        return made;
    }

private:
    TempDir dir;
};

// A source as the tests name it: the printed name of a product source, the kind otherwise.
inline std::string sourceName(const Source* source) {
    if (!source) return "null";
    if (dynamic_cast<const SourceTarnix*>(source)) {
        std::ostringstream out;
        source->print(out);
        return out.str();
    }
    if (dynamic_cast<const SourceSysStd*>(source)) return "SourceSysStd";
    if (dynamic_cast<const SourceRepodata*>(source)) return "SourceRepodata";
    if (dynamic_cast<const SourceDirectory*>(source)) return "SourceDirectory";
    if (dynamic_cast<const SourceSysPkg*>(source)) return "SourceSysPkg";
    return "Source";
}

inline std::vector<std::string> sourceNames(const std::vector<std::shared_ptr<Source>>& sources) {
    std::vector<std::string> out;
    for (const std::shared_ptr<Source>& s : sources) out.push_back(sourceName(s.get()));
    return out;
}

// The sources registered with the repository, in registration order.
inline std::vector<std::string> registeredNames(const Repository& repository) {
    std::vector<std::string> out;
    for (const Source* s : repository.sources) out.push_back(sourceName(s));
    return out;
}

// "name type" of every package in the pool and of every package taken out of it, in that
// order; the removed ones sorted by name (the repository keeps them in a set of pointers).
inline std::vector<std::string> poolKinds(const Repository& repository) {
    std::vector<std::string> out;
    for (const Package* p : repository.pkgList) out.push_back(std::string(p->getName()) + " " + static_cast<char>(p->getType()));
    std::vector<std::string> removed;
    for (const Package* p : repository.removedPackages)
        removed.push_back(std::string("removed ") + p->getName() + " " + static_cast<char>(p->getType()));
    std::sort(removed.begin(), removed.end());
    out.insert(out.end(), removed.begin(), removed.end());
    return out;
}

// The pool frees no package: a test that made some frees them all at its end.
inline void freePackages(Repository& repository) {
    for (Package* p : repository.pkgList) delete p;
    for (Package* p : repository.removedPackages) delete p;
    repository.pkgList.clear();
    repository.removedPackages.clear();
}

}  // namespace testutil

#endif
