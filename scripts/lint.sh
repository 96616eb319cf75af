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
echo "clang-tidy: ${#units[@]} native files clean"

# The Windows layer, through the win32 build's compile database and mingw-w64's headers.
[ -f build/win32/compile_commands.json ] || cmake --preset win32 >/dev/null
gxx=/usr/lib/gcc/i686-w64-mingw32/$(i686-w64-mingw32-g++-win32 -dumpversion)/include/c++
mapfile -t winunits < <(printf '%s\n' "${sources[@]}" | grep -e '^platform/win32/.*\.cpp$' -e '^app/.*\.cpp$' -e 'Win32\.cpp$')
run-clang-tidy -quiet -p build/win32 -j "$(nproc)" \
  -extra-arg=--target=i686-w64-mingw32 -extra-arg=-isystem"$gxx" \
  -extra-arg=-isystem"$gxx/i686-w64-mingw32" -extra-arg=-isystem/usr/i686-w64-mingw32/include \
  "${winunits[@]/#/$PWD/}" >/tmp/clang-tidy-win32.log 2>&1 || {
  grep -E 'warning:|error:' /tmp/clang-tidy-win32.log | sort -u | head -50
  echo "clang-tidy (win32): findings above" >&2
  exit 1
}
echo "clang-tidy: ${#winunits[@]} Windows files clean"
