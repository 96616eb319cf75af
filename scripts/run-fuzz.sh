#!/usr/bin/env bash
# Runs the chunk loader fuzzer for a bounded time and fails on any finding.
#
#   scripts/run-fuzz.sh [SECONDS]      (default 60)
#
# The fuzzer comes from the `fuzz` preset's build (FUZZ_BUILD_DIR overrides build/fuzz). It
# works on a fresh copy of the seed corpus inside the build folder, so the checked-in corpus is
# never changed; crashing inputs are left in that folder's artifacts/.
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "run-fuzz: SECONDS must be a positive whole number, not '$seconds'" >&2
  exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build/fuzz}"
fuzzer="$build/fuzz/container_fuzzer"
if [ ! -x "$fuzzer" ]; then
  echo "run-fuzz: $fuzzer is not built (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
  exit 2
fi

work="$build/fuzz-run"
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$root/fuzz/corpus/"* "$work/corpus/"

status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" || status=$?

findings=$(find "$work/artifacts" -type f | wc -l)
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
  echo "run-fuzz: FAILED (exit status $status, $findings finding(s) in $work/artifacts)" >&2
  exit 1
fi
echo "run-fuzz: no findings in ${seconds} s"
