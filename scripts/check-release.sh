#!/usr/bin/env bash
# Checks the release: `cmake --workflow --preset release` run in two clean
# copies of the tree, in different directories, at different times and with
# different file times and umask, gives the same Varnholt.exe and zip; the
# .deb passes lintian, and in a throw-away layer over a Debian root of this
# machine's release (never on the machine itself) it installs, validates,
# starts and purges (scripts/check-package.sh). Then clang-tidy over the
# product folders (scripts/check-tidy.sh). The root, with what the package
# needs and what checks it, is made once per machine and user, in
# $VARNHOLT_CHECK_CACHE (scripts/debian-root.sh names the default);
# "check-release.sh --prepare" only makes it.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
root=$PWD

name=check-release
# shellcheck source=scripts/debian-root.sh
source scripts/debian-root.sh
root_name=$name
# Exported: inside root_enter this user is root, whose default differs.
export VARNHOLT_CHECK_CACHE=${VARNHOLT_CHECK_CACHE:-$(root_cache_home check)}
cache=$VARNHOLT_CHECK_CACHE
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
packages=libgtk-3-0,xvfb,xdotool,desktop-file-utils,appstream
recipe="1 $release amd64 minbase $packages"
root_inside "$@"
made() { root_recipe_is "$cache" "$recipe"; }
make_root() {
  rm -f "$cache/.ready"
  root_enter "$self" --in-namespace root_make "$cache/root" "$release" amd64 --include="$packages"
  mkdir -p "$cache/layer"
  root_recipe_done "$cache" "$recipe"
}
# Without subordinate ids (root_ids names the fix) there is no root for the
# package: a skip of that check, or under CI a failure.
roots=true
((EUID == 0)) || root_ids >/dev/null || roots=false
[[ $roots == true || ${CI:-} != true ]] || exit 1
! $roots || root_cache "$cache" made make_root
[[ ${1:-} != --prepare ]] || exit 0

# shellcheck source=scripts/screenshot-lib.sh
source scripts/screenshot-lib.sh

# Built as a user builds them, without a compiler cache.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
# Both builds take their package times from the commit being built.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH

# pe_checksum FILE: the PE checksum as Windows computes it: the ones'
# complement sum of the file's 16-bit words, the checksum field taken as zero,
# plus the file's length.
pe_checksum() {
  local field=$(($(od -An -j60 -N4 -tu4 "$1") + 88))
  od -An -v -tu2 -w2 "$1" | awk -v skip=$((field / 2)) -v size="$(stat -c %s "$1")" '
    NR - 1 != skip && NR - 1 != skip + 1 { s += $1 }
    END { while (s > 65535) s = s % 65536 + int(s / 65536); printf "%08x\n", s + size }'
}

copy_tree() {
  mkdir -p "$1"
  tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$1" -xf -
}
build_release() {
  (cd "$1" && cmake --workflow --preset release >"$1.log" 2>&1) ||
    { tail -n 40 "$1.log" >&2; fail "the release build in $1 failed"; }
}

copy_tree "$work/first"
build_release "$work/first"
# Another directory and depth, later, every file with another time, another umask.
copy_tree "$work/second/elsewhere"
find "$work/second/elsewhere" -exec touch -h -d "2001-02-03 04:05:06" {} +
(umask 027 && build_release "$work/second/elsewhere")

first=$work/first/build/release
second=$work/second/elsewhere/build/release
for file in win32/main_window/Varnholt.exe packages/Varnholt-*-win32.zip; do
  sums=$(cd "$first" && sha256sum $file)
  (cd "$second" && sha256sum --quiet -c <<<"$sums") ||
    fail "$file differs between the two builds"
  echo "$name: $file the same in both builds: ${sums%% *}"
done

exe=$first/win32/main_window/Varnholt.exe
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -qE "^Time/Date\s+Thu Jan  1 00:00:00 1970" <<<"$headers" || fail "Varnholt.exe has a link time"
checksum=$(sed -n 's/^CheckSum\s*//p' <<<"$headers")
[[ $checksum == "$(pe_checksum "$exe")" ]] || fail "Varnholt.exe's PE checksum $checksum is wrong"
echo "$name: Varnholt.exe: time stamp 0, PE checksum $checksum correct"
(cd "$first/packages" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not match the packages"
zip_files=$(cd "$first/packages" && unzip -Z1 Varnholt-*-win32.zip | tr '\n' ' ')
[[ $zip_files == "LICENSE README.md Varnholt.exe " ]] || fail "the zip holds: $zip_files"

deb=$(echo "$first"/packages/varnholt_*.deb)
TMPDIR=$work lintian --fail-on error --info "$deb" || fail "lintian reports errors"
dpkg-deb -f "$deb" Depends Installed-Size

if $roots; then
  root_enter "$self" --in-namespace root_layer "$cache/root" --ro-bind "$root/scripts" /check \
    --ro-bind "$deb" /tmp/varnholt.deb -- bash /check/check-package.sh /tmp/varnholt.deb 9<&- ||
    fail "the package check failed"
else
  echo "$name: the package's install, start and purge are skipped"
fi

scripts/check-tidy.sh
