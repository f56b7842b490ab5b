#!/usr/bin/env bash
# usage: inspect-product.sh [BUILD-FOLDER]  (default: build/win32)
# Checks the built 32-bit product: PE32 for i386, GUI subsystem, imports only
# Windows' own DLLs, at most 400 KiB.
set -euo pipefail
build=${1:-build/win32}
exe=$build/main_window/Varnholt.exe
fail() { echo "inspect-product: $*" >&2; exit 1; }
[[ -f $exe ]] || fail "$exe is missing"
headers=$(i686-w64-mingw32-objdump -p "$exe")

grep -q "file format pei-i386" <<<"$headers" || fail "not a PE32 i386 image"
grep -qE "^Subsystem\s+00000002" <<<"$headers" || fail "not a GUI program"
allowed='^(KERNEL32|USER32|GDI32|COMDLG32|msvcrt|ADVAPI32|SHELL32|COMCTL32)\.dll$'
while read -r dll; do
  grep -qiE "$allowed" <<<"$dll" || fail "imports $dll"
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
size=$(stat -c %s "$exe")
((size <= 409600)) || fail "$size bytes, over 400 KiB"
echo "inspect-product: $exe: PE32 GUI, imports $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' '), $size bytes"
