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
  # 0 and 7 run under Wine; 1 leaves the most padding, 7 bytes.
  for residue in 0 7 1; do
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
    echo "INFO: $name: without -CAfile osslsigncode verify says:" \
      "$(osslsigncode verify -in "$signed" 2>&1 | grep -m1 -o 'Error: .*')"
    check_signature_placement "$name" "$stub" "$unsigned" "$signed"
    check_equal "$name: driverpack list shows the same files signed and unsigned" \
      "$("$driverpack" list "$unsigned")" "$("$driverpack" list "$signed")"
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
    [ "$run" = run ] && [ "$residue" != 1 ] && run_install_checks "$name, signed" \
      "$work/prefix-$residue" "$arch" "$stub" "$signed" "$copy" "$programFiles" "$key"
  done
}

# check_signature_placement LABEL STUB UNSIGNED SIGNED: where the image's own data directory
# puts the certificate table, independently of driverpack: after the archive (which runs from
# the stub's end to the unsigned file's end), 8-aligned, behind at most 7 zero bytes, and
# ending the file.
check_signature_placement() {
  local label=$1 stub=$2 unsigned=$3 signed=$4 archiveStart archiveEnd table offset size gap
  archiveStart=$(stat -c %s "$stub")
  archiveEnd=$(stat -c %s "$unsigned")
  table=$(pe_certificate_table "$signed")
  offset=${table% *} size=${table#* }
  gap=$((offset - archiveEnd))
  if [ "$gap" -lt 0 ] || [ "$gap" -gt 7 ] || [ $((offset % 8)) -ne 0 ]; then
    fail "$label: the certificate table starts 8-aligned, 0 to 7 bytes after the archive" \
      "(at offset $offset, the archive ends at $archiveEnd)"
  else
    pass "$label: the certificate table starts 8-aligned, $gap bytes after the archive"
    check_equal "$label: the $gap bytes between the archive and the certificate table are zero" \
      "" "$(LC_ALL=C od -An -tx1 -j "$archiveEnd" -N "$gap" "$signed" | tr -d ' 0\n')"
  fi
  check_equal "$label: the certificate table ends the file" "$(stat -c %s "$signed")" \
    $((offset + size))
  check "$label: signing leaves the archive's bytes as they were" \
    cmp -s -i "$archiveStart" -n $((archiveEnd - archiveStart)) "$unsigned" "$signed"
}
