#!/usr/bin/env bash
# Our brief read of a yum primary file against libsolv's rpmmd2solv (Debian package
# libsolv-tools), side by side in one run, on metadata made from this machine's apt index
# (bench/make_pool.py --from-apt: real names, versions and dependencies) at 10 %, 50 % and
# 100 % of the index. Both read the same primary.xml.gz as whole processes: ours is
# bench_Repodata running one brief read (index, unpacking, parsing, one package per entry),
# the peer is "zcat | rpmmd2solv". Each figure is the median of 3 runs, ours and the peer
# alternated; /usr/bin/time gives wall time, CPU time (user + system) and peak resident memory.
#
# usage: bench/compare_repodata.sh [BUILD_DIR]     (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bench=$build/bench/bench_Repodata
[ -x "$bench" ] || { echo "missing $bench: build the project first" >&2; exit 1; }
command -v rpmmd2solv >/dev/null || { echo "missing rpmmd2solv: apt-get install libsolv-tools" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time: apt-get install time" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure FILE COMMAND...: runs the command; appends "<wall s> <cpu s> <peak KB>" to FILE.
measure() {
  local out=$1
  shift
  /usr/bin/time -o "$work/time" -f "%e %U %S %M" "$@" >/dev/null 2>&1
  read -r wall user sys kb <"$work/time"
  echo "$wall $(echo "$user + $sys" | bc -l) $kb" >>"$out"
}

# median FILE COLUMN
median() { cut -d' ' -f"$2" "$1" | sort -g | sed -n 2p; }

printf '%-8s %9s %14s %14s %14s %14s %14s %14s\n' "size" "packages" "ours wall s" "peer wall s" \
  "ours CPU s" "peer CPU s" "ours peak MB" "peer peak MB"
for percent in 10 50 100; do
  repo=$work/repo-$percent
  python3 "$here/make_pool.py" --from-apt --percent "$percent" --repodata "$repo"
  primary=$repo/repodata/primary.xml.gz
  packages=$(zcat "$primary" | grep -c '<package ')
  : >"$work/ours" ; : >"$work/peer"
  for _ in 1 2 3; do
    measure "$work/ours" env VN_BENCH_REPODATA="$repo" "$bench" --benchmark_filter='^BM_RepodataBriefOnce'
    measure "$work/peer" sh -c "zcat '$primary' | rpmmd2solv"
  done
  ow=$(median "$work/ours" 1); pw=$(median "$work/peer" 1)
  oc=$(median "$work/ours" 2); pc=$(median "$work/peer" 2)
  ok=$(median "$work/ours" 3); pk=$(median "$work/peer" 3)
  printf '%-8s %9s %14.2f %14.2f %14.2f %14.2f %14.0f %14.0f\n' "$percent %" "$packages" "$ow" "$pw" "$oc" "$pc" \
    "$(echo "$ok/1024" | bc -l)" "$(echo "$pk/1024" | bc -l)"
  printf '         ratio ours/peer: wall %.2f, CPU %.2f, peak memory %.2f (primary file %s bytes unpacked)\n' \
    "$(echo "$ow/$pw" | bc -l)" "$(echo "$oc/$pc" | bc -l)" "$(echo "$ok/$pk" | bc -l)" "$(zcat "$primary" | wc -c)"
done
