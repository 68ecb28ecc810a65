#!/usr/bin/env bash
# Resolves the same start lists over the same universe with three solvers and prints, per list
# and solver, whether it solved, the packages its solution installs or upgrades, and its
# median time:
#
#   ours     bench_Resolver (BM_ResolveList), over the pool of bench/make_pool.py --from-apt:
#            the resolution alone, and pool load + resolution (BM_LoadPool added)
#   apt      "apt-get -s install", from a private flat repository, status file and caches
#   libsolv  "testsolv" on a test case over the same universe, converted by deb2solv
#
# The universe is this machine's package index reduced as make_pool.py reduces it (one
# alternative per dependency item; no Recommends) with this host's installed set; apt reads it
# with Recommends off, without the dpkg lock, and no solver changes the host. Start lists:
# texlive-full, gnome, kde-full and 5 random lists each of 1, 10, 50 and 200 names (fixed seed).
# Each of ROUNDS rounds (default 3) runs ours, apt and libsolv over every list in turn; the
# medians are printed. Ratios are given only over lists that both sides solved.
#
# usage: bench/compare_resolvers.sh [BUILD_DIR]
#   ROUNDS=N        rounds (default 3)
#   POOL="ARGS"     more arguments of make_pool.py, e.g. "--packages 10000 --keep libgfal2-dev"
#   LISTS="a,b;c"   these start lists instead (lists separated by ';', names by ',')
#   KEEP=DIR        work in DIR and keep it
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
bench=$build/bench/bench_Resolver
[ -x "$bench" ] || { echo "missing $bench: build the project first" >&2; exit 1; }
for tool in apt-get deb2solv testsolv; do
  command -v $tool >/dev/null || { echo "missing $tool (libsolv-tools, apt)" >&2; exit 1; }
done

if [ -n "${KEEP:-}" ]; then
  work=$KEEP
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
# shellcheck disable=SC2086
/usr/bin/python3 "$here/make_pool.py" --from-apt ${POOL:-} --cache "$work/pool" --debian "$work/deb" --start-lists "$work/lists"
if [ -n "${LISTS:-}" ]; then
  tr ';' '\n' <<<"$LISTS" | awk -F, 'NF { print $1 (NF > 1 ? "+" (NF - 1) : "") "\t" $0 }' >"$work/lists"
fi
echo "universe: $(grep -c '^X:' "$work/pool/pool.cache") offered, $(grep -c '^X:' "$work/pool/installed.cache") installed"

# apt, private: its own sources, lists, caches and status; of /etc/apt only apt.conf(.d).
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts"
echo "deb [trusted=yes] file:$work/deb/repo ./" >"$work/apt/sources.list"
: >"$work/apt/extended_states"
cat >"$work/apt/options" <<OPTS
-o Dir::Etc::SourceList=$work/apt/sources.list -o Dir::Etc::SourceParts=$work/apt/parts
-o Dir::Etc::Preferences=/dev/null -o Dir::Etc::PreferencesParts=$work/apt/parts
-o Dir::State::Lists=$work/apt/lists -o Dir::Cache=$work/apt/cache
-o Dir::State::status=$work/deb/status -o Dir::State::extended_states=$work/apt/extended_states
-o Debug::NoLocking=1 -o APT::Install-Recommends=false -o APT::Install-Suggests=false
-o APT::Architecture=amd64 -o APT::Architectures::=amd64 -o APT::Sandbox::User=$(id -un)
OPTS
# shellcheck disable=SC2046
apt-get $(cat "$work/apt/options") update >"$work/apt/update.out" 2>&1 ||
  { cat "$work/apt/update.out" >&2; exit 1; }

# libsolv: the same two files as solv repositories.
deb2solv -r <"$work/deb/repo/Packages" >"$work/available.solv"
deb2solv -r <"$work/deb/status" >"$work/system.solv"

python3 - "$work" "$bench" "${ROUNDS:-3}" <<'PY'
import json, os, statistics, subprocess, sys, time

work, bench, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
lists = [line.rstrip("\n").split("\t") for line in open(os.path.join(work, "lists")) if line.strip()]
lists = [(label, names.split(",")) for label, names in lists]
apt_options = open(os.path.join(work, "apt", "options")).read().split()


