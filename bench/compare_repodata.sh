#!/usr/bin/env bash
# Reads the generated ~60,000-package yum repository (bench/make_pool.py) with our reader
# (bench_Repodata: the brief read of the primary file, and the full read of the file lists) and
# with libsolv's rpmmd2solv (Debian package libsolv-tools) on the same primary file, and prints
# the times, the peak resident memory and the ratios ours/peer.
#
# usage: bench/compare_repodata.sh [BUILD_DIR]     (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bench=$build/bench/bench_Repodata
[ -x "$bench" ] || { echo "missing $bench: build the project first" >&2; exit 1; }
command -v rpmmd2solv >/dev/null || { echo "missing rpmmd2solv: apt-get install libsolv-tools" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_pool.py" --repodata "$work/repo"
primary=$work/repo/repodata/primary.xml.gz
echo "primary file: $(zcat "$primary" | wc -c) bytes uncompressed, $(stat -c %s "$primary") compressed"

# ours NAME: one run of the benchmark; prints "<ms per read> <peak KB> <packages> <file entries>".
ours() {
  VN_BENCH_REPODATA=$work/repo /usr/bin/time -o "$work/time" -f %M \
    "$bench" --benchmark_filter="^$1/" --benchmark_format=json >"$work/out.json" 2>/dev/null
  python3 - "$work/out.json" "$(cat "$work/time")" <<'PY'
import json, sys
b = json.load(open(sys.argv[1]))["benchmarks"][0]
print("%.0f %s %d %d" % (b["real_time"], sys.argv[2], b.get("packages", 0), b.get("file_entries", 0)))
PY
}

read -r brief_ms brief_kb packages _ < <(ours BM_RepodataBrief)
read -r full_ms full_kb _ files < <(ours BM_RepodataFull)
# The peer unpacks as it reads, as our brief read does (through zcat).
/usr/bin/time -o "$work/time" -f "%e %M" sh -c "zcat '$primary' | rpmmd2solv >/dev/null"
read -r peer_s peer_kb <"$work/time"
peer_ms=$(python3 -c "print('%.0f' % ($peer_s * 1000))")

printf '%-34s %10s %12s\n' "" "time (ms)" "peak RSS (MB)"
printf '%-34s %10s %12.0f\n' "ours, brief read ($packages packages)" "$brief_ms" "$(echo "$brief_kb/1024" | bc -l)"
printf '%-34s %10s %12.0f\n' "ours, full read ($files file entries)" "$full_ms" "$(echo "$full_kb/1024" | bc -l)"
printf '%-34s %10s %12.0f\n' "rpmmd2solv, primary file" "$peer_ms" "$(echo "$peer_kb/1024" | bc -l)"
printf 'ratio ours/peer (brief read): time %.2f, peak RSS %.2f\n' \
  "$(echo "$brief_ms/$peer_ms" | bc -l)" "$(echo "$brief_kb/$peer_kb" | bc -l)"
