#!/usr/bin/env bash
# Builds the installer for 64-bit Windows into BUILD_DIR (default build/win64 under the
# repository), for running it under Wine on machines that cannot run 32-bit programs.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build/win64}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$repo/tests/e2e/mingw-x86_64.cmake" >/dev/null
cmake --build "$build" -j2 --target DriverInstall >/dev/null
echo "$build/DriverInstall.exe"
