#!/usr/bin/env bash
# End-to-end tests of the installer under Wine, headless: the built stub's make-up, then the
# sample package packed with driverpack and installed in a fresh 32-bit prefix and in a fresh
# 64-bit prefix (where the installer runs under WOW64).
#
#   tests/e2e/run.sh [--stub DriverInstall.exe] [--driverpack PATH] [--work DIR]
#
# Defaults: build/win32/DriverInstall.exe, build/native/tools/driverpack/driverpack and
# build/e2e under the repository. Where the kernel cannot run 32-bit programs (Wine's 32-bit
# loader among them), the two 32-bit runs are skipped, and the same sources built for 64-bit
# Windows are installed in a 64-bit prefix instead, so that the installer still meets Wine.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

stub=$repo/build/win32/DriverInstall.exe
driverpack=$repo/build/native/tools/driverpack/driverpack
work=$repo/build/e2e
while [ $# -gt 0 ]; do
  case $1 in
    --stub) stub=$2; shift 2 ;;
    --driverpack) driverpack=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "usage: $0 [--stub FILE] [--driverpack FILE] [--work DIR]" >&2; exit 2 ;;
  esac
done

# Wine takes only absolute prefixes.
stub=$(realpath -m "$stub")
driverpack=$(realpath -m "$driverpack")
work=$(realpath -m "$work")

# One X server of our own for the whole run, on a desktop too: the same screen everywhere.
if [ -z "${E2E_XVFB:-}" ]; then
  E2E_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --stub "$stub" --driverpack "$driverpack" \
    --work "$work"
fi

source "$repo/scripts/wine-env.sh"
source "$here/lib/checks.sh"
source "$here/lib/pe.sh"
source "$here/lib/exe-checks.sh"
source "$here/lib/install-checks.sh"
source "$here/lib/uninstall-checks.sh"
source "$here/lib/signing-checks.sh"

for tool in "$stub" "$driverpack"; do
  if [ ! -x "$tool" ] && [ ! -f "$tool" ]; then
    echo "missing $tool: build the win32 and native presets first" >&2
    exit 2
  fi
done

run_exe_checks "$stub"

# The sample package, each file stamped with a time of its own that has 100 ns digits, so
# that a time rounded to seconds or to microseconds shows.
package=$work/package
rm -rf "$package"
mkdir -p "$work"
cp -r "$repo/examples" "$package"
seconds=1430347196  # 2015-04-29 22:39:56 UTC
while IFS= read -r file; do
  touch -d "@$seconds.1234567" "$file"
  seconds=$((seconds + 3599))
done < <(find "$package" -type f | sort)

# pack STUB SETUP: the sample package onto a stub.
pack() {
  rm -f "$2"
  check "driverpack packs the sample package onto $(basename "$1")" \
    sh -c "'$driverpack' build --stub '$1' --output '$2' '$package' >/dev/null"
}

pack "$stub" "$work/Setup.exe"
if wine_can_run_32bit; then
  run_install_checks "32-bit prefix" "$work/prefix-win32" win32 "$stub" "$work/Setup.exe" \
    "$package" "Program Files" 'Software\\TOLMA\\INF'
  run_uninstall_checks "32-bit prefix" "$work/prefix-win32" win32 "$work/Setup.exe" "$package" \
    "Program Files" 'Software\\TOLMA\\INF' /reg:32
  run_install_checks "64-bit prefix" "$work/prefix-win64" win64 "$stub" "$work/Setup.exe" \
    "$package" "Program Files (x86)" 'Software\\Wow6432Node\\TOLMA\\INF'
  run_uninstall_checks "64-bit prefix" "$work/prefix-win64" win64 "$work/Setup.exe" "$package" \
    "Program Files (x86)" 'Software\\Wow6432Node\\TOLMA\\INF' /reg:32
  run_signing_checks "signed, 64-bit prefix" "$work/signed" "$stub" "$package" win64 \
    "Program Files (x86)" 'Software\\Wow6432Node\\TOLMA\\INF'
else
  skip "32-bit prefix: this machine cannot run 32-bit programs"
  skip "64-bit prefix (WOW64): this machine cannot run 32-bit programs"
  run_signing_checks "signed, 32-bit build" "$work/signed32" "$stub" "$package" win64 \
    "Program Files (x86)" 'Software\\Wow6432Node\\TOLMA\\INF' file-only
  if stub64=$("$here/build-win64.sh" "$repo/build/win64"); then
    pack "$stub64" "$work/Setup64.exe"
    run_install_checks "64-bit prefix, 64-bit build" "$work/prefix-win64" win64 "$stub64" \
      "$work/Setup64.exe" "$package" "Program Files" 'Software\\TOLMA\\INF'
    run_uninstall_checks "64-bit prefix, 64-bit build" "$work/prefix-win64" win64 \
      "$work/Setup64.exe" "$package" "Program Files" 'Software\\TOLMA\\INF' /reg:64
    run_signing_checks "signed, 64-bit build" "$work/signed" "$stub64" "$package" win64 \
      "Program Files" 'Software\\TOLMA\\INF'
  else
    fail "build the installer for 64-bit Windows"
  fi
fi

finish_checks
