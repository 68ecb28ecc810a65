#!/usr/bin/env bash
# Resolves the start lists {texlive-full}, {gnome} and {kde-full} with our resolver over the pool
# that bench/make_pool.py makes of this machine's package index (bench_Resolver, BM_ResolveList)
# and with apt over the same index ("apt-get --assume-no install", on a binary cache of its own
# made once by "apt-cache gencaches"), and prints each time and the ratio ours/apt.
#
# Neither side changes the host: apt answers no, and its caches go to a temporary directory.
# Our time is that of the resolution alone, over a pool loaded and indexed before, as apt's
# cache is built before; apt's includes starting the program and printing its answer.
#
# usage: bench/compare_resolvers.sh [BUILD_DIR]     (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bench=$build/bench/bench_Resolver
[ -x "$bench" ] || { echo "missing $bench: build the project first" >&2; exit 1; }
lists=(texlive-full gnome kde-full)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_pool.py" --from-apt --cache "$work/pool"
echo "pool: $(grep -c '^X:' "$work/pool/pool.cache") offered, $(grep -c '^X:' "$work/pool/installed.cache") installed"

apt_options=(-o "Dir::Cache::pkgcache=$work/pkgcache.bin" -o "Dir::Cache::srcpkgcache=$work/srcpkgcache.bin")
apt-cache "${apt_options[@]}" gencaches >/dev/null

joined=$(IFS=';'; echo "${lists[*]}")
VN_BENCH_POOL=$work/pool VN_BENCH_START_LISTS=$joined "$bench" --benchmark_filter='^BM_ResolveList/' \
  --benchmark_format=json >"$work/ours.json" 2>/dev/null

printf '%-14s %12s %9s %9s %8s %12s %10s\n' "start list" "ours (ms)" "result" "restarts" "errors" "apt (ms)" "ours/apt"
for list in "${lists[@]}"; do
  start=$(date +%s%N)
  apt-get "${apt_options[@]}" --assume-no install "$list" >"$work/apt.out" 2>&1 || true
  apt_ms=$(( ($(date +%s%N) - start) / 1000000 ))
  python3 - "$work/ours.json" "$list" "$apt_ms" <<'PY'
import json, sys
path, name, apt_ms = sys.argv[1], sys.argv[2], int(sys.argv[3])
for b in json.load(open(path))["benchmarks"]:
    if b["name"] == "BM_ResolveList/" + name:
        ours = b["real_time"]
        per = b["iterations"]
        print("%-14s %12.1f %9.0f %9.0f %8.0f %12d %10.3f" % (
            name, ours, b["result_size"] / per, b["restarts"] / per, b["errors"] / per, apt_ms,
            ours / apt_ms if apt_ms else float("nan")))
        break
else:
    print("%-14s %12s %9s %9s %8s %12d %10s" % (name, "-", "-", "-", "-", apt_ms, "-"))
PY
done
