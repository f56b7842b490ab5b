#!/usr/bin/env bash
# usage: inspect-product.sh [BUILD-FOLDER]  (default: build/win32)
# Checks the built 32-bit product: PE32 for i386, GUI subsystem, the header's
# OS and subsystem versions 5.1 (XP), ASLR and DEP, a manifest that runs it
# as the invoker, no import outside xp-imports.txt, at most 200 KiB.
set -euo pipefail
exe=${1:-build/win32}/main_window/Varnholt.exe
allowed=$(dirname "$(realpath "$0")")/xp-imports.txt
fail() { echo "inspect-product: $*" >&2; exit 1; }
[[ -f $exe ]] || fail "$exe is missing"
headers=$(i686-w64-mingw32-objdump -p "$exe")
field() { sed -n "s/^$1\s\+//p" <<<"$headers"; }

grep -q "file format pei-i386" <<<"$headers" || fail "not a PE32 i386 image"
[[ $(field Subsystem) == 00000002* ]] || fail "not a GUI program"
for part in OSystem Subsystem; do
  version=$(field "Major${part}Version").$(field "Minor${part}Version")
  [[ $version == 5.1 ]] || fail "the header's ${part/OS/OS }Version is $version, not XP's 5.1"
done
for flag in DYNAMIC_BASE NX_COMPAT; do grep -qw $flag <<<"$headers" || fail "no $flag"; done
grep -qa '<requestedExecutionLevel level="asInvoker"' "$exe" || fail "the manifest declares no asInvoker"

# DLL FUNCTION per import; binutils 2.40 and 2.44 lay the table out differently.
imports=$(awk '/DLL Name:/ {dll = toupper($3); next} /^$/ {dll = ""}
  dll != "" && /^\t[0-9a-f]+[\t ]/ && NF >= 3 {print dll, $NF}' <<<"$headers")
[[ -n $imports ]] || fail "no imports found"
outside=$(grep -vxF -f <(grep -v '^#' "$allowed") <<<"$imports" || true)
# GCC 13 and later link libgcc's win32 threads, which call Vista's GetThreadId.
gcc=$(i686-w64-mingw32-g++-win32 -dumpversion)
if ((${gcc%%[.-]*} >= 13)) && grep -qxF "KERNEL32.DLL GetThreadId" <<<"$outside"; then
  echo "inspect-product: imports GetThreadId (KERNEL32.DLL) from GCC $gcc's libgcc: this build needs Vista" >&2
  outside=$(grep -vxF "KERNEL32.DLL GetThreadId" <<<"$outside" || true)
fi
[[ -z $outside ]] || fail "imports what $(basename "$allowed") does not list:
$(sed 's/^\(\S*\) \(.*\)/  \2 from \1/' <<<"$outside")"
size=$(stat -c %s "$exe")
((size <= 204800)) || fail "$size bytes, over 200 KiB"
echo "inspect-product: $exe: PE32 GUI for Windows 5.1, $(wc -l <<<"$imports") imports from" \
  "$(cut -d' ' -f1 <<<"$imports" | sort -u | tr '\n' ' ')all in $(basename "$allowed"), $size bytes"
