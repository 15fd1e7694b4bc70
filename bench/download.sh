#!/usr/bin/env bash
# Recording download ("/4013") through the CGI program, beside two references
# measured in the same run on the same recording:
#   - a plain pipe of the downloaded bytes (`cat file | cat`): the ceiling of
#     the machine for moving those bytes through a pipe;
#   - the daemon's stream read by a minimal client straight into the same
#     pipe (bench/stream_pipe.cpp: no AVI, no frame queue, no CGI program):
#     what the emulator and the socket cost, so that the difference to the
#     CGI program is the CGI program's own cost.
# Best of several runs of each, taken in turns so that a busy moment of the
# machine does not fall on one of them only. Run by bench/run.sh with the
# emulator's demo running on NVR_ROOT; prints table rows.
#   bench/download.sh BUILD_DIR BENCH_OUT_DIR MIB...
set -euo pipefail
B=$1 out=$2
shift 2
root=$NVR_ROOT
cgi=$B/nvr-api.cgi
runs=${DOWNLOAD_RUNS:-5}
# The demo's main stream runs at about 472,000 bytes a second of recording.
bytes_per_second=472000

now_us() { echo $(($(date +%s%N) / 1000)); }

download() {  # MIB -> "<bytes> <best us CGI> <best us pipe> <best us stream> <peak RSS KiB>"
    local mib=$1
    local seconds=$(((mib * 1048576 + bytes_per_second - 1) / bytes_per_second))
    local end
    end=$(date -u -d "@$((1682935200 + seconds))" +%Y-%m-%dT%H:%M:%SZ)
    local body="{\"id\":1,\"startTime\":\"2023-05-01T10:00:00Z\",\"endTime\":\"$end\",\"streamType\":0}"
    # The same stretch as the daemon's request gives it.
    local from="2023-5-1 10:0:0" to
    to=$(date -u -d "@$((1682935200 + seconds))" '+%Y-%-m-%-d %-H:%-M:%-S')
    printf '%s' "$body" >"$root/dl-body.txt"
    local saved=$root/dl.bin
    env REQUEST_METHOD=POST PATH_INFO=/4013 CONTENT_TYPE=application/json CONTENT_LENGTH=${#body} TZ=UTC \
        "$cgi" <"$root/dl-body.txt" >"$saved"
    local bytes
    bytes=$(stat -c %s "$saved")
    local best_cgi=0 best_pipe=0 best_stream=0 rss=0 r us t0 t1
    for _ in $(seq 1 "$runs"); do
        # Through the CGI program, its reply on a pipe (as under the web server).
        read -r r us _ < <(env REQUEST_METHOD=POST PATH_INFO=/4013 CONTENT_TYPE=application/json \
            CONTENT_LENGTH=${#body} TZ=UTC "$out/rss" "$root/dl-body.txt" \
            sh -c "\"$cgi\" | cat >/dev/null")
        if [ "$best_cgi" = 0 ] || [ "$us" -lt "$best_cgi" ]; then best_cgi=$us; fi
        if [ "$r" -gt "$rss" ]; then rss=$r; fi
        # The same bytes through a plain pipe.
        t0=$(now_us)
        cat "$saved" | cat >/dev/null
        t1=$(now_us)
        us=$((t1 - t0))
        if [ "$best_pipe" = 0 ] || [ "$us" -lt "$best_pipe" ]; then best_pipe=$us; fi
        # The daemon's stream of the same recording, read by a minimal client.
        t0=$(now_us)
        "$out/stream_pipe" 1 "$from" "$to" | cat >/dev/null
        t1=$(now_us)
        us=$((t1 - t0))
        if [ "$best_stream" = 0 ] || [ "$us" -lt "$best_stream" ]; then best_stream=$us; fi
    done
    rm -f "$saved"
    echo "$bytes $best_cgi $best_pipe $best_stream $rss"
}

mibs() { echo "$1 / 1048576 / ($2 / 1000000)" | bc -l; }

for mib in "$@"; do
    read -r bytes cgi_us pipe_us stream_us rss < <(download "$mib")
    printf '| download "/4013" of %d MiB (AVI through a pipe) | %.0f MiB/s, %s KiB peak RSS | plain pipe: %.0f MiB/s | %.2f |\n' \
        "$mib" "$(mibs "$bytes" "$cgi_us")" "$rss" "$(mibs "$bytes" "$pipe_us")" "$(echo "$pipe_us / $cgi_us" | bc -l)"
    printf '| download "/4013" of %d MiB against the bare daemon stream | %.0f MiB/s | minimal client into a pipe: %.0f MiB/s | %.2f |\n' \
        "$mib" "$(mibs "$bytes" "$cgi_us")" "$(mibs "$bytes" "$stream_us")" "$(echo "$stream_us / $cgi_us" | bc -l)"
done
