#!/usr/bin/env bash
# Log export ("/1003"): peak memory and speed of the CSV download for export
# files of growing size. The CSV is streamed entry by entry, so the peak RSS
# must stay flat from 1,000 to 100,000 entries. Prints a Markdown table.
#   bench/log_export.sh [--quick] [BUILD_DIR]     (default build/, built already)
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; shift; fi
B=$(cd "${1:-build}" && pwd)
sizes="1000 10000 100000"
[ $quick = 1 ] && sizes="100 1000 10000"

root=$(mktemp -d /tmp/nvr-bench-log-XXXXXX)
emu_pid=""
cleanup() {
    [ -n "$emu_pid" ] && kill "$emu_pid" 2>/dev/null && wait "$emu_pid" 2>/dev/null
    rm -rf "$root"
}
trap cleanup EXIT
gcc -O2 bench/rss.c -o "$root/rss"
export NVR_ROOT=$root
"$B/nvr-store" init >/dev/null

# Export files: N entries of 4,768 bytes, texts with commas, quotes and line
# breaks so that every row is quoted. The answer names the file.
make_export() {  # N FILE
    python3 - "$1" "$2" <<'PY'
import struct, sys
n, path = int(sys.argv[1]), sys.argv[2]
rec = bytearray(672)
struct.pack_into('<I', rec, 0, 4)
struct.pack_into('<q', rec, 8, 204)
struct.pack_into('<IIII', rec, 20, 1709802303, 909, 1, 3)
rec[36:36 + 19] = b'::ffff:192.168.1.20'
rec[82:82 + 12] = b'admin, "ops"'
detail = bytearray(4096)
text = b'Sensitivity 3, area "Front door"\nschedule all day' * 40
detail[:len(text)] = text[:4095]
entry = bytes(rec) + bytes(detail)
with open(path, 'wb') as f:
    f.write(struct.pack('<I', n))
    for _ in range(n):
        f.write(entry)
PY
}
mkdir -p "$root/tmp/log"
printf '3494 reply 8494 file:%s\n' "$root/answer.bin" >"$root/rules.txt"
python3 -c "import sys; sys.stdout.buffer.write(b'\0'*4 + b'/tmp/log/export.bin'.ljust(64, b'\0'))" >"$root/answer.bin"
"$B/nvr-core-emu" --rules "$root/rules.txt" --no-demo &
emu_pid=$!
for _ in $(seq 1 100); do [ -S "$root/var/run/kxsocket" ] && break; sleep 0.05; done

body='{"language":"en-US","mainType":4,"subTypeArr":[10],"startTime":"2000-01-01T00:00:00","endTime":"2037-01-01T00:00:00","curPageNum":1,"ch":"0","na":0}'
printf '%s' "$body" >"$root/body.txt"
run_env="REQUEST_METHOD=POST PATH_INFO=/1003 CONTENT_TYPE=application/json CONTENT_LENGTH=${#body} REMOTE_ADDR=127.0.0.1"

# The rows arrive whole: one export checked line by line.
make_export 10 "$root/tmp/log/export.bin"
rows=$(env $run_env "$B/nvr-api.cgi" <"$root/body.txt" | python3 -c "
import csv, io, sys
data = sys.stdin.buffer.read().split(b'\r\n\r\n', 1)[1].decode()
rows = list(csv.reader(io.StringIO(data, newline='')))
assert all(len(r) == 10 for r in rows), rows
print(len(rows) - 1)")
[ "$rows" = 10 ] || { echo "export check: $rows rows instead of 10" >&2; exit 1; }

echo "| export of the log as CSV | peak RSS | time | CSV rate |"
echo "|---|---|---|---|"
for n in $sizes; do
    make_export "$n" "$root/tmp/log/export.bin"
    bytes=$(stat -c %s "$root/tmp/log/export.bin")
    read -r rss us status < <(env $run_env "$root/rss" "$root/body.txt" "$B/nvr-api.cgi")
    [ "$status" = 0 ] || { echo "the export of $n entries ended with $status" >&2; exit 1; }
    [ -e "$root/tmp/log/export.bin" ] && { echo "the export file of $n entries was not removed" >&2; exit 1; }
    printf '| %d entries (%d MiB export file) | %d KiB | %.2f s | %.0f entries/s |\n' "$n" $((bytes / 1048576)) \
        "$rss" "$(echo "$us / 1000000" | bc -l)" "$(echo "$n / ($us / 1000000)" | bc -l)"
done
echo
echo "machine: $(nproc) cores, $(uname -m), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
