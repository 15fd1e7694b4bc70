#!/usr/bin/env bash
# The FastCGI entry against the CGI program and the floor CGI, under lighttpd
# with wrk on loopback; the store write beside a bare loop of the same SQLite
# write; a worker's RSS over a long mix of requests. Prints Markdown rows.
#   bench/fastcgi.sh [BUILD] [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
B=${1:-$top/build-bench}
quick=0
[ "${2:-}" = "--quick" ] && quick=1
scripts/deps.sh bench
cmake -S . -B "$B" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$B" -j"$(nproc)" --target nvr-api.cgi nvr-api.fcgi nvr-core-emu nvr-store >/dev/null
out=$B/bench
mkdir -p "$out"
gcc -O2 -static bench/floor.c -o "$out/floor.cgi"
gcc -O2 bench/sqlite_write.c -o "$out/sqlite_write" -lsqlite3

. bench/lib.sh
bench_root nvr-fcgi-bench
"$B/nvr-core-emu" >/dev/null 2>&1 &
emu_pid=$!

port=18081
fcgi_conf=$(cat <<CONF
fastcgi.server = ("/fcgi/nvr-api.fcgi" => ((
    "socket" => "$root/fcgi.sock",
    "bin-path" => "$B/nvr-api.fcgi",
    "bin-environment" => ("NVR_ROOT" => "$root", "NVR_FCGI_MAX_REQUESTS" => "0"),
    "max-procs" => 2,
    "check-local" => "disable",
    "fix-root-scriptname" => "enable"
)))
CONF
)
bench_httpd $port ', "mod_fastcgi"' "$fcgi_conf"
seconds=10
[ $quick = 1 ] && seconds=2
post=$out/post.lua
echo 'wrk.method = "POST"; wrk.body = ""; wrk.headers["Content-Type"] = "application/json"' >"$post"
# requests/s and p99 latency (ms)
measure() {
    wrk -t2 -c8 -d"${seconds}s" --latency -s "$post" "$1" |
        awk '/Requests\/sec/ {r=$2} /^ +99%/ {p=$2} END {
            v=p; u=1; if (p ~ /us$/) {u=0.001} else if (p ~ /ms$/) {u=1} else if (p ~ /s$/) {u=1000}
            sub(/[a-z]+$/, "", v); printf "%.0f %.2f\n", r, v*u }'
}
row() {  # label code
    local f c fl
    read -r f fp < <(measure "http://127.0.0.1:$port/fcgi/nvr-api.fcgi$2")
    read -r c cp < <(measure "http://127.0.0.1:$port/cgi-bin/nvr-api.cgi$2")
    read -r fl flp < <(measure "http://127.0.0.1:$port/cgi-bin/floor.cgi")
    printf '| lighttpd %s through nvr-api.fcgi | %s req/s, p99 %s ms | nvr-api.cgi: %s req/s, p99 %s ms; floor as CGI: %s req/s, p99 %s ms | %.2f of the CGI, %.2f of the floor |\n' \
        "$1" "$f" "$fp" "$c" "$cp" "$fl" "$flp" "$(echo "$f / $c" | bc -l)" "$(echo "$f / $fl" | bc -l)"
    last_fcgi=$f
}
row '"/2012" (store read, 64 channels)' /2012
row '"/1024" (store write)' /1024
n=2000
[ $quick = 1 ] && n=200
bare=$("$out/sqlite_write" "$root/mnt/nand/app/kxdb.db" "$n")
printf '| "/1024" through nvr-api.fcgi against the bare write loop | %s writes/s | bare SQLite loop: %s writes/s | %.2f |\n' \
    "$last_fcgi" "$bare" "$(echo "$last_fcgi / $bare" | bc -l)"

# Worker memory over a mix of codes: one thread of wrk stops itself after
# the total; the workers' RSS before (after one request each) and after.
total=100000
[ $quick = 1 ] && total=5000
mix=$out/mix.lua
cat >"$mix" <<LUA
local codes = {"/2012", "/1024", "/6070", "/1009", "/2001", "/8008", "/1032", "/6080", "/7000"}
local i, n = 0, 0
request = function()
  i = i + 1
  return wrk.format("POST", "/fcgi/nvr-api.fcgi" .. codes[(i % #codes) + 1], {["Content-Type"] = "application/json"}, "")
end
response = function() n = n + 1; if n >= $total then wrk.thread:stop() end end
LUA
workers() { pgrep -f "^$B/nvr-api.fcgi" | sort -n; }
rss_of() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
for _ in 1 2 3 4; do curl -s -o /dev/null -d '' "http://127.0.0.1:$port/fcgi/nvr-api.fcgi/2012"; done
first=""
for w in $(workers); do first="$first $(rss_of "$w")"; done
# wrk's thread stops at the total, but wrk itself waits out its duration:
# it is interrupted once the workers have stopped using the processor.
wrk -t1 -c2 -d3600s -s "$mix" "http://127.0.0.1:$port/" >/dev/null &
wrk_pid=$!
cpu() { for w in $(workers); do awk '{print $14 + $15}' "/proc/$w/stat"; done | paste -sd+ | bc; }
prev=-1
while kill -0 "$wrk_pid" 2>/dev/null; do
    sleep 3
    now=$(cpu)
    [ "$now" = "$prev" ] && kill -INT "$wrk_pid"
    prev=$now
done
wait "$wrk_pid" 2>/dev/null || true
last=""
for w in $(workers); do last="$last $(rss_of "$w")"; done
printf '| worker RSS over %d requests of 9 codes (KiB, each worker) | last:%s | first:%s | |\n' "$total" "$last" "$first"
bench_machine
