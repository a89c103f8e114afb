#!/usr/bin/env bash
# Fails unless the built TirnaUIAuth.exe carries the protections a shipped build
# must have, read from its PE header, sections, imports and contents:
#   randomized addresses with the 64-bit range (DYNAMIC_BASE, HIGH_ENTROPY_VA) and
#   relocations to move by; data never executable (NX_COMPAT) and no section both
#   writable and executable; stack canaries and checked C library calls (the handlers
#   of their failures linked in); only system DLLs imported; smaller than 2 MiB.
# The exe is stripped, so what -fstack-protector-strong and _FORTIFY_SOURCE put into
# the program's code is read from its link map (TirnaUIAuth.exe.map beside it, with
# the cross references): every library of the program's code must have objects that
# call the canary check (__stack_chk_fail), and the program's objects must call
# checked copies (__memcpy_chk and the like).
#
#   scripts/check-hardening.sh path/to/TirnaUIAuth.exe
set -euo pipefail

exe=${1:?usage: $0 TirnaUIAuth.exe}
objdump=x86_64-w64-mingw32-objdump
failed=0
fail() {
  echo "$exe: $1" >&2
  failed=1
}

headers=$("$objdump" -p "$exe")
flags=$((16#$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")))
((flags & 0x40)) || fail "addresses not randomized (no DYNAMIC_BASE)"
((flags & 0x20)) || fail "no 64-bit address range for randomization (no HIGH_ENTROPY_VA)"
((flags & 0x100)) || fail "data may be executed (no NX_COMPAT)"
"$objdump" -h "$exe" | grep -q '^ *[0-9]* \.reloc ' || fail "no relocations to move the image by"

# objdump says READONLY for a section that cannot be written.
writable_code=$("$objdump" -h "$exe" | awk '/^ *[0-9]+ / {name = $2; next}
  /CODE/ && !/READONLY/ {print name}')
[ -z "$writable_code" ] || fail "writable and executable: $writable_code"

grep -qa 'stack smashing detected' "$exe" || fail "no stack protection (its handler is missing)"
grep -qa 'buffer overflow detected' "$exe" || fail "no checked C library calls (their handler is missing)"

map="$exe.map"
if [ -s "$map" ]; then
  # "symbol file" for each object that refers to a symbol defined elsewhere.
  refs=$(awk '/^Cross Reference Table/ {table = 1; next}
    table && /^[^ ]/ {symbol = $1; next}
    table && NF {sub(/^ +/, ""); print symbol, $0}' "$map")
  for library in $(grep -o 'libtirna_[a-z_]*\.a(' "$map" | sort -u | tr -d '('); do
    grep -q "^__stack_chk_fail $library(" <<<"$refs" ||
      fail "no stack canary in the code of $library (built without -fstack-protector-strong)"
  done
  checked=$(awk '$1 ~ /^__[a-z0-9_]+_chk$/ && $1 !~ /^__stack_chk/ && $2 ~ /^(libtirna_[a-z_]*\.a\(|CMakeFiles\/)/' <<<"$refs")
  [ -n "$checked" ] ||
    fail "no checked C library call in the program's code (built without _FORTIFY_SOURCE)"
else
  fail "no link map $map with the cross references (-Wl,-Map,--cref) to read the code's checks from"
fi

system='^(ADVAPI32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|SHLWAPI|USER32|WINHTTP)\.dll$'
others=$(awk '/DLL Name:/ {print $3}' <<<"$headers" | grep -viE "$system" || true)
[ -z "$others" ] || fail "imports DLLs that are not the system's: $others"

size=$(stat -c %s "$exe")
((size < 2 * 1024 * 1024)) || fail "$size bytes, not under 2 MiB"

((failed == 0)) && echo "$exe: hardened ($size bytes)"
exit "$failed"
