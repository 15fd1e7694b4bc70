#!/usr/bin/env bash
# Recording download ("/4013") through the CGI program against a plain pipe of
# the same bytes, and the CGI program's peak RSS by download size. Run by
# bench/run.sh with the emulator's demo running on NVR_ROOT; prints table rows.
#   bench/download.sh BUILD_DIR BENCH_OUT_DIR MIB...
set -euo pipefail
B=$1 out=$2
shift 2
root=$NVR_ROOT
cgi=$B/nvr-api.cgi
# The demo's main stream runs at about 472,000 bytes a second of recording.
bytes_per_second=472000

download() {  # MIB -> "<bytes> <best us through the CGI> <best us through a pipe> <peak RSS KiB>"
    local mib=$1
    local seconds=$(((mib * 1048576 + bytes_per_second - 1) / bytes_per_second))
    local end
    end=$(date -u -d "@$((1682935200 + seconds))" +%Y-%m-%dT%H:%M:%SZ)
    local body="{\"id\":1,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"$end\",\"streamType\":0}"
    printf '%s' "$body" >"$root/dl-body.txt"
    local saved=$root/dl.bin
    env REQUEST_METHOD=POST PATH_INFO=/4013 CONTENT_TYPE=application/json CONTENT_LENGTH=${#body} TZ=UTC \
        "$cgi" <"$root/dl-body.txt" >"$saved"
    local bytes
    bytes=$(stat -c %s "$saved")
    local best_cgi=0 best_pipe=0 rss=0 r us t0 t1
    for _ in 1 2 3; do
        # Through the CGI program, its reply on a pipe (as under the web server).
        read -r r us _ < <(env REQUEST_METHOD=POST PATH_INFO=/4013 CONTENT_TYPE=application/json \
            CONTENT_LENGTH=${#body} TZ=UTC "$out/rss" "$root/dl-body.txt" \
            sh -c "\"$cgi\" | cat >/dev/null")
        if [ "$best_cgi" = 0 ] || [ "$us" -lt "$best_cgi" ]; then best_cgi=$us; fi
        if [ "$r" -gt "$rss" ]; then rss=$r; fi
        # The same bytes through a plain pipe.
        t0=$(date +%s%N)
        cat "$saved" | cat >/dev/null
        t1=$(date +%s%N)
        us=$(((t1 - t0) / 1000))
        if [ "$best_pipe" = 0 ] || [ "$us" -lt "$best_pipe" ]; then best_pipe=$us; fi
    done
    rm -f "$saved"
    echo "$bytes $best_cgi $best_pipe $rss"
}

for mib in "$@"; do
    read -r bytes cgi_us pipe_us rss < <(download "$mib")
    printf '| download "/4013" of %d MiB (AVI through a pipe) | %.0f MiB/s, %s KiB peak RSS | plain pipe: %.0f MiB/s | %.2f |\n' \
        "$mib" "$(echo "$bytes / 1048576 / ($cgi_us / 1000000)" | bc -l)" "$rss" \
        "$(echo "$bytes / 1048576 / ($pipe_us / 1000000)" | bc -l)" "$(echo "$pipe_us / $cgi_us" | bc -l)"
done
