#!/usr/bin/env bash
# Checks the release: `cmake --workflow --preset release` run in two clean
# copies of the tree, in different directories, at different times and with
# different file times and umask, gives the same Varnholt.exe and zip; the
# .deb passes lintian, and installs, validates, starts and purges in a
# throw-away layer over a Debian root of this machine's release (never on the
# machine). Then clang-tidy (scripts/check-tidy.sh).
# The root is made once per machine and user in $VARNHOLT_CHECK_CACHE
# (scripts/debian-root.sh names the default); --prepare only makes it.
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
root_inside "$@"
# shellcheck source=scripts/screenshot-lib.sh
source scripts/screenshot-lib.sh

# Inside that layer, as its root: the package DEB installs, its desktop entry,
# metainfo and icons validate, the program started from the entry's Exec line
# shows its window, and the purge leaves nothing.
if [[ ${1:-} == --package ]]; then
  deb=$2
  apt-get install -y --no-install-recommends --no-remove "$deb" >/dev/null ||
    fail "$deb does not install"
  desktop=$(dpkg -L varnholt | grep -E '^/usr/share/applications/[^/]+\.desktop$')
  metainfo=$(dpkg -L varnholt | grep -E '^/usr/share/metainfo/[^/]+\.metainfo\.xml$')
  desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli: $metainfo"
  for size in 16 32 48 64 128; do
    dpkg -L varnholt | grep -q "^/usr/share/icons/hicolor/${size}x${size}/apps/" ||
      fail "no ${size}x${size} icon"
  done

  start_xvfb
  read -r -a command < <(sed -n 's/^Exec=//p' "$desktop")
  program_log=$work/program.log
  "${command[@]}" >"$program_log" 2>&1 &
  app_pid=$!
  # Titled, and named by the desktop entry's id, so that desktops match the two.
  # (--all: without it --pid alone would match any window of the process.)
  app_id=$(basename "$desktop" .desktop)
  program_window() {
    local titled named
    titled=$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Varnholt$' 2>/dev/null) ||
      return 1
    named=$(xdotool search --all --onlyvisible --pid "$app_pid" \
      --classname "^${app_id//./\\.}\$" 2>/dev/null) || return 1
    grep -qxF "$titled" <<<"$named"
  }
  wait_for 30 "the installed program's window" program_window
  echo "$name: ${command[*]} (from $(basename "$desktop")) shows its window"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""

  apt-get purge -y varnholt >/dev/null || fail "the purge failed"
  if dpkg-query -W -f='${Status}' varnholt 2>/dev/null | grep -q " installed"; then
    fail "varnholt is still installed"
  fi
  [[ ! -e /usr/bin/varnholt && ! -e $desktop ]] || fail "purge left files behind"
  echo "$name: the .deb installs, starts and purges"
  exit
fi

# Without subordinate ids (root_ids names the fix) the package check is
# skipped, or under CI fails.
roots=true
((EUID == 0)) || root_ids >/dev/null || roots=false
[[ $roots == true || ${CI:-} != true ]] || exit 1
! $roots || root_debian "$cache" "$root_release" amd64 libgtk-3-0,xvfb,xdotool,desktop-file-utils,appstream
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
  root_enter "$self" --in-namespace root_layer "$cache/root" --ro-bind "$root" /src \
    --ro-bind "$deb" /tmp/varnholt.deb -- bash /src/scripts/check-release.sh --package \
    /tmp/varnholt.deb 9<&- ||
    fail "the package check failed"
else
  echo "$name: the package's install, start and purge are skipped"
fi

scripts/check-tidy.sh
