// The resolver over this machine's package index (bench/make_pool.py --from-apt: about 63,700
// offered packages, the host's installed packages as 's'):
//
//   BM_LoadPool       both cache files through addFromCache, then resolveRequires
//   BM_Resolve        findNecessaryPackages(false) for every 50th package name in sorted order,
//                     each name alone as the start list
//   BM_ResolveList/*  one start list each ("texlive-full", "gnome", "kde-full", or the lists of
//                     VN_BENCH_START_LISTS: lists separated by ';', names by ',')
//
// VN_BENCH_ITERATIONS=N runs BM_LoadPool and BM_ResolveList N times each (for scripts that
// alternate them with other solvers and take medians themselves).
//
// VN_BENCH_POOL names a directory with pool.cache and installed.cache; without it the generator
// writes one into a temporary directory first. Counters: the result size, the result packages
// not installed yet ("installs": new ones and upgrades), the restarts of the resolutions (trial
// resolutions not counted), the resolutions that ended in an error, the peak resident memory
// of the process. A start list that ends in an error has the error and the resolver's
// explanation as its label.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/Log.h"
#include "common/error.h"
#include "GeneratedPool.h"
#include "common/fileops.h"
#include "packages/Package.h"
#include "packages/PkgManager.h"
#include "packages/Repository.h"
#include "packages/internString.h"

namespace {

const std::string& poolDir() {
    static GeneratedPool pool("VN_BENCH_POOL", "--from-apt --cache");
    return pool.dir;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double peakRssMb() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Nothing on the console, nothing kept for the execution summary, no log file: the log would
// otherwise keep every line in memory until a file is opened.
void quietLog() {
    Log::consoleLevel = -1;
    Log::summaryLevel = -1;
    Log::fileLevel = -1;
}

void addCache(Repository& repo, const std::string& path, char type) {
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file) std::abort();
    repo.addFromCache(file, type, Repository::DUPS_KEEP_ALL, nullptr);
    std::fclose(file);
}

// Reads both files into `repo`; the seconds of the two steps.
void loadPool(Repository& repo, double& readSeconds, double& resolveSeconds) {
    const auto start = std::chrono::steady_clock::now();
    addCache(repo, poolDir() + "/installed.cache", 's');
    addCache(repo, poolDir() + "/pool.cache", 'u');
    readSeconds = seconds(start);
    const auto resolving = std::chrono::steady_clock::now();
    repo.resolveRequires();
    resolveSeconds = seconds(resolving);
}

// The pool that the resolutions share, with every index built, as a run has it after its
// first resolution. Never freed: resolutions keep pointing at its packages.
Repository& sharedPool() {
    static Repository* repo = [] {
        quietLog();
        Repository* r = new Repository;
        double read = 0;
        double resolve = 0;
        loadPool(*r, read, resolve);
        if (!r->pkgList.empty()) {
            r->getPackagesByName(r->pkgList.front()->getName());
            r->getConflictsOf(r->pkgList.front());
            r->getObsoleters(r->pkgList.front());
        }
        return r;
    }();
    return *repo;
}

// The newest offered package of the name.
const Package* offered(Repository& repo, const std::string& name) {
    const Package* best = nullptr;
    for (const Package* p : repo.getPackagesByName(internString(name.c_str())))
        if (p->getType() == 'u' && (!best || *p->getVersion() > *best->getVersion())) best = p;
    return best;
}

// Resolutions of one benchmark iteration and what they gave. Restarts are counted from the
// level-1 log, where each one writes its line; a trial resolution's line starts with '#'.
class Resolutions {
public:
    // VN_BENCH_LOG: keep the whole log (level 3) of the last iteration in that file.
    Resolutions()
        : logPath(std::getenv("VN_BENCH_LOG") ? std::getenv("VN_BENCH_LOG") : std::string(dir.c_str()) + "/resolver.log"),
          logLevel(std::getenv("VN_BENCH_LOG") ? 3 : 1) {}

    void resolve(Repository& repo, const std::vector<const Package*>& start) {
        std::vector<const Package*> list = start;
        ResolverOptions options{1, false};
        PkgManager pm(&repo, &list, &options);
        pm.osArch = "x86_64";
        try {
            pm.findNecessaryPackages(false);
        } catch (const error& e) {
            ++errors;
            explanation = e.text() + pm.getReport();
        }
        resultSize += list.size();
        for (const Package* p : list) installs += p->getType() != 's';
    }

