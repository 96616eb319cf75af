# Running Windows programs under Wine headless, in prefixes of our own. Source this file.
#
# Debian's /usr/bin/wine always starts the 32-bit loader when it is installed, so the loaders
# are picked here by the program's architecture and the prefix's.

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Whether this machine can start Wine's 32-bit loader: a kernel without 32-bit support cannot.
wine_can_run_32bit() {
  "$WINE32_LOADER" --version >/dev/null 2>&1
}

# The loader for a Windows program: the 32-bit one for PE32 images, the 64-bit one for PE32+.
wine_loader_for() {
  if LC_ALL=C od -An -tx1 -j "$(pe_optional_header_offset "$1")" -N2 "$1" | grep -q '0b 02'; then
    echo "$WINE64_LOADER"
  else
    echo "$WINE32_LOADER"
  fi
}

# The file offset of a PE image's optional header (its magic: 0x10b for PE32, 0x20b for PE32+).
pe_optional_header_offset() {
  local pe
  pe=$(LC_ALL=C od -An -tu4 -j 60 -N4 "$1" | tr -d ' ')
  echo $((pe + 24))
}

# Creates a fresh prefix: wine_make_prefix DIR win32|win64. Nothing asks to install Mono or
# Gecko, and no window stays open.
wine_make_prefix() {
  local dir=$1 arch=$2 loader=$WINE64_LOADER
  [ "$arch" = win32 ] && loader=$WINE32_LOADER
  # A server still serving an old prefix there would write into the new one.
  [ -d "$dir" ] && WINEPREFIX=$dir "$WINESERVER" -k >/dev/null 2>&1
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  WINEPREFIX=$dir WINEARCH=$arch WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all \
    timeout 300 "$loader" wineboot -i >/dev/null 2>&1 || return 1
  WINEPREFIX=$dir "$WINESERVER" -w
}

# Runs a program in a prefix, bounded in time, and waits until the prefix's files are written:
# wine_run PREFIX SECONDS IMAGE PROGRAM [ARGS...], where IMAGE is the program's file as Linux
# sees it (its architecture picks the loader) and PROGRAM its Windows path. The status is the
# program's exit code (124 when the time ran out).
wine_run() {
  local dir=$1 seconds=$2 image=$3 program=$4
  shift 4
  local loader status
  loader=$(wine_loader_for "$image")
  WINEPREFIX=$dir WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all \
    timeout "$seconds" "$loader" "$program" "$@" >/dev/null 2>&1
  status=$?
  # The services that Wine started end too, and the registry reaches system.reg.
  WINEPREFIX=$dir "$WINESERVER" -k >/dev/null 2>&1
  WINEPREFIX=$dir "$WINESERVER" -w
  return $status
}

# Runs Wine's reg.exe with the prefix's own loader, then waits until the registry is written:
# wine_reg PREFIX win32|win64 ARGS... (/reg:32 or /reg:64 among them picks the view).
wine_reg() {
  local dir=$1 arch=$2 loader=$WINE64_LOADER status
  shift 2
  [ "$arch" = win32 ] && loader=$WINE32_LOADER
  WINEPREFIX=$dir WINEDEBUG=-all timeout 60 "$loader" reg "$@" >/dev/null 2>&1
  status=$?
  WINEPREFIX=$dir "$WINESERVER" -k >/dev/null 2>&1
  WINEPREFIX=$dir "$WINESERVER" -w
  return $status
}
