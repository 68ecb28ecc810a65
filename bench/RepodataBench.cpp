// Reading a yum repository of ~60,000 packages (bench/make_pool.py): the brief read (index,
// unpacking and parsing the primary file, one package per entry) and the full read (the file
// lists). Set VN_BENCH_REPODATA to a repository directory to read that one; otherwise the
// generator writes one into a temporary directory first.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "GeneratedPool.h"
#include "packages/DependencyFile.h"
#include "packages/Package.h"
#include "packages/Repository.h"
#include "sources/SourceRepodata.h"

namespace {

const std::string& repositoryDir() {
    static GeneratedPool repository("VN_BENCH_REPODATA", "--repodata");
    return repository.dir;
}

// The pool frees no package, and a source takes its packages out of the pool when it goes:
// the benchmark frees them, outside the timed part.
void freePackages(const std::vector<Package*>& packages) {
    for (Package* p : packages) delete p;
}

size_t fileEntries(const Repository& repo) {
    size_t n = 0;
    for (const Package* p : repo.pkgList)
        for (unsigned i = 0; p->getProvide(i); ++i)
            if (dynamic_cast<const DependencyFile*>(p->getProvide(i))) ++n;
    return n;
}

void BM_RepodataBrief(benchmark::State& state) {
    const std::string dir = repositoryDir();
    size_t packages = 0;
    for (auto _ : state) {
        Repository repo;
        std::vector<Package*> made;
        {
            SourceRepodata source(&repo, dir, "", "", "/nonexistent-target");
            source.getBrief();
            state.PauseTiming();
            made = repo.pkgList;
            packages = made.size();
        }
        freePackages(made);
        state.ResumeTiming();
    }
    state.counters["packages"] = static_cast<double>(packages);
}

void BM_RepodataFull(benchmark::State& state) {
    const std::string dir = repositoryDir();
    size_t packages = 0, files = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Repository repo;
        std::vector<Package*> made;
        {
            SourceRepodata source(&repo, dir, "", "", "/nonexistent-target");
            source.getBrief();
            state.ResumeTiming();
            source.getFull();
            state.PauseTiming();
            made = repo.pkgList;
            packages = made.size();
            files = fileEntries(repo);
        }
        freePackages(made);
        state.ResumeTiming();
    }
    state.counters["packages"] = static_cast<double>(packages);
    state.counters["file_entries"] = static_cast<double>(files);
}

}  // namespace

// One brief read, for whole-process figures (wall and CPU time, peak memory) taken outside.
void BM_RepodataBriefOnce(benchmark::State& state) { BM_RepodataBrief(state); }

BENCHMARK(BM_RepodataBrief)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RepodataBriefOnce)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RepodataFull)->Unit(benchmark::kMillisecond)->Iterations(3);
