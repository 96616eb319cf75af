# "/UNINSTALL" in a prefix where run_install_checks has just installed the sample package.
# Source this file after install-checks.sh.

# run_uninstall_checks LABEL PREFIX SETUP PROGRAM_FILES REGISTRY_KEY REG_VIEW
#   REG_VIEW: the `reg` option that reaches the view the installer uses (/reg:32 or /reg:64).
run_uninstall_checks() {
  local label=$1 prefix=$2 setup=$3 programFiles=$4 key=$5 view=$6
  local drive=$prefix/drive_c status
  [ -f "$drive/Setup.exe" ] || { fail "$label: the installed prefix is there"; return; }

  local recorded name
  recorded=$(ledger_values "$prefix/system.reg" "$key" | sed 's/.*=//')

  # A record this installer did not write, pointing outside the install root: its folder and
  # files must survive.
  mkdir -p "$drive/keepme"
  echo "not ours" >"$drive/keepme/x.inf"
  echo "not ours" >"$drive/keepme/keep.txt"
  WINEPREFIX=$prefix WINEDEBUG=-all timeout 60 "$WINE64_LOADER" reg add \
    "HKLM\\Software\\TOLMA\\INF" /v 'C:\keepme\x.inf' /t REG_SZ /d planted.inf /f "$view" \
    >/dev/null 2>&1
  WINEPREFIX=$prefix "$WINESERVER" -w

  wine_run "$prefix" 60 "$setup" 'C:\Setup.exe' /UNINSTALL
  status=$?
  check_equal "$label: Setup.exe /UNINSTALL exits with 0" 0 "$status"
  check "$label: the ledger key is kept" grep -q "^\[${key//\\/\\\\}\]" "$prefix/system.reg"
  check_equal "$label: the ledger holds no value" "" \
    "$(ledger_values "$prefix/system.reg" "$key")"
  for name in $recorded; do
    check "$label: $name is withdrawn from the driver store" test ! -e "$drive/windows/inf/$name"
  done
  check "$label: the install folders are gone" \
    test ! -e "$drive/$programFiles/TOLMA/Common Drivers"
  check "$label: the TOLMA folder stays" test -d "$drive/$programFiles/TOLMA"
  check "$label: a planted record outside the install root leaves its files alone" \
    test -f "$drive/keepme/x.inf" -a -f "$drive/keepme/keep.txt"

  wine_run "$prefix" 60 "$setup" 'C:\Setup.exe' /UNINSTALL
  status=$?
  check_equal "$label: a second /UNINSTALL is harmless and exits with 0" 0 "$status"
}
