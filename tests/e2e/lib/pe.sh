# What a built Windows executable is made of. Source this file.

OBJDUMP=${OBJDUMP:-i686-w64-mingw32-objdump}

# The DLLs an image imports, one a line, in upper case.
pe_imported_dlls() {
  "$OBJDUMP" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr '[:lower:]' '[:upper:]' | sort -u
}

pe_optional_header_magic() {
  "$OBJDUMP" -p "$1" | sed -n 's/^Magic\s*\([0-9a-f]*\).*/\1/p'
}

pe_subsystem() {
  "$OBJDUMP" -p "$1" | sed -n 's/^Subsystem\s*[0-9a-f]*\s*(\(.*\))/\1/p'
}

pe_format() {
  "$OBJDUMP" -f "$1" | sed -n 's/.*file format \(\S*\).*/\1/p'
}

# How often a byte sequence, given as a Perl regular expression (\xNN escapes), occurs.
count_bytes() {
  LC_ALL=C grep -obUaP "$2" "$1" | wc -l
}

# A text as the UTF-16LE bytes of resource names and version strings, as a pattern.
utf16_pattern() {
  local text=$1 pattern="" i
  for ((i = 0; i < ${#text}; i++)); do pattern+="${text:i:1}\\x00"; done
  echo "$pattern"
}

# An image's certificate table as "file-offset size", read from its data directory (both 0 in
# an unsigned image).
pe_certificate_table() {
  local pe magic directory
  pe=$(LC_ALL=C od -An -tu4 -j 60 -N4 "$1" | tr -d ' ')
  magic=$(LC_ALL=C od -An -tx2 -j $((pe + 24)) -N2 "$1" | tr -d ' ')
  # The data directories follow 96 bytes of PE32 fields or 112 of PE32+; the certificate table
  # is their fifth entry.
  if [ "$magic" = 020b ]; then directory=$((pe + 24 + 112)); else directory=$((pe + 24 + 96)); fi
  LC_ALL=C od -An -tu4 -j $((directory + 4 * 8)) -N8 "$1" | awk '{ print $1, $2 }'
}
