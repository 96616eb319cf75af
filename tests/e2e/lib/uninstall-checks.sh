# "/UNINSTALL" in a prefix where run_install_checks has just installed the sample package.
# Source this file after install-checks.sh.

# A record this installer did not write, pointing outside the install root: the uninstallation
# forgets it, but its folder and files must survive.
PLANTED_NAME='C:\keepme\x.inf'
PLANTED_FILES="x.inf keep.txt sub/y.sys"

# Whether a prefix's system.reg holds a key, with or without values.
registry_has_key() {
  HEADER="[$2]" awk '
    BEGIN { header = ENVIRON["HEADER"] }
    index($0, header " ") == 1 || $0 == header { found = 1; exit }
    END { exit !found }
  ' "$1"
}

# Whether no INF in the driver store has the content of one of the package's INFs, whatever
# name the store gave it.
store_lacks_package_infs() {
  local store=$1/drive_c/windows/inf package=$2 copy source
  for copy in "$store"/*.[iI][nN][fF]; do
    while IFS= read -r source; do
      cmp -s "$copy" "$source" && return 1
    done < <(find "$package" -type f -iname '*.inf')
  done
  return 0
}

# check_ledger_empty LABEL PREFIX REGISTRY_KEY: the key stays, without a value.
check_ledger_empty() {
  check "$1: the ledger key is kept" registry_has_key "$2/system.reg" "$3"
  check_equal "$1: the ledger holds no value" "" "$(ledger_values "$2/system.reg" "$3")"
}

# run_uninstall_checks LABEL PREFIX ARCH SETUP PACKAGE PROGRAM_FILES REGISTRY_KEY REG_VIEW
#   ARCH: the prefix's (win32 or win64); REG_VIEW: the `reg` option that reaches the view the
#   installer uses (/reg:32 or /reg:64).
run_uninstall_checks() {
  local label=$1 prefix=$2 arch=$3 setup=$4 package=$5 programFiles=$6 key=$7 view=$8
  local drive=$prefix/drive_c status file
  [ -f "$drive/Setup.exe" ] || { fail "$label: the installed prefix is there"; return; }

  local keep=$drive/keepme expected=$prefix/keepme.expected
  rm -rf "$keep" "$expected"
  for file in $PLANTED_FILES; do
    mkdir -p "$(dirname "$keep/$file")"
    echo "not ours: $file" >"$keep/$file"
  done
  cp -a "$keep" "$expected"
  wine_reg "$prefix" "$arch" add 'HKLM\Software\TOLMA\INF' /v "$PLANTED_NAME" /t REG_SZ \
    /d planted.inf /f "$view"
  local recorded
  recorded=$(ledger_values "$prefix/system.reg" "$key")
  # Planted in another view it would prove nothing.
  check "$label: the planted record is in the installer's registry view" \
    grep -qxF "$PLANTED_NAME=planted.inf" <<<"$recorded"

  wine_run "$prefix" 60 "$setup" 'C:\Setup.exe' /UNINSTALL
  status=$?
  check_equal "$label: Setup.exe /UNINSTALL exits with 0" 0 "$status"
  check_ledger_empty "$label" "$prefix" "$key"
  local name
  for name in $(sed -n 's/.*=//p' <<<"$recorded"); do
    [ "$name" = planted.inf ] && continue
    check "$label: $name is withdrawn from the driver store" test ! -e "$drive/windows/inf/$name"
  done
  check "$label: no INF in the driver store has the content of one of ours" \
    store_lacks_package_infs "$prefix" "$package"
  check "$label: the install folders are gone" \
    test ! -e "$drive/$programFiles/TOLMA/Common Drivers"
  check "$label: the TOLMA folder stays" test -d "$drive/$programFiles/TOLMA"
  check "$label: a planted record outside the install root leaves its folder and files alone" \
    diff -r "$expected" "$keep"

  wine_run "$prefix" 60 "$setup" 'C:\Setup.exe' /UNINSTALL
  status=$?
  check_equal "$label: a second /UNINSTALL is harmless and exits with 0" 0 "$status"
  check_ledger_empty "$label, after the second /UNINSTALL" "$prefix" "$key"
  check "$label: after the second /UNINSTALL the TOLMA folder stays" \
    test -d "$drive/$programFiles/TOLMA"
  check "$label: after the second /UNINSTALL the planted files are still there" \
    diff -r "$expected" "$keep"
}
