#!/usr/bin/env bash
# Size of DriverInstall.exe without payload, and the DLLs it imports.
#   bench/stub-size.sh [DriverInstall.exe]      (default: the win32 preset's build)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
stub=${1:-$repo/build/win32/DriverInstall.exe}
[ -f "$stub" ] || { cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null; }
echo "$(basename "$stub"): $(stat -c %s "$stub") bytes"
echo "imports: $(i686-w64-mingw32-objdump -p "$stub" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')"
