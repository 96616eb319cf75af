# The installer run in a fresh Wine prefix: first the bare stub, then the packed installer.
# Source this file after checks.sh and wine-env.sh.

# FILETIME ticks (100 ns since 1601) of a file's last-write time.
file_ticks() {
  local ns
  ns=$(date -r "$1" +%s%N)
  echo $((ns / 100 + 116444736000000000))
}

# The values of a key in a prefix's system.reg, one "name=data" a line, unescaped.
ledger_values() {
  local registry=$1 key=$2
  # Through the environment: awk -v would take the backslashes as escapes.
  HEADER="[$key]" awk '
    BEGIN { header = ENVIRON["HEADER"] }
    index($0, header " ") == 1 || $0 == header { inside = 1; next }
    inside && /^\[/ { exit }
    inside && /^"/ { print }
  ' "$registry" | sed 's/^"\(.*\)"="\(.*\)"$/\1=\2/; s/\\\\/\\/g'
}

# run_install_checks LABEL PREFIX ARCH STUB SETUP PACKAGE PROGRAM_FILES REGISTRY_KEY
#   ARCH: win32 or win64; PROGRAM_FILES: the Windows name of the Program Files folder the
#   installer sees ("Program Files" or "Program Files (x86)"); REGISTRY_KEY: the ledger as
#   system.reg spells it.
run_install_checks() {
  local label=$1 prefix=$2 arch=$3 stub=$4 setup=$5 package=$6 programFiles=$7 key=$8
  local drive=$prefix/drive_c status

  if ! wine_make_prefix "$prefix" "$arch"; then
    fail "$label: create the prefix"
    return
  fi
  local storeBefore
  storeBefore=$(ls "$drive/windows/inf")

  cp "$stub" "$drive/DriverInstall.exe"
  wine_run "$prefix" 60 "$stub" 'C:\DriverInstall.exe'
  status=$?
  check_equal "$label: the stub without payload exits with 1" 1 "$status"
  check "$label: the stub without payload writes no files" \
    test ! -e "$drive/Program Files/TOLMA" -a ! -e "$drive/Program Files (x86)/TOLMA"
  check "$label: the stub without payload writes no ledger" \
    sh -c "! grep -q 'TOLMA' '$prefix/system.reg'"
  check_equal "$label: the stub without payload publishes nothing" "$storeBefore" \
    "$(ls "$drive/windows/inf")"

  cp "$setup" "$drive/Setup.exe"
  local started=$SECONDS
  wine_run "$prefix" 60 "$setup" 'C:\Setup.exe'
  status=$?
  check_equal "$label: Setup.exe exits by itself with 0" 0 "$status"
  echo "INFO: $label: Setup.exe ran for about $((SECONDS - started)) s, Wine's start included"

  local root="$drive/$programFiles/TOLMA/Common Drivers" relative
  while IFS= read -r relative; do
    local installed="$root/$relative"
    if [ ! -f "$installed" ]; then
      fail "$label: $relative is installed"
      continue
    fi
    check "$label: $relative has its content" cmp -s "$package/$relative" "$installed"
    check_equal "$label: $relative has its last-write time to the 100 ns" \
      "$(file_ticks "$package/$relative")" "$(file_ticks "$installed")"
  done < <(cd "$package" && find . -type f | sed 's|^\./||' | sort)

  local values infCount windowsRoot="C:\\$programFiles\\TOLMA\\Common Drivers\\"
  values=$(ledger_values "$prefix/system.reg" "$key")
  infCount=$(cd "$package" && find . -type f -iname '*.inf' | wc -l)
  check_equal "$label: the ledger holds one value per INF" "$infCount" \
    "$(printf '%s' "$values" | grep -c .)"
  while IFS= read -r relative; do
    local name="$windowsRoot${relative//\//\\}" published
    published=$(printf '%s\n' "$values" | NAME=$name awk \
      'index($0, ENVIRON["NAME"] "=") == 1 { print substr($0, length(ENVIRON["NAME"]) + 2) }')
    if [ -z "$published" ]; then
      fail "$label: the ledger records $relative"
      continue
    fi
    pass "$label: the ledger records $relative as $published"
    check "$label: the driver store holds $published, a copy of $relative" \
      cmp -s "$package/$relative" "$drive/windows/inf/$published"
  done < <(cd "$package" && find . -type f -iname '*.inf' | sed 's|^\./||' | sort)
}