def ours():
    env = dict(os.environ, VN_BENCH_POOL=os.path.join(work, "pool"), VN_BENCH_ITERATIONS="1",
               VN_BENCH_START_LISTS=";".join(",".join(names) for _, names in lists))
    out = subprocess.run([bench, "--benchmark_filter=^BM_(LoadPool|ResolveList/)", "--benchmark_format=json"],
                         env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True, text=True).stdout
    found = {b["name"].replace("/iterations:1", ""): b for b in json.loads(out)["benchmarks"]}
    load = found["BM_LoadPool"]["real_time"]
    result = {}
    for label, names in lists:
        b = found.get("BM_ResolveList/" + ",".join(names))
        if b is None or b.get("error_occurred"):
            result[label] = (False, 0, None, None)
        else:
            result[label] = (b["errors"] == 0, int(b["installs"]), b["real_time"], b["real_time"] + load)
    return result


def timed(command):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return done, (time.perf_counter() - start) * 1000


def apt(names):
    done, ms = timed(["apt-get"] + apt_options + ["-s", "install"] + names)
    return done.returncode == 0, sum(line.startswith("Inst ") for line in done.stdout.splitlines()), ms


def libsolv(label, names):
    case = os.path.join(work, "case-%s" % label)
    with open(case, "w") as out:
        # File names are read relative to the test case.
        out.write("repo system 0 solv system.solv\nrepo available 0 solv available.solv\n"
                  "system amd64 deb system\n")
        out.writelines("job install name %s\n" % n for n in names)
        out.write("result transaction,problems <inline>\n")
    done, ms = timed(["testsolv", case])
    lines = done.stdout.splitlines()
    solved = not any(line.startswith("+problem") for line in lines)
    return solved, sum(line.startswith(("+install ", "+upgrade ", "+downgrade ")) for line in lines), ms


runs = {label: {"ours": [], "apt": [], "libsolv": []} for label, _ in lists}
for _ in range(rounds):
    for label, got in ours().items():
        runs[label]["ours"].append(got)
    for label, names in lists:
        runs[label]["apt"].append(apt(names))
    for label, names in lists:
        runs[label]["libsolv"].append(libsolv(label, names))


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def cell(samples):
    """Solved in every round, the solution size, the median time (and for ours the median of
    load + resolution)."""
    full = median([s[3] for s in samples]) if len(samples[0]) > 3 else None
    return all(s[0] for s in samples), samples[-1][1], median([s[2] for s in samples]), full


def ms(v):
    return "-" if v is None else "%.1f" % v


print("%-14s | %-22s %9s | %-15s | %-15s | %8s %8s" % (
    "start list", "ours: result  pkgs  ms", "load+ms", "apt: res pkgs ms", "libsolv: ...", "ours/apt", "ours/solv"))
both_apt, both_solv = [], []
for label, _ in lists:
    o_ok, o_n, o_ms, o_full = cell(runs[label]["ours"])
    a_ok, a_n, a_ms, _ = cell(runs[label]["apt"])
    s_ok, s_n, s_ms, _ = cell(runs[label]["libsolv"])
    r_apt = o_ms / a_ms if o_ok and a_ok else None
    r_solv = o_ms / s_ms if o_ok and s_ok else None
    if r_apt is not None:
        both_apt.append((o_ms, o_full, a_ms))
    if r_solv is not None:
        both_solv.append((o_ms, o_full, s_ms))
    word = lambda ok: "solved" if ok else "FAILED"
    print("%-14s | %-6s %5d %9s %9s | %-6s %4d %7s | %-6s %4d %7s | %8s %8s" % (
        label, word(o_ok), o_n, ms(o_ms), ms(o_full), word(a_ok), a_n, ms(a_ms), word(s_ok), s_n, ms(s_ms),
        "-" if r_apt is None else "%.3f" % r_apt, "-" if r_solv is None else "%.3f" % r_solv))
for peer, both in (("apt", both_apt), ("libsolv", both_solv)):
    if both:
        print("over the %d lists ours and %s both solved: ours/%s %.3f (resolution), %.3f (load + resolution),"
              " median of the per-list ratios %.3f" % (
                  len(both), peer, peer, sum(b[0] for b in both) / sum(b[2] for b in both),
                  sum(b[1] for b in both) / sum(b[2] for b in both),
                  statistics.median(b[0] / b[2] for b in both)))
PY
