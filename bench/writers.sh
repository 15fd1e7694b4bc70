#!/usr/bin/env bash
# Concurrent store writers: WRITERS processes at once, each running the CGI
# program REQUESTS times on a record of its own ("/6072" on account 1 +
# writer: one field changed, a read-change-write of the account row, and its
# change message to the daemon). Prints the requests per second.
#   bench/writers.sh CGI ROOT WRITERS REQUESTS
# ROOT must hold accounts 1..WRITERS and a running core daemon (emulator).
set -euo pipefail
cgi=$1 root=$2 writers=$3 requests=$4

writer() {  # ACCOUNT
    local body="{\"id\":$1,\"localLiveView\":1}" i
    for i in $(seq 1 "$requests"); do
        printf '%s' "$body" | env NVR_ROOT="$root" REQUEST_METHOD=POST PATH_INFO=/6072 \
            CONTENT_TYPE=application/json CONTENT_LENGTH=${#body} REMOTE_ADDR=127.0.0.1 "$cgi" |
            grep -q 'OK$' || { echo "writer $1: request $i not answered OK" >&2; return 1; }
    done
}

t0=$(date +%s%N)
pids=()
for w in $(seq 1 "$writers"); do
    writer "$w" &
    pids+=($!)
done
for p in "${pids[@]}"; do wait "$p"; done
t1=$(date +%s%N)
echo "$writers $requests $(((t1 - t0) / 1000))" | awk '{printf "%.0f\n", $1 * $2 / ($3 / 1000000)}'
