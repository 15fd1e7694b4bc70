#!/usr/bin/env bash
# Runs every test: the suite built with warnings as errors, then again with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DNVR_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
# The end-to-end tests keep every reply in build/replies for the contract check.
rm -rf build/replies && mkdir -p build/replies
NVR_REPLY_LOG="$PWD/build/replies" ctest --test-dir build -j"$jobs" --output-on-failure

# The API document, natively only: the OpenAPI linter, every recorded JSON
# reply against its code's schema, and the console in headless chromium.
scripts/deps.sh web
REDOCLY_TELEMETRY=off REDOCLY_SUPPRESS_UPDATE_NOTICE=true npx --no-install redocly lint --config redocly.yaml docs/openapi.json
node scripts/contract-check.js build/replies docs/openapi.json
scripts/console-test.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DNVR_WERROR=ON -DNVR_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
# The FastCGI pass of the end-to-end tests (label fcgi) runs natively only.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure -LE fcgi

# The same suite cross-built for 32-bit ARM and run under qemu-arm.
scripts/test-armhf.sh

# A short fuzzing pass over every target (clang, libFuzzer, ASan, UBSan).
scripts/fuzz.sh "${NVR_FUZZ_SECONDS:-60}"
