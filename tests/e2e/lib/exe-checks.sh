# Checks of the built installer stub itself. Source this file after checks.sh and pe.sh.

# The DLLs the stub may import: system DLLs only (msvcrt is mingw-w64's C runtime).
ALLOWED_IMPORTS="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL"

run_exe_checks() {
  local stub=$1 dll
  check_equal "stub is a PE32 image" 010b "$(pe_optional_header_magic "$stub")"
  check_equal "stub is for i386" pei-i386 "$(pe_format "$stub")"
  check_equal "stub is a GUI program" "Windows GUI" "$(pe_subsystem "$stub")"
  check "stub is stripped" sh -c "'$OBJDUMP' -t '$stub' | grep -q 'no symbols'"
  for dll in $(pe_imported_dlls "$stub"); do
    case " $ALLOWED_IMPORTS " in
      *" $dll "*) pass "stub imports system DLL $dll" ;;
      *) fail "stub imports $dll, which is not a system DLL" ;;
    esac
  done
  echo "INFO: stub imports $(pe_imported_dlls "$stub" | tr '\n' ' ')"
  local size
  size=$(stat -c %s "$stub")
  # The goal is a small download: a change that drags in a large part of the runtime shows here.
  check "the stub is under 200 KB without payload ($size bytes)" test "$size" -lt 204800

  check_equal "manifest asks for an administrator" 1 \
    "$(count_bytes "$stub" 'level="requireAdministrator"')"
  check_equal "manifest asks for Common Controls 6" 1 \
    "$(count_bytes "$stub" 'name="Microsoft.Windows.Common-Controls" version="6\.0\.0\.0"')"
  check_equal "manifest declares system DPI awareness" 1 \
    "$(count_bytes "$stub" '<dpiAware[^>]*>true</dpiAware>')"
  check_equal "manifest declares Windows 10 and 11" 1 \
    "$(count_bytes "$stub" '<supportedOS Id="\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}"/>')"
  check "stub carries the icon resource MAINICON" \
    test "$(count_bytes "$stub" "$(utf16_pattern MAINICON)")" -ge 1
  check "version information describes TOLMA Driver Install" \
    test "$(count_bytes "$stub" "$(utf16_pattern FileDescription)\\x00+$(utf16_pattern 'TOLMA Driver Install')")" -eq 1

  # The marker, from its pieces: no script holds the twelve bytes in one piece.
  local start=zx end=vb
  start+=cv end+=nm
  check_equal "stub holds the archive marker once" 1 \
    "$(count_bytes "$stub" "${start}XXXX${end}")"
}
