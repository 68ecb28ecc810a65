#ifndef VN_TESTS_PACKAGES_REPOSITORYCASE_H
#define VN_TESTS_PACKAGES_REPOSITORYCASE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/Opsys.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/CountingSource.h"
#include "support/EnglishTest.h"
#include "support/TestUtil.h"

namespace testutil {

// A stdio stream for the repository's reader, over a text or a fixture of
// tests/fixtures/repository; closed when the object goes.
class CacheStream {
public:
    static CacheStream text(const std::string& records) { return CacheStream(records, true); }
    static CacheStream fixture(const std::string& name) { return CacheStream(name, false); }

    CacheStream(CacheStream&&) = default;
    FILE* get() const { return file.get(); }

private:
    CacheStream(const std::string& what, bool isText) : dir(new TempDir) {
        std::string path = std::string(VN_FIXTURES_DIR) + "/repository/" + what;
        if (isText) {
            path = *dir / "records.cache";
            writeFile(path, what);
        }
        file.reset(std::fopen(path.c_str(), "re"));
        if (!file) ADD_FAILURE() << "cannot open " << path;
    }

    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<FILE, Closer> file;
};

// A repository with sources of its own for one test. The repository frees no package, so the
// packages that the reads made (those still pooled, those that left the pool) are freed here,
// once the sources, which look at them when they go, are gone.
class RepositoryCase : public EnglishTest {
protected:
    // The host is detected before a test watches the log: the first obsoletes indexing asks
    // for it, and detection logs its own lines.
    RepositoryCase() { Opsys host; }
    ~RepositoryCase() override {
        sources.clear();
        std::set<Package*> all(repo.pkgList.begin(), repo.pkgList.end());
        all.insert(repo.removedPackages.begin(), repo.removedPackages.end());
        for (Package* p : all) delete p;
        repo.pkgList.clear();
        repo.removedPackages.clear();
    }

    CountingSource* newSource() {
        sources.emplace_back(new CountingSource(&repo));
        return sources.back().get();
    }

    void load(const CacheStream& records, char type = 'u', const Source* source = nullptr,
              Repository::dups_mode_t mode = Repository::DUPS_KEEP_ALL) {
        repo.addFromCache(records.get(), type, mode, source);
    }

    // The pooled or removed package read from the record with that file name.
    Package* byFile(const std::string& fileName) {
        std::vector<Package*> all(repo.pkgList);
        all.insert(all.end(), repo.removedPackages.begin(), repo.removedPackages.end());
        for (Package* p : all)
            if (p->getFileName() == fileName) return p;
        ADD_FAILURE() << "no package of the file " << fileName;
        return nullptr;
    }

    // The first pooled package printed so ("name-version-release.arch").
    Package* named(const std::string& printed) {
        for (Package* p : repo.pkgList)
            if (p->toString() == printed) return p;
        ADD_FAILURE() << "no pooled package " << printed;
        return nullptr;
    }

    Repository repo;
    std::vector<std::unique_ptr<CountingSource>> sources;
};

// The packages printed, separated by blanks.
inline std::string printed(const std::vector<Package*>& list) {
    std::string out;
    for (const Package* p : list) out += (out.empty() ? "" : " ") + p->toString();
    return out;
}

inline std::string fileNames(const std::vector<Package*>& list) {
    std::string out;
    for (Package* p : list) out += (out.empty() ? "" : " ") + p->getFileName();
    return out;
}

}  // namespace testutil

#endif
