#!/usr/bin/env bash
# The API console's browser test against the running system: starts
# scripts/run.sh in a root of its own on a free port, runs
# scripts/console-test.js (headless chromium) against it, and stops it.
# Usage: scripts/console-test.sh   (after the build and scripts/deps.sh web)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(mktemp -d "${TMPDIR:-/tmp}/nvr-console-XXXXXX")
# A port nobody listens on.
port=$(node -e 'const s=require("net").createServer().listen(0,"127.0.0.1",()=>{console.log(s.address().port);s.close();});')
NVR_PORT=$port setsid scripts/run.sh "$root" >"$root.log" 2>&1 &
server=$!
stop() {
  kill -- -"$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -rf "$root" "$root.log"
}
trap stop EXIT
for _ in $(seq 1 600); do
  curl -sf -o /dev/null "http://127.0.0.1:$port/openapi.json" && break
  kill -0 "$server" 2>/dev/null || { cat "$root.log"; echo "the system did not start" >&2; exit 1; }
  sleep 0.2
done
node scripts/console-test.js "http://127.0.0.1:$port"
