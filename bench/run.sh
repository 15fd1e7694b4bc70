#!/usr/bin/env bash
# Benchmarks of the CGI program, each figure beside its reference measured in
# the same run. Prints a Markdown table.
#   bench/run.sh            full run (a few minutes)
#   bench/run.sh --quick    small sizes and short runs: proves the benchmark works
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/deps.sh bench
B=$top/build-bench
cmake -S . -B "$B" -DCMAKE_BUILD_TYPE=Release -DNVR_TESTS=ON >/dev/null
cmake --build "$B" -j"$(nproc)" --target nvr-api.cgi nvr-api-echo.cgi nvr-core-emu nvr-store >/dev/null
out=$B/bench
mkdir -p "$out"
gcc -O2 -static bench/floor.c -o "$out/floor.cgi"
gcc -O2 bench/rss.c -o "$out/rss"
g++ -O2 -std=c++17 -I. bench/roundtrip.cpp -o "$out/roundtrip" "$B/libnvr_common.a" "$B/libnvr_platform.a" \
    "/usr/lib/$(gcc -print-multiarch)/libjson-c.a" "/usr/lib/$(gcc -print-multiarch)/libsqlite3.a" -lpthread -ldl -lm
g++ -O2 -std=c++17 -I. bench/stream_pipe.cpp -o "$out/stream_pipe" "$B/libnvr_common.a" "$B/libnvr_platform.a" \
    "/usr/lib/$(gcc -print-multiarch)/libjson-c.a" "/usr/lib/$(gcc -print-multiarch)/libsqlite3.a" -lpthread -ldl -lm

. bench/lib.sh
bench_root nvr-bench

cgi=$B/nvr-api.cgi
floor=$out/floor.cgi

# Runs the CGI program once: cgi_env METHOD CODE BODY -> environment words.
cgi_env() {
    echo "REQUEST_METHOD=$1 PATH_INFO=$2 CONTENT_TYPE=application/json CONTENT_LENGTH=${#3} REMOTE_ADDR=127.0.0.1"
}

# Instructions of one whole process (callgrind is deterministic).
instructions() {  # INPUT PROGRAM ENV...
    local input=$1 prog=$2
    shift 2
    env "$@" valgrind --tool=callgrind --callgrind-out-file=/dev/null "$prog" <"$input" 2>&1 >/dev/null |
        awk '/Collected/ {print $4}'
}

# 100 accounts: the factory admin and 99 more, added through the program.
for i in $(seq 1 99); do
    body="{\"name\":\"user$i\",\"password\":\"5ebe2294ecd0e0f08eab7690d2a6ee69\",\"type\":1,\"permission\":0,\"remotePermission\":0}"
    printf '%s' "$body" | env $(cgi_env POST /6071 "$body") "$cgi" >/dev/null
done

# The emulator, answering the channel list with 64 camera records.
printf '3201 reply 8201 zeros:%d\n' $((64 * 976)) >"$root/rules.txt"
"$B/nvr-core-emu" --rules "$root/rules.txt" &
emu_pid=$!
for _ in $(seq 1 100); do [ -S "$root/var/run/kxsocket" ] && break; sleep 0.05; done

echo "| figure | measured | reference | ratio |"
echo "|---|---|---|---|"
empty=$root/empty.txt
: >"$empty"
floor_ir=$(instructions "$empty" "$floor")
floor_rss=$("$out/rss" "$empty" "$floor" | cut -d' ' -f1)
echo "| floor: static C program printing a header and OK | $floor_ir instructions, $floor_rss KiB peak RSS | | 1.0 |"

measure() {  # LABEL METHOD CODE BODY
    local label=$1 method=$2 code=$3 body=$4 input=$root/body.txt
    printf '%s' "$body" >"$input"
    local ir rss
    ir=$(instructions "$input" "$cgi" $(cgi_env "$method" "$code" "$body") NVR_ROOT="$root")
    rss=$(env $(cgi_env "$method" "$code" "$body") "$out/rss" "$input" "$cgi" | cut -d' ' -f1)
    printf '| %s | %s instructions, %s KiB peak RSS | floor | %.1f |\n' "$label" "$ir" "$rss" \
        "$(echo "$ir / $floor_ir" | bc -l)"
}
measure '"/1024" (one key written)' POST /1024 ''
measure '"/6070" with 100 accounts' POST /6070 ''
measure '"/1000" login' POST /1000 '{"userName":"admin","md5":"21232f297a57a5a743894a0e4a801fc3"}'
measure '"/2012" with 64 channels' POST /2012 ''
measure '"/2001" with 64 cameras through the emulator' POST /2001 ''
# The program's size on this machine (scripts/test-armhf.sh checks the armhf one).
strip -o "$out/nvr-api.cgi.stripped" "$cgi"
strip -o "$out/floor.stripped" "$floor"
printf '| static CGI program, stripped | %s bytes | floor: %s bytes | %.1f |\n' "$(stat -c %s "$out/nvr-api.cgi.stripped")" \
    "$(stat -c %s "$out/floor.stripped")" \
    "$(echo "$(stat -c %s "$out/nvr-api.cgi.stripped") / $(stat -c %s "$out/floor.stripped")" | bc -l)"

