// Message lookups happen on every text the program shows; one lookup should stay a single
// search in a map of some hundreds of keys.
#include <benchmark/benchmark.h>

#include "common/Log.h"
#include "common/Messages.h"

static void BM_LookupPresentKey(benchmark::State& state) {
    Messages::setLocale("en_US");
    for (auto _ : state) benchmark::DoNotOptimize(Messages::getMessage("error_supp_need").size());
}
BENCHMARK(BM_LookupPresentKey);

static void BM_BuildTranslatedCatalogue(benchmark::State& state) {
    for (auto _ : state) Messages::setLocale("de_DE");
}
// Replaced catalogues are kept alive, so the iterations are bounded.
BENCHMARK(BM_BuildTranslatedCatalogue)->Iterations(200);
