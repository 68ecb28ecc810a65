#ifndef VN_TESTS_SOURCES_COUNTINGSOURCE_H
#define VN_TESTS_SOURCES_COUNTINGSOURCE_H

#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/Source.h"

namespace testutil {

// A source kind of the tests: it counts its reads, writes "<label>:brief" / "<label>:full" to
// a journal shared by several sources (to see the order of a walk), can be told to fail its
// next brief or full read once, and pools the packages handed to it.
class CountingSource : public Source {
public:
    CountingSource(Repository* repository, std::vector<std::string>* journal = nullptr,
                   const std::string& label = "")
        : Source(repository), journal(journal), label(label) {}

    void downloadPackage(Package*) override {}

    void add(Package* pkg) { repository->addPackage(pkg, this); }

    bool isBriefRead() const { return briefRead; }
    bool isFullRead() const { return fullRead; }
    int getPriority() const { return priority; }

    int briefCalls = 0;
    int fullCalls = 0;
    bool failBriefOnce = false;
    bool failFullOnce = false;

protected:
    void doGetBrief() override { step("brief", briefCalls, failBriefOnce); }
    void doGetFull() override { step("full", fullCalls, failFullOnce); }

private:
    void step(const char* what, int& calls, bool& fail) {
        ++calls;
        if (journal) journal->push_back(label + ":" + what);
        if (fail) {
            fail = false;
            throw error(4, 2, 1, 2) << label << " cannot read (" << what << ")";
        }
    }

    std::vector<std::string>* journal;
    std::string label;
};

// The repository frees no package; the tests own theirs and free them after the repository
// and its sources are gone (declare the keeper first).
class PackageKeeper {
public:
    Package* make(const std::string& name, const std::string& version, char type = 'n',
                  const std::string& arch = "") {
        owned.emplace_back(new Package(name, version));
        Package* p = owned.back().get();
        p->setType(type);
        if (!arch.empty()) p->setArch(arch);
        return p;
    }

private:
    std::vector<std::unique_ptr<Package>> owned;
};

}  // namespace testutil

#endif
