#!/usr/bin/env bash
# Requests per second for a 100-byte static file, the same client (bench_HttpServer with
# VN_HTTP_TARGET) against three servers, side by side:
#   - ours: prog_httpd, pinned to CPU 0;
#   - python3's http.server speaking HTTP/1.1 (keep-alive), pinned to CPU 0: the floor;
#   - lighttpd with a configuration of its own on a private port, pinned to CPU 0, when it is
#     installed: the anchor.
# Each server answers ROUNDS alternated runs; the medians are printed with the ratio ours/other.
#
# usage: bench/compare_httpd.sh [BUILD_DIR] [ROUNDS]    (defaults: build, 3)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
rounds=${2:-3}
bench=$build/bench/bench_HttpServer
prog=$build/tests/programs/prog_httpd
for f in "$bench" "$prog"; do [ -x "$f" ] || { echo "missing $f: build the project first" >&2; exit 1; }; done

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/root"
head -c 100 /dev/zero | tr '\0' s >"$work/root/small"

wait_port() { for _ in $(seq 100); do (exec 3<>/dev/tcp/127.0.0.1/"$1") 2>/dev/null && return 0; sleep 0.05; done; return 1; }

servers=()
# Ours: run from a directory of its own, so it reads no configuration file.
(cd "$work" && exec taskset -c 0 "$prog" -ports 18180 -root "$work/root" >/dev/null 2>&1) &
pids+=($!); wait_port 18180 && servers+=("ours:18180")

cat >"$work/pyserver.py" <<'PY'
import functools, http.server, sys
class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *args): pass
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), functools.partial(Handler, directory=sys.argv[2])).serve_forever()
PY
taskset -c 0 /usr/bin/python3 "$work/pyserver.py" 18181 "$work/root" >/dev/null 2>&1 &
pids+=($!); wait_port 18181 && servers+=("python3:18181")

if [ -x /usr/sbin/lighttpd ]; then
  cat >"$work/lighttpd.conf" <<CONF
server.document-root = "$work/root"
server.bind = "127.0.0.1"
server.port = 18182
server.errorlog = "$work/lighttpd.err"
server.pid-file = "$work/lighttpd.pid"
CONF
  taskset -c 0 /usr/sbin/lighttpd -D -f "$work/lighttpd.conf" >/dev/null 2>&1 &
  pids+=($!); wait_port 18182 && servers+=("lighttpd:18182")
fi

benches='^BM_(KeepAliveOneConnection|KeepAliveFourConnections|ConnectionPerRequest)/'
for r in $(seq "$rounds"); do
  for s in "${servers[@]}"; do
    VN_HTTP_TARGET=127.0.0.1:${s#*:} "$bench" --benchmark_filter="$benches" --benchmark_min_time=${VN_BENCH_MIN_TIME:-1} \
      --benchmark_format=json >"$work/${s%%:*}.$r.json" 2>"$work/${s%%:*}.$r.err" || cat "$work/${s%%:*}.$r.err" >&2
  done
done

python3 - "$work" "$rounds" "${servers[@]}" <<'PY'
import json, statistics, sys
work, rounds, servers = sys.argv[1], int(sys.argv[2]), [s.split(":")[0] for s in sys.argv[3:]]
names = ["BM_KeepAliveOneConnection", "BM_KeepAliveFourConnections", "BM_ConnectionPerRequest"]
rates = {}
for s in servers:
    for r in range(1, rounds + 1):
        try:
            data = json.load(open("%s/%s.%d.json" % (work, s, r)))
        except (OSError, ValueError):
            continue
        for b in data["benchmarks"]:
            if "items_per_second" in b and not b.get("error_occurred"):
                rates.setdefault((s, b["name"].split("/")[0]), []).append(b["items_per_second"])
med = {k: statistics.median(v) for k, v in rates.items()}
print("%-30s" % "requests/s (median)" + "".join("%14s" % s for s in servers) +
      "".join("%16s" % ("ours/" + s) for s in servers if s != "ours"))
for n in names:
    row = "%-30s" % n[3:]
    row += "".join("%14s" % ("%.0f" % med[(s, n)] if (s, n) in med else "-") for s in servers)
    for s in servers:
        if s == "ours":
            continue
        if ("ours", n) in med and (s, n) in med:
            row += "%16.2f" % (med[("ours", n)] / med[(s, n)])
        else:
            row += "%16s" % "-"
    print(row)
PY
