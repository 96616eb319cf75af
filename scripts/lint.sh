#!/usr/bin/env bash
# clang-format and clang-tidy over our own sources. clang-tidy reads the native build's
# compile database, so configure that preset first.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files clean"

[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null
# Only translation units the native build compiles (the Windows layer is checked by its compiler).
mapfile -t units < <(printf '%s\n' "${sources[@]}" | grep '\.cpp$' | grep -v -e '^platform/win32/' -e '^app/' -e 'Win32\.cpp$' -e '^fuzz/')
run-clang-tidy -quiet -p build/native -j "$(nproc)" "${units[@]/#/$PWD/}" >/tmp/clang-tidy.log 2>&1 || {
  grep -E 'warning:|error:' /tmp/clang-tidy.log | sort -u | head -50
  echo "clang-tidy: findings above" >&2
  exit 1
}
echo "clang-tidy: ${#units[@]} files clean"
