# Signed installers: a throw-away code-signing certificate, osslsigncode, driverpack verify,
# and the signed installer run under Wine. Source this file after install-checks.sh.

# make_signing_key DIR: a self-signed code-signing certificate and its key, for tests only.
make_signing_key() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1/key.pem" -out "$1/cert.pem" -days 2 \
    -subj "/CN=TOLMA test signing" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
}

# package_with_residue SOURCE TARGET RESIDUE STUB: a copy of the package whose archive length
# modulo 8 is RESIDUE (README.md grows by the bytes needed), since signing pads the archive to
# a multiple of 8 before the certificate table.
package_with_residue() {
  local source=$1 target=$2 residue=$3 stub=$4 probe length
  rm -rf "$target"
  cp -a "$source" "$target"
  probe=$(mktemp)
  "$driverpack" build --force --stub "$stub" --output "$probe" "$target" >/dev/null || return 1
  length=$(($(stat -c %s "$probe") - $(stat -c %s "$stub")))
  rm -f "$probe"
  local add=$(((residue - length % 8 + 8) % 8)) stamp
  stamp=$(date -r "$target/README.md" +%s.%N)
  head -c "$add" /dev/zero | tr '\0' ' ' >>"$target/README.md"
  touch -d "@$stamp" "$target/README.md"
}

# run_signing_checks LABEL WORK STUB PACKAGE ARCH PROGRAM_FILES REGISTRY_KEY [RUN]
#   RUN: "run" (the default) also installs the signed installer under Wine; "file-only" checks
#   only the signed file, for a build this machine cannot run.
run_signing_checks() {
  local label=$1 work=$2 stub=$3 package=$4 arch=$5 programFiles=$6 key=$7 run=${8:-run}
  mkdir -p "$work"
  if ! make_signing_key "$work"; then
    fail "$label: make a throw-away code-signing certificate"
    return
  fi
  local residue
  for residue in 0 7; do
    local name="$label, archive length $residue mod 8" copy=$work/package-$residue
    local unsigned=$work/Setup-$residue.exe signed=$work/Setup-$residue-signed.exe report
    package_with_residue "$package" "$copy" "$residue" "$stub" || {
      fail "$name: pack the package"
      continue
    }
    "$driverpack" build --force --stub "$stub" --output "$unsigned" "$copy" >/dev/null
    check_equal "$name: the archive length has that residue" "$residue" \
      $((($(stat -c %s "$unsigned") - $(stat -c %s "$stub")) % 8))
    rm -f "$signed"
    check "$name: osslsigncode signs the packed installer" sh -c \
      "osslsigncode sign -certs '$work/cert.pem' -key '$work/key.pem' -n 'TOLMA Driver Install' \
         -in '$unsigned' -out '$signed' >/dev/null 2>&1"
    check "$name: osslsigncode verify accepts the signature" sh -c \
      "osslsigncode verify -CAfile '$work/cert.pem' -in '$signed' >/dev/null 2>&1"
    report=$("$driverpack" verify "$signed" 2>&1)
    check "$name: driverpack verify accepts the signed installer" \
      sh -c "'$driverpack' verify '$signed' >/dev/null 2>&1"
    check "$name: driverpack verify reports the certificate table after the archive" \
      grep -q "the archive ends before the certificate table" <<<"$report"
    local padding=$(((8 - residue) % 8))
    if [ "$padding" -eq 0 ]; then
      check "$name: no padding before the certificate table" \
        grep -q "then the certificate table\|after the archive: the certificate table" <<<"$report"
    else
      check "$name: zero padding ($padding of at most 7 bytes) before the certificate table" \
        grep -q "$padding bytes\? of zero padding" <<<"$report"
    fi
    [ "$run" = run ] && run_install_checks "$name, signed" "$work/prefix-$residue" "$arch" \
      "$stub" "$signed" "$copy" "$programFiles" "$key"
  done
}
