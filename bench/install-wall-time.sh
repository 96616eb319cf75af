#!/usr/bin/env bash
# Wall time of a whole installation of the sample package under Wine, next to two floors run in
# the same prefix: an empty program, and one that only opens a window (Wine starts its desktop
# process for a program's first window, which costs seconds). The difference to the second is
# what the installer's own work costs. The installer's job ends with its one-second pause
# before the window closes; that second is part of its figure.
#
#   bench/install-wall-time.sh [runs]      (default 5; the medians are printed)
# Needs the win32 and native presets built (make win32 native).
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
work=$repo/build/bench-wine
driverpack=$repo/build/native/tools/driverpack/driverpack
# An X server of our own, on a desktop too, so that no window manager joins the figure.
if [ -z "${BENCH_XVFB:-}" ]; then
  BENCH_XVFB=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
source "$repo/scripts/wine-env.sh"
mkdir -p "$work"

# The real installer is 32-bit; where 32-bit programs cannot run, its 64-bit build stands in.
stub=$repo/build/win32/DriverInstall.exe arch=win64 cc=i686-w64-mingw32-gcc-win32
if ! wine_can_run_32bit; then
  stub=$("$repo/tests/e2e/build-win64.sh" "$repo/build/win64") || exit 1
  cc=x86_64-w64-mingw32-gcc-win32
  echo "this machine cannot run 32-bit programs: timing the 64-bit build of the same sources"
fi
"$driverpack" build --force --stub "$stub" --output "$work/Setup.exe" "$repo/examples" >/dev/null ||
  exit 1
cat >"$work/empty.c" <<'PROGRAM'
#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
#ifdef OPEN_WINDOW
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 392, 123, NULL, NULL, NULL, NULL);
  MSG message;
  while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  DestroyWindow(window);
#endif
  return 0;
}
PROGRAM
"$cc" -O2 -s -mwindows -o "$work/empty.exe" "$work/empty.c" || exit 1
"$cc" -O2 -s -mwindows -DOPEN_WINDOW -o "$work/window.exe" "$work/empty.c" || exit 1

prefix=$work/prefix
wine_make_prefix "$prefix" "$arch" || exit 1
cp "$work/Setup.exe" "$work/empty.exe" "$work/window.exe" "$prefix/drive_c/"

# time_ms IMAGE PROGRAM [ARGS...]: milliseconds of one run, from start to the prefix at rest.
time_ms() {
  local started ended
  started=$(date +%s%N)
  wine_run "$prefix" 60 "$@"
  local status=$?
  ended=$(date +%s%N)
  [ "$status" -eq 0 ] || { echo "run failed with $status: $*" >&2; return 1; }
  echo $(((ended - started) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

empty=() window=() install=()
for _ in $(seq 1 "$runs"); do
  empty+=("$(time_ms "$work/empty.exe" 'C:\empty.exe')") || exit 1
  window+=("$(time_ms "$work/window.exe" 'C:\window.exe')") || exit 1
  install+=("$(time_ms "$work/Setup.exe" 'C:\Setup.exe')") || exit 1
  # Each installation starts from a machine without the package.
  wine_run "$prefix" 60 "$work/Setup.exe" 'C:\Setup.exe' /UNINSTALL || exit 1
done
bare=$(printf '%s\n' "${empty[@]}" | median)
floor=$(printf '%s\n' "${window[@]}" | median)
whole=$(printf '%s\n' "${install[@]}" | median)
echo "empty program under Wine:           median $bare ms of $runs runs (${empty[*]})"
echo "program opening one window (floor): median $floor ms of $runs runs (${window[*]})"
echo "installation of examples/:          median $whole ms of $runs runs (${install[*]})"
echo "the installer's own cost:           $((whole - floor)) ms, of which 1000 ms is its closing pause"
