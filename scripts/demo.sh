#!/usr/bin/env bash
# The main job, end to end: pack examples/ into build/demo/Setup.exe with driverpack, install it
# under Wine in a fresh prefix (headless), show what it did, take a screenshot of its window,
# then uninstall it and show that nothing is left. `make demo` builds what this needs first.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
demo=$repo/build/demo
stub=$repo/build/win32/DriverInstall.exe
driverpack=$repo/build/native/tools/driverpack/driverpack

# An X server of our own, on a desktop too, so that the screenshot is the same everywhere.
if [ -z "${DEMO_XVFB:-}" ]; then
  DEMO_XVFB=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
source "$repo/scripts/wine-env.sh"
source "$repo/tests/e2e/lib/install-checks.sh"

say() { printf '\n== %s\n' "$*"; }
mkdir -p "$demo"

say "Packing examples/ onto $(basename "$stub") ($(stat -c %s "$stub") bytes)"
"$driverpack" build --force --verbose --stub "$stub" --output "$demo/Setup.exe" "$repo/examples" ||
  exit 1
"$driverpack" list "$demo/Setup.exe" || exit 1

# The installer is a 32-bit program. Where this machine cannot run 32-bit code (Wine's 32-bit
# loader among it), the same sources built for 64-bit Windows stand in for it under Wine.
setup=$demo/Setup.exe arch=win64 programFiles="Program Files (x86)"
key='Software\\Wow6432Node\\TOLMA\\INF'
if ! wine_can_run_32bit; then
  say "This machine cannot run 32-bit programs: running the 64-bit build of the same sources"
  stub64=$("$repo/tests/e2e/build-win64.sh" "$repo/build/win64") || exit 1
  "$driverpack" build --force --stub "$stub64" --output "$demo/Setup-x64.exe" "$repo/examples" \
    >/dev/null || exit 1
  setup=$demo/Setup-x64.exe programFiles="Program Files" key='Software\\TOLMA\\INF'
fi

prefix=$demo/prefix
say "A fresh Wine prefix ($arch) in build/demo/prefix"
wine_make_prefix "$prefix" "$arch" || { echo "demo: wineboot failed" >&2; exit 1; }
drive=$prefix/drive_c
cp "$setup" "$drive/Setup.exe"
loader=$(wine_loader_for "$setup")

# run_setup [ARGS...]: runs C:\Setup.exe, screenshots its window when SHOT is set, and sets
# `status` to its exit code.
run_setup() {
  WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all \
    timeout 60 "$loader" 'C:\Setup.exe' "$@" >/dev/null 2>&1 &
  local pid=$! window=""
  if [ -n "${SHOT:-}" ]; then
    for _ in $(seq 1 300); do
      window=$(xwininfo -root -tree 2>/dev/null | awk '/"TOLMA Driver Install"/ { print $1; exit }')
      [ -n "$window" ] && break
      sleep 0.05
    done
    if [ -n "$window" ]; then
      sleep 0.3  # let it paint its first status text
      import -window "$window" "$SHOT" 2>/dev/null && echo "screenshot of the window: ${SHOT#"$repo"/}"
    else
      echo "demo: the window did not appear; no screenshot" >&2
    fi
  fi
  wait "$pid"
  status=$?
  WINEPREFIX=$prefix "$WINESERVER" -w
}

say "Installing: Setup.exe (no arguments)"
started=$(date +%s.%N)
SHOT=$demo/window.png run_setup
printf 'exit code %s after %.1f s (Wine start included)\n' "$status" \
  "$(echo "$(date +%s.%N) - $started" | bc)"

root="$drive/$programFiles/TOLMA/Common Drivers"
say "Files under C:\\$programFiles\\TOLMA\\Common Drivers\\ with their last-write times (UTC)"
(cd "$root" && find . -type f | sed 's|^\./||' | sort | while IFS= read -r f; do
  printf '%10s  %s  %s\n' "$(stat -c %s "$f")" "$(date -u -r "$f" '+%Y-%m-%d %H:%M:%S.%N' | cut -c1-27)" "$f"
done)

say "Ledger HKLM\\${key//\\\\/\\} (source INF = published copy)"
ledger=$(ledger_values "$prefix/system.reg" "$key")
printf '%s\n' "$ledger"

say "Published copies in C:\\windows\\inf"
published=$(printf '%s\n' "$ledger" | sed 's/.*=//')
for name in $published; do ls -l "$drive/windows/inf/$name" | awk '{ print $5, $NF }' | sed "s|$drive/||"; done

say "Uninstalling: Setup.exe /UNINSTALL"
SHOT="" run_setup /UNINSTALL
echo "exit code $status"
say "What is left"
if [ -e "$root" ]; then echo "still there: $root"; else echo "C:\\$programFiles\\TOLMA\\Common Drivers: gone"; fi
[ -d "$drive/$programFiles/TOLMA" ] && echo "C:\\$programFiles\\TOLMA: kept (empty: $(ls -A "$drive/$programFiles/TOLMA" | wc -l) entries)"
left=$(ledger_values "$prefix/system.reg" "$key")
echo "ledger values: $(printf '%s' "$left" | grep -c .)"
for name in $published; do
  if [ -e "$drive/windows/inf/$name" ]; then echo "still published: $name"; else echo "withdrawn: $name"; fi
done