# Daemon round trip: the messenger against bare frames on the same emulator.
iterations=2000
[ $quick = 1 ] && iterations=200
read -r bare messenger failures < <("$out/roundtrip" 3201 "$iterations")
printf '| daemon round trip (3201, 64 records) | %.0f us through the messenger | %.0f us bare frames | +%.0f us |\n' \
    "$messenger" "$bare" "$(echo "$messenger - $bare" | bc -l)"

# Concurrent store writers: 8 processes writing distinct records (each
# request one immediate transaction), against one writer alone.
wreq=100
[ $quick = 1 ] && wreq=10
conc_rps=$(bench/writers.sh "$cgi" "$root" 8 "$wreq")
one_rps=$(bench/writers.sh "$cgi" "$root" 1 "$wreq")
printf '| 8 concurrent writers of distinct records ("/6072") | %s requests/s | one writer: %s requests/s | %.2f |\n' \
    "$conc_rps" "$one_rps" "$(echo "$conc_rps / $one_rps" | bc -l)"

# Multipart upload through the intake, against cp on the same file system.
upload() {  # MIB
    local mib=$1 src=$root/src.bin body=$root/body.bin
    head -c $((mib * 1048576)) /dev/urandom >"$src"
    local boundary=----nvrbench
    {
        printf -- '--%s\r\nContent-Disposition: form-data; name="file"; filename="fw.bin"\r\n' "$boundary"
        printf 'Content-Type: application/octet-stream\r\n\r\n'
        cat "$src"
        printf -- '\r\n--%s--\r\n' "$boundary"
    } >"$body"
    local len
    len=$(stat -c %s "$body")
    sync
    # Best of three for both, so a stray flush of the page cache does not
    # decide the ratio.
    local best_cp=0 best_us=0 rss=0 t0 t1 us r
    for _ in 1 2 3; do
        t0=$(date +%s%N)
        cp "$src" "$root/copy.bin"
        t1=$(date +%s%N)
        us=$(((t1 - t0) / 1000))
        rm -f "$root/copy.bin"
        if [ "$best_cp" = 0 ] || [ "$us" -lt "$best_cp" ]; then best_cp=$us; fi
        rm -f "$root/tmp/fw.bin"
        read -r r us _ < <(env REQUEST_METHOD=POST PATH_INFO=/1008 CONTENT_LENGTH="$len" \
            CONTENT_TYPE="multipart/form-data; boundary=$boundary" NVR_ROOT="$root" \
            "$out/rss" "$body" "$B/nvr-api-echo.cgi")
        if [ "$best_us" = 0 ] || [ "$us" -lt "$best_us" ]; then best_us=$us; fi
        if [ "$r" -gt "$rss" ]; then rss=$r; fi
    done
    local cp_us=$best_cp
    us=$best_us
    cmp -s "$src" "$root/tmp/fw.bin" || { echo "upload of $mib MiB arrived damaged" >&2; exit 1; }
    rm -f "$src" "$body" "$root/tmp/fw.bin"
    printf '| multipart upload of %d MiB | %.0f MiB/s, %s KiB peak RSS | cp: %.0f MiB/s | %.2f |\n' "$mib" \
        "$(echo "$mib / ($us / 1000000)" | bc -l)" "$rss" "$(echo "$mib / ($cp_us / 1000000)" | bc -l)" \
        "$(echo "$cp_us / $us" | bc -l)"
}
upload 1
if [ $quick = 1 ]; then upload 16; else upload 256; fi
if [ $quick = 1 ]; then bench/download.sh "$B" "$out" 1 16; else bench/download.sh "$B" "$out" 16 256; fi

# Requests per second under lighttpd: "/2012" against the floor as the CGI.
port=18080
bench_httpd $port
seconds=10
[ $quick = 1 ] && seconds=2
rps() { wrk -t2 -c8 -d"${seconds}s" "$1" | awk '/Requests\/sec/ {print $2}'; }
floor_rps=$(rps "http://127.0.0.1:$port/cgi-bin/floor.cgi")
api_rps=$(rps "http://127.0.0.1:$port/cgi-bin/nvr-api.cgi/2012")
printf '| lighttpd requests/s, "/2012" | %.0f | floor as CGI: %.0f | %.2f |\n' "$api_rps" "$floor_rps" \
    "$(echo "$api_rps / $floor_rps" | bc -l)"
bench_machine
