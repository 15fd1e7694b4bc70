#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run command need,
# when any is missing. Usage: scripts/deps.sh [build|run|all|fuzz|bench|web]
# run, all and web also install the npm packages of package-lock.json (the
# API console, the OpenAPI linter, the reply contract check, the browser test).
set -euo pipefail
want=(cmake g++ make pkg-config libjson-c-dev libsqlite3-dev libgtest-dev libssl-dev)
# ffprobe reads the downloaded AVI files in the tests.
want+=(ffmpeg)
# The FastCGI entry: libfcgi; cgi-fcgi (libfcgi-bin) and spawn-fcgi start and
# try a worker by hand.
want+=(libfcgi-dev libfcgi-bin spawn-fcgi)
case "${1:-build}" in
  run|all|web) want+=(lighttpd curl); command -v npm >/dev/null || want+=(nodejs npm) ;;&
  all|web) want+=(chromium) ;;
  fuzz) want+=(clang-14 libclang-rt-14-dev) ;;
  bench) want+=(valgrind wrk lighttpd curl bc) ;;
esac
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

# The npm packages, exactly as locked, when node_modules is older than the lock
# file; no install scripts (none of them needs one).
case "${1:-build}" in
  run|all|web)
    cd "$(dirname "$0")/.."
    if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
      npm ci --ignore-scripts --no-audit --no-fund
    fi ;;
esac