    void openLog() {
        Log::fileLevel = logLevel;
        Log::openFile(logPath.c_str(), true);
    }
    // Counts the restarts in the log of this iteration.
    void countRestarts() {
        const std::string line = "Unhappy caught; try to resolve again.";
        std::string text;
        if (FILE* f = std::fopen(logPath.c_str(), "re")) {
            char buffer[65536];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
            std::fclose(f);
        }
        for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + line.size()))
            if (at == 0 || text[at - 1] != '#') ++restarts;
    }

    size_t resultSize = 0;
    // Result packages that are not installed: new ones and upgrades.
    size_t installs = 0;
    size_t restarts = 0;
    size_t errors = 0;
    // The error and the resolver's explanation of the last resolution that failed.
    std::string explanation;

private:
    struct TempDir {
        TempDir() {
            char name[] = "/tmp/vn-bench-resolver-XXXXXX";
            if (!::mkdtemp(name)) std::abort();
            path = name;
        }
        ~TempDir() { fileops::remove_all(path); }
        const char* c_str() const { return path.c_str(); }
        std::string path;
    } dir;
    std::string logPath;
    int logLevel;
};

void report(benchmark::State& state, const Resolutions& r, size_t resolutions) {
    state.counters["resolutions"] = static_cast<double>(resolutions);
    state.counters["result_size"] = static_cast<double>(r.resultSize);
    state.counters["installs"] = static_cast<double>(r.installs);
    state.counters["restarts"] = static_cast<double>(r.restarts);
    state.counters["errors"] = static_cast<double>(r.errors);
    state.counters["peak_rss_mb"] = peakRssMb();
}

void givenIterations(benchmark::internal::Benchmark* b) {
    if (const char* given = std::getenv("VN_BENCH_ITERATIONS")) b->Iterations(std::atoi(given));
}

void BM_LoadPool(benchmark::State& state) {
    quietLog();
    poolDir();
    double read = 0;
    double resolve = 0;
    size_t packages = 0;
    for (auto _ : state) {
        Repository repo;
        loadPool(repo, read, resolve);
        state.PauseTiming();
        packages = repo.pkgList.size();
        for (Package* p : repo.pkgList) delete p;
        for (Package* p : repo.removedPackages) delete p;
        state.ResumeTiming();
    }
    state.counters["packages"] = static_cast<double>(packages);
    state.counters["read_s"] = read;
    state.counters["resolve_requires_s"] = resolve;
    state.counters["peak_rss_mb"] = peakRssMb();
}
BENCHMARK(BM_LoadPool)->Unit(benchmark::kMillisecond)->Apply(givenIterations);

void BM_Resolve(benchmark::State& state) {
    Repository& repo = sharedPool();
    std::set<std::string> names;
    for (const Package* p : repo.pkgList)
        if (p->getType() == 'u') names.insert(p->getName());
    std::vector<const Package*> starts;
    size_t i = 0;
    for (const std::string& name : names)
        if (i++ % 50 == 0) starts.push_back(offered(repo, name));

    Resolutions r;
    for (auto _ : state) {
        r.openLog();
        for (const Package* p : starts) r.resolve(repo, {p});
        state.PauseTiming();
        r.countRestarts();
        state.ResumeTiming();
    }
    quietLog();
    report(state, r, starts.size());
}
BENCHMARK(BM_Resolve)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ResolveList(benchmark::State& state, const std::vector<std::string>& names) {
    Repository& repo = sharedPool();
    std::vector<const Package*> start;
    for (const std::string& name : names) {
        const Package* p = offered(repo, name);
        if (!p) {
            state.SkipWithError(("no offered package " + name).c_str());
            return;
        }
        start.push_back(p);
    }
    Resolutions r;
    for (auto _ : state) {
        r.openLog();
        r.resolve(repo, start);
        state.PauseTiming();
        r.countRestarts();
        state.ResumeTiming();
    }
    quietLog();
    report(state, r, state.iterations());
    if (!r.explanation.empty()) {
        std::string label = r.explanation;
        std::replace(label.begin(), label.end(), '\n', ' ');
        state.SetLabel(label);
    }
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1)
        if (at > from) out.push_back(text.substr(from, at - from));
    if (from < text.size()) out.push_back(text.substr(from));
    return out;
}

const bool listsRegistered = [] {
    const char* given = std::getenv("VN_BENCH_START_LISTS");
    for (const std::string& list : split(given ? given : "texlive-full;gnome;kde-full", ';'))
        benchmark::RegisterBenchmark(("BM_ResolveList/" + list).c_str(), BM_ResolveList, split(list, ','))
            ->Unit(benchmark::kMillisecond)
            ->Apply(givenIterations);
    return true;
}();

}  // namespace
