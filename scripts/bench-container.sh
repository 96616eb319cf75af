#!/usr/bin/env bash
# Builds the chunk container benchmark with the `release` preset and prints its figures.
#
#   scripts/bench-container.sh [Google Benchmark options...]
#
# BENCH_BUILD_DIR overrides the preset's build folder (build/release), e.g. when that one is
# busy. The benchmark runs twice, because a page touched for the first time costs a page fault
# whatever the code does with it:
#   reused  freed memory stays with the allocator, so the figures show the container's own work;
#   fresh   large blocks come from new pages and go back to the system when freed, as in a
#           process that loads its archive once.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
if [ -n "${BENCH_BUILD_DIR:-}" ]; then
  build="$BENCH_BUILD_DIR"
  cmake --preset release -B "$build" >/dev/null
else
  build="$root/build/release"
  cmake --preset release >/dev/null
fi
cmake --build "$build" -j2 --target container_bench

bench="$build/bench/container_bench"
echo "== memory reused =="
GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=4294967295 \
  "$bench" --benchmark_counters_tabular=true "$@"
echo "== memory fresh =="
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=131072:glibc.malloc.trim_threshold=131072 \
  "$bench" --benchmark_counters_tabular=true "$@"
