// How fast versions compare: the rpm 4.4 segment rule against newer rpm's library function,
// whole parsed values, and Debian versions against libapt-pkg. Every case compares the same
// pairs: the versions of this machine's package index ("apt-cache dumpavail"; the installed
// packages when the index is empty) and some rpm-style texts, shuffled with a fixed seed, each
// compared with its neighbour. Run by hand:
//     build/bench/bench_VersionCompare
#include <apt-pkg/debversion.h>
#include <benchmark/benchmark.h>
#include <rpm/rpmver.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "packages/DebVersion.h"
#include "packages/Version.h"

namespace {

// The "Version: " lines of a command's output, or its lines as they are.
std::vector<std::string> versionsOf(const char* command, const std::string& prefix) {
    std::vector<std::string> out;
    FILE* pipe = ::popen(command, "r");
    if (!pipe) return out;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string v(line);
        if (v.compare(0, prefix.size(), prefix) != 0) continue;
        v.erase(0, prefix.size());
        while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
        if (!v.empty()) out.push_back(v);
    }
    ::pclose(pipe);
    return out;
}

std::vector<std::string> indexVersions() {
    std::vector<std::string> out = versionsOf("apt-cache dumpavail 2>/dev/null", "Version: ");
    if (out.empty()) out = versionsOf("dpkg-query -W -f '${Version}\\n' 2>/dev/null", "");
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

const Pairs& pairs() {
    static const Pairs all = [] {
        std::vector<std::string> texts = indexVersions();
        const char* rpmStyle[] = {
            "2.6.18-194.el5", "2.6.18-238.el5", "1:1.0.1e-30.el6", "1:1.0.1e-42.el6", "0.9.8e-12.el5",
            "3.2.8-4.el5",    "2.2.3-43.el5",  "5.1.73-3.el6_5",  "4.1.2-48.el5",    "1.0-10.el5",
            "2:1.0-3",        "1.0-1.el5",     "3.0.1-0.1.rc2",   "20101121-1",      "1.2.3a-4",
        };
        for (const char* t : rpmStyle) texts.push_back(t);
        std::mt19937 rng(4242u);
        std::shuffle(texts.begin(), texts.end(), rng);
        Pairs out;
        for (size_t i = 0; i + 1 < texts.size(); ++i) out.emplace_back(texts[i], texts[i + 1]);
        return out;
    }();
    return all;
}

// The time per comparison, shown as the "per_compare" column.
void perCompare(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pairs().size()));
    state.counters["per_compare"] = benchmark::Counter(
        static_cast<double>(pairs().size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_VersionCompareStrings(benchmark::State& state) {
    const Version rule("0");
    for (auto _ : state)
        for (const auto& p : pairs()) benchmark::DoNotOptimize(rule.compareStrings(p.first.c_str(), p.second.c_str()));
    perCompare(state);
}
BENCHMARK(BM_VersionCompareStrings);

void BM_Rpmvercmp(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& p : pairs()) benchmark::DoNotOptimize(rpmvercmp(p.first.c_str(), p.second.c_str()));
    perCompare(state);
}
BENCHMARK(BM_Rpmvercmp);

void BM_VersionCompare(benchmark::State& state) {
    std::vector<std::pair<Version, Version>> parsed;
    for (const auto& p : pairs()) parsed.emplace_back(Version(p.first), Version(p.second));
    for (auto _ : state)
        for (const auto& p : parsed) benchmark::DoNotOptimize(p.first.compare(p.second));
    perCompare(state);
}
BENCHMARK(BM_VersionCompare);

// Debian versions by the Debian rules: the pairs are made outside the loop, as a package's
// version is made when it is read.
void BM_DebVersionCompare(benchmark::State& state) {
    std::vector<std::pair<DebVersion, DebVersion>> parsed;
    for (const auto& p : pairs()) parsed.emplace_back(DebVersion(p.first), DebVersion(p.second));
    for (auto _ : state)
        for (const auto& p : parsed) benchmark::DoNotOptimize(p.first.compare(p.second));
    perCompare(state);
}
BENCHMARK(BM_DebVersionCompare);

void BM_AptCmpVersion(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& p : pairs()) benchmark::DoNotOptimize(debVS.CmpVersion(p.first, p.second));
    perCompare(state);
}
BENCHMARK(BM_AptCmpVersion);

}  // namespace
