#!/usr/bin/env bash
# Peak heap memory of loading and collecting an installer archive, as a ratio to its size.
#   bench/peak-memory.sh [records] [bytes per record]   (default: 2000 x 32 KiB, about 64 MB)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
cmake --build build/release -j2 --target archive_peak_memory >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && "$root/build/release/bench/archive_peak_memory" "$@"
