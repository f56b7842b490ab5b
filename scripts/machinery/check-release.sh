#!/usr/bin/env bash
# usage: check-release.sh [--prepare]
# Checks the release (docs/testing.md): reprotest over the release workflow,
# the exe's header, SHA256SUMS, the zip, lintian, hardening-check, the package
# check in layers over Debian roots of this release and of Debian 13, then
# clang-tidy but with VARNHOLT_SKIP_TIDY. --prepare makes the roots alone. With
# no subordinate ids, the package check is skipped, or under CI fails.
set -euo pipefail
machinery=$(dirname "$(realpath "$0")")
cd "$machinery/../.."
suites=$(printf '%s\n' "$(. /etc/os-release && echo "$VERSION_CODENAME")" trixie | sort -u)
fail() { echo "check-release: $*" >&2; exit 1; }
work=$(mktemp -d)
# A TERM can leave reprotest's disorderfs mounted, and builds writing a moment longer.
cleanup() {
  findmnt -rn -o TARGET | grep -F "$work/" | xargs -r -n1 fusermount -uz 2>/dev/null || true
  for _ in 1 2 3 4 5; do rm -rf "$work" 2>/dev/null && return; sleep 1; done
  rm -rf "$work"
}
trap cleanup EXIT

roots=true
for suite in $suites; do
  status=0
  "$machinery/debian-root" make "check-$suite" "$suite" amd64 libgtk-3-0,xvfb,xdotool,desktop-file-utils,appstream ||
    status=$?
  ((status != 77)) || { [[ ${CI:-} != true ]] || fail "under CI the package check may not be skipped"; roots=false; }
  ((status == 0 || status == 77)) || exit "$status"
done
[[ ${1:-} != --prepare ]] || exit 0

# Built as a user builds it, without a compiler cache, from a clean copy, with
# the package times from the commit. File order needs FUSE (disorderfs),
# root's alone here; user and group, host name and kernel need more than a
# build may ask for.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
mkdir "$work/tree"
tar --exclude=./build --exclude=./.git -cf - . | tar -C "$work/tree" -xf -
vary=-user_group,-domain_host,-kernel
if [[ ! -w /dev/fuse ]]; then
  [[ ${CI:-} != true || $EUID != 0 ]] || fail "under CI root varies the file order, and /dev/fuse is not writable"
  echo "check-release: no FUSE for $(id -un) here: the file order is not varied"
  vary+=,-fileordering
fi
started=$SECONDS
packages=build/release/packages
(cd "$work/tree" && TMPDIR=$work reprotest --vary="$vary" --store-dir "$work/reprotest" \
  'cmake --workflow --preset release >build.log 2>&1 || { tail -n 40 build.log; exit 1; }' \
  "$packages/*.zip $packages/*.deb $packages/SHA256SUMS build/release/win32/main_window/Varnholt.exe") ||
  fail "reprotest found differences, or a build failed (above)"
echo "check-release: reprotest ($vary) found the same exe, zip, .deb and SHA256SUMS in $((SECONDS - started)) s"

control=$work/reprotest/control/source-root
exe=$control/build/release/win32/main_window/Varnholt.exe
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -qE "^Time/Date\s+Thu Jan  1 00:00:00 1970" <<<"$headers" || fail "Varnholt.exe has a link time"
/usr/bin/python3 -c 'import pefile, sys; sys.exit(not pefile.PE(sys.argv[1]).verify_checksum())' "$exe" ||
  fail "Varnholt.exe's PE checksum is wrong"
(cd "$control/$packages" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not match the packages"
zip_files=$(unzip -Z1 "$control/$packages"/Varnholt-*-win32.zip | tr '\n' ' ')
[[ $zip_files == "LICENSE README.md Varnholt.exe " ]] || fail "the zip holds: $zip_files"
deb=$(echo "$control/$packages"/varnholt_*.deb)
TMPDIR=$work lintian --fail-on error --info "$deb" || fail "lintian reports errors"
dpkg-deb -f "$deb" Depends Installed-Size

# Fortify finds only calls whose sizes it cannot check (read, memcpy,
# memmove), so it is not asked. Debian 13's crt1.o has no IBT note, so no
# program linked there gets one (ls neither): where dpkg-buildflags asks for
# -fcf-protection, endbr64 instructions tell it (the startup files bring 2).
# Debian 13's hardening-check asks AArch64's branch protection of any program.
dpkg-deb -x "$deb" "$work/deb"
program=$work/deb/usr/bin/varnholt
skip=(--nofortify --nocfprotection)
! grep -q nobranchprotection "$(command -v hardening-check)" || skip+=(--nobranchprotection)
hardening-check "${skip[@]}" -v "$program" || fail "hardening-check (above)"
[[ $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS) != *-fcf-protection* ]] ||
  (($(objdump -d "$program" | grep -cw endbr64) > 20)) || fail "no control-flow protection (endbr64)"

$roots || { echo "check-release: the package's install, start and purge are skipped"; suites=""; }
for suite in $suites; do
  "$machinery/debian-root" run "check-$suite" --layer --ro-bind "$machinery" /machinery \
    --ro-bind "$deb" /tmp/varnholt.deb -- /machinery/with-xvfb /machinery/check-package.sh \
    /tmp/varnholt.deb || fail "the package check on Debian $suite failed"
done
[[ -z ${VARNHOLT_SKIP_TIDY:-} ]] || { echo "check-release: VARNHOLT_SKIP_TIDY is set: no clang-tidy"; exit 0; }
"$machinery/check-tidy.sh"
