#!/usr/bin/env bash
# Regenerates front/cgi_hot.ld, the linker script that keeps the code and
# read-only data of a request together in the CGI program (see
# bench/hot_layout.py for why). Traces a few requests under valgrind's lackey
# and, natively, their page faults under perf; three rounds, each linked with
# the previous round's script, so sections first seen at their new places are
# added too.
#   bench/hot_layout.sh [BUILD_DIR]     (default: build; a static Release build)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
B=$(cd "${1:-build}" && pwd)
script=$top/front/cgi_hot.ld
work=$(mktemp -d /tmp/nvr-hot-XXXXXX)
trap 'rm -rf "$work"' EXIT
export NVR_ROOT=$work/root
mkdir -p "$NVR_ROOT"
"$B/nvr-store" init >/dev/null
"$B/nvr-store" set max_cameras 64 >/dev/null
login='{"userName":"admin","md5":"21232f297a57a5a743894a0e4a801fc3"}'

# The program's own link command, with a map and the script under test.
link() {  # OUTPUT
    local cmd
    cmd=$(sed -e "s|-Wl,-T,[^ ]*cgi_hot.ld||" -e "s|-o nvr-api.cgi|-o $1 -Wl,-Map=$1.map|" \
        "$B/CMakeFiles/nvr-api.cgi.dir/link.txt")
    [ -s "$script" ] && cmd="$cmd -Wl,-T,$script"
    (cd "$B" && eval "$cmd" 2>/dev/null)
}

# One request: lackey's trace and the native page faults, both in lackey's format.
trace() {  # PROGRAM N CODE BODY
    local prog=$1 n=$2 code=$3 body=$4
    printf '%s' "$body" >"$work/body"
    local env=(REQUEST_METHOD=POST PATH_INFO="$code" CONTENT_TYPE=application/json
        CONTENT_LENGTH=${#body} REMOTE_ADDR=127.0.0.1)
    env "${env[@]}" valgrind --tool=lackey --trace-mem=yes --log-file="$work/lackey.$n" \
        "$prog" <"$work/body" >/dev/null
    env "${env[@]}" perf record -q -e page-faults -c 1 -d -o "$work/perf.data" \
        "$prog" <"$work/body" >/dev/null 2>&1
    perf script -i "$work/perf.data" -F ip,addr 2>/dev/null |
        awk 'BEGIN {print "# faults"} {printf "I  %s,1\n L %s,1\n", $2, $1}' >"$work/faults.$n"
}

for round in 1 2 3; do
    link "$work/cgi"
    traces=()
    n=0
    for req in "/1024|" "/1000|$login" "/6070|" "/2012|"; do
        n=$((n + 1))
        trace "$work/cgi" $n "${req%%|*}" "${req#*|}"
        traces+=("$work/lackey.$n" "$work/faults.$n")
    done
    echo "round $round: $(python3 bench/hot_layout.py "$work/cgi.map" "$script" "${traces[@]}")"
done
