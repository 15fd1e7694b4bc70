#!/usr/bin/env bash
# Runs the system on this machine: builds it, initialises the store under a
# root directory of its own, starts the core-daemon emulator and serves the
# CGI program with lighttpd on http://127.0.0.1:8080/cgi-bin/nvr-api.cgi/<code>,
# with the API console at http://127.0.0.1:8080/.
# Stop with Ctrl-C. Usage: scripts/run.sh [--fastcgi] [ROOT]   (default: ./run-root)
# --fastcgi: the same URLs served by two persistent workers (nvr-api.fcgi).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
conf=lighttpd.conf
if [ "${1:-}" = "--fastcgi" ]; then conf=lighttpd-fastcgi.conf; shift; fi
scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"

root=$(realpath -m "${1:-$top/run-root}")
mkdir -p "$root/www" "$root/var/run" "$root/tmp"
export NVR_ROOT="$root"
build/nvr-store init
# the pages' language files (a list replaced through "/1001" is kept)
langdir="$root/opt/app/www/webfile/json"
mkdir -p "$langdir"
for f in data/webfile/json/*.json; do
    [ -e "$langdir/${f##*/}" ] || cp "$f" "$langdir/"
done

build/nvr-core-emu --journal "$root/emu-journal.txt" &
emu=$!
trap 'kill $emu 2>/dev/null; wait $emu 2>/dev/null || true' EXIT

# NVR_PORT serves on another port than 8080 (the console's browser test).
port=${NVR_PORT:-8080}
for c in lighttpd.conf lighttpd-fastcgi.conf; do
    sed -e "s|@ROOT@|$root|g" -e "s|@BUILD@|$top/build|g" -e "s|@TOP@|$top|g" -e "s|= 8080$|= $port|" \
        "deploy/$c" > "$root/$c"
done
echo "serving on http://127.0.0.1:$port/cgi-bin/nvr-api.cgi/<code>  (root $root)"
echo "API console: http://127.0.0.1:$port/"
lighttpd -D -f "$root/$conf"
