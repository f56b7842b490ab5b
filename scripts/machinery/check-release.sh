#!/usr/bin/env bash
# usage: check-release.sh [--prepare]
# Checks the release: `cmake --workflow --preset release` run in two clean
# copies of the tree, in different directories, at different times and with
# different file times and umask, gives the same Varnholt.exe and zip; the
# .deb passes lintian, and installs, validates, starts and purges in a
# throw-away layer over a Debian root of this machine's release
# (check-package.sh in debian-root), never on the machine. Then clang-tidy
# (check-tidy.sh). --prepare makes the root and no more. Where the user has
# no subordinate ids, the package check is skipped, or under CI fails.
set -euo pipefail
machinery=$(dirname "$(realpath "$0")")
cd "$machinery/../.."
root=$PWD
debian_root=$machinery/debian-root
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
package_root=check-$release

fail() { echo "check-release: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

roots=true
"$debian_root" make "$package_root" "$release" amd64 \
  libgtk-3-0,xvfb,xdotool,desktop-file-utils,appstream || status=$?
case ${status:-0} in
  0) ;;
  77) [[ ${CI:-} != true ]] || fail "under CI the package check may not be skipped"
      roots=false ;;
  *) exit "$status" ;;
esac
[[ ${1:-} != --prepare ]] || exit 0

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
  echo "check-release: $file the same in both builds: ${sums%% *}"
done

exe=$first/win32/main_window/Varnholt.exe
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -qE "^Time/Date\s+Thu Jan  1 00:00:00 1970" <<<"$headers" || fail "Varnholt.exe has a link time"
checksum=$(sed -n 's/^CheckSum\s*//p' <<<"$headers")
[[ $checksum == "$(pe_checksum "$exe")" ]] || fail "Varnholt.exe's PE checksum $checksum is wrong"
echo "check-release: Varnholt.exe: time stamp 0, PE checksum $checksum correct"
(cd "$first/packages" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not match the packages"
zip_files=$(cd "$first/packages" && unzip -Z1 Varnholt-*-win32.zip | tr '\n' ' ')
[[ $zip_files == "LICENSE README.md Varnholt.exe " ]] || fail "the zip holds: $zip_files"

deb=$(echo "$first"/packages/varnholt_*.deb)
TMPDIR=$work lintian --fail-on error --info "$deb" || fail "lintian reports errors"
dpkg-deb -f "$deb" Depends Installed-Size

if $roots; then
  "$debian_root" run "$package_root" --layer --ro-bind "$root/scripts/machinery" /machinery \
    --ro-bind "$deb" /tmp/varnholt.deb -- /machinery/with-xvfb /machinery/check-package.sh \
    /tmp/varnholt.deb || fail "the package check failed"
else
  echo "check-release: the package's install, start and purge are skipped"
fi

"$machinery/check-tidy.sh"
