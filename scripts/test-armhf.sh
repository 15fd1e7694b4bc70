#!/usr/bin/env bash
# Cross-builds the programs and the tests for the recorder's processor (32-bit
# ARM, Debian armhf), runs the whole test suite under qemu-arm (the
# end-to-end tests run the armhf CGI program and the armhf emulator), and
# reports the size of the stripped static armhf CGI program.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
want=(g++-arm-linux-gnueabihf qemu-user libjson-c-dev:armhf libsqlite3-dev:armhf libgtest-dev:armhf libssl-dev:armhf)
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx armhf || $SUDO dpkg --add-architecture armhf
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
scripts/deps.sh build

cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/armhf-toolchain.cmake -DCMAKE_BUILD_TYPE=Release \
      -DNVR_WERROR=ON >/dev/null
cmake --build build-armhf -j"$(nproc)"
arm-linux-gnueabihf-strip -o build-armhf/nvr-api.cgi.stripped build-armhf/nvr-api.cgi
# The program the device starts on every request: at most 2 MiB.
cgi_size=$(stat -c %s build-armhf/nvr-api.cgi.stripped)
cgi_limit=2097152
echo "armhf nvr-api.cgi, static and stripped: $cgi_size bytes (limit $cgi_limit)"
if [ "$cgi_size" -gt "$cgi_limit" ]; then
  echo "armhf nvr-api.cgi is larger than $cgi_limit bytes" >&2
  exit 1
fi
ctest --test-dir build-armhf -j"$(nproc)" --output-on-failure
