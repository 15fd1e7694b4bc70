#!/usr/bin/env bash
# Builds the fuzz targets (clang-14, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in their own build directory and runs each one
# for SECONDS_PER_TARGET seconds (default 60), one after the other on one
# core. Prints executions and findings per target; exits non-zero when any
# target found a crash, a leak, a sanitizer report, a time-out or ran out of
# memory. Findings (the inputs that caused them) are kept in
# BUILD/findings/<target>/; new corpus entries in BUILD/corpus/<target>/.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Environment: NVR_FUZZ_BUILD (build directory, default build-fuzz),
# NVR_FUZZ_JOBS (build jobs, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
case "$secs" in ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]" >&2; exit 2 ;; esac
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_multipart fuzz_frame fuzz_reply fuzz_intake)
build=${NVR_FUZZ_BUILD:-build-fuzz}
start=$(date +%s)

scripts/deps.sh fuzz
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DNVR_FUZZ=ON -DNVR_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build "$build" -j"${NVR_FUZZ_JOBS:-2}" --target "${targets[@]}"
built=$(date +%s)

# Per-target options: the largest input worth trying, and a dictionary.
options() {
  case "$1" in
    fuzz_multipart) echo "-max_len=65536" ;;
    fuzz_intake) echo "-max_len=40960 -dict=fuzz/intake.dict" ;;
    fuzz_reply) echo "-max_len=8192" ;;
    *) echo "-max_len=4096" ;;
  esac
}

# The intake target runs with a PATH of fake tools only: name the symbolizer.
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Scratch files of the targets (their NVR_ROOT, uploads) go to a directory of
# this run, in memory when /dev/shm exists, removed at the end even when a
# target died before cleaning up.
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
scratch=$(mktemp -d "$base/nvr-fuzz-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=0
summary=()
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  findings="$build/findings/$t"
  log="$build/findings/$t.log"
  mkdir -p "$work" "$findings"
  touch "$findings/.start"
  echo "== $t: ${secs}s"
  set +e
  # shellcheck disable=SC2046
  TMPDIR="$scratch" "$build/$t" $(options "$t") -max_total_time="$secs" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) -newer "$findings/.start" 2>/dev/null | wc -l)
  # A report without an artifact (e.g. a sanitizer report at exit) counts too.
  if [ "$rc" -ne 0 ] && [ "$found" -eq 0 ]; then found=1; fi
  if [ "$found" -ne 0 ]; then
    failed=1
    grep -E '^==[0-9]+==ERROR|^SUMMARY|runtime error|INVARIANT|^artifact_prefix|Test unit written' "$log" | head -20 || true
    echo "   full log: $log"
  fi
  line=$(printf '%-16s executions %10s  %6s exec/s  findings %s' "$t" "${execs:-0}" "${rate:-0}" "$found")
  echo "   $line"
  summary+=("$line")
done

end=$(date +%s)
echo
echo "fuzz summary (${secs}s per target; build $((built - start))s, total $((end - start))s):"
printf '  %s\n' "${summary[@]}"
exit $failed
