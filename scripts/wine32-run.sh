#!/usr/bin/env bash
# Runs a 32-bit Windows program under Debian's 32-bit Wine, in an i386 Debian
# root entered with bubblewrap, in a fresh prefix copied from a template, on
# $DISPLAY or on an Xvfb display of its own. Used as
# CMAKE_CROSSCOMPILING_EMULATOR.
#
# Where this machine runs i386 code itself, as most x86-64 kernels do, Wine
# runs natively. Where it does not, every i386 program goes to the qemu-i386
# emulator through a binfmt_misc entry registered in a user namespace of the
# run's own (Linux 6.7 and later), which the rest of the machine never sees.
# Where neither works it registers nothing: it says why and exits 77 (a skip),
# or 1 under CI. VARNHOLT_WINE32_MODE=native or =emulated forces one way (a
# machine that runs i386 code can run both); the default is auto.
#
# Once per machine, under a lock, it makes in $VARNHOLT_WINE32_CACHE (default
# /var/cache/varnholt-wine32) the root with wine32 and a template prefix, and,
# only where it emulates, fetches the emulator (qemu 10 from Debian 13's
# qemu-user: older ones take minutes per start). Each run has its prefix, home
# and /tmp on tmpfs, and its processes end with it. Needs root.
# "wine32-run.sh --prepare" only makes the cache, so that no test's time limit
# pays for it.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=DISPLAY,CI,VARNHOLT_WINE32_CACHE,VARNHOLT_WINE32_MODE "$0" "$@"
fi

self=$(realpath "${BASH_SOURCE[0]}")
root_name=wine32-run
# shellcheck source=scripts/debian-root.sh
source "$(dirname "$self")/debian-root.sh"

cache=${VARNHOLT_WINE32_CACHE:-/var/cache/varnholt-wine32}
# Written to the cache once it is complete; a different recipe remakes it.
recipe="3 bookworm/i386 minbase wine32 template"
binfmt=/proc/sys/fs/binfmt_misc

# Every program sees the project, the build tree, its working folder and the
# program's folder at their own paths inside the root.
source_dir=$(dirname "$(dirname "$self")")
build_root=$PWD
while [[ ! -f $build_root/CMakeCache.txt && $build_root != / ]]; do build_root=$(dirname "$build_root"); done
[[ -f $build_root/CMakeCache.txt ]] || build_root=$PWD

# wine_in_root ROOT PREFIX FOLDER COMMAND...: COMMAND in ROOT with Wine's
# environment only, in the current folder, with FOLDER also seen at its path.
# /tmp, the home, /wine/run and Wine's TMPDIR are tmpfs of the run's own (the
# current folder may be the machine's /tmp).
wine_in_root() {
  local root=$1 prefix=$2 folder binds=()
  # Sorted, so that a folder is bound before those inside it.
  while read -r folder; do
    binds+=(--bind "$folder" "$folder")
  done < <(printf '%s\n' "$source_dir" "$build_root" "$PWD" "$3" | sort -u | grep -vx /)
  shift 3
  # UTF-8, so that every Windows file name has a Unix one.
  bwrap --die-with-parent --unshare-pid --bind "$root" / --proc /proc --dev /dev \
    --tmpfs /tmp --bind-try /tmp/.X11-unix /tmp/.X11-unix --tmpfs /root \
    --tmpfs /wine/run --tmpfs /wine/tmp "${binds[@]}" --chdir "$PWD" \
    /usr/bin/env -i PATH=/usr/lib/wine:/usr/bin:/bin HOME=/root TMPDIR=/wine/tmp LANG=C.UTF-8 \
    DISPLAY="$DISPLAY" WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" "$@"
}

# make_root: the root with wine32, and its template prefix, made in root.new;
# it takes the place of the root once complete.
make_root() {
  # i386 programs run as the mode says; mmdebstrap need not look for itself.
  # Nothing there needs /sys, which a user namespace may not mount.
  root_make "$cache/root.new" bookworm i386 --include=wine32 --skip=check/qemu \
    --skip=chroot/mount/sys
  mkdir -p "$cache/root.new/wine/run" "$cache/root.new/wine/tmp"
  # One Wine session, so that wineserver saves the registry as it ends.
  # Without a window manager every window close stalls unless Wine manages no
  # windows itself.
  wine_in_root "$cache/root.new" /wine/template / sh -c '
    wine wineboot -i >/dev/null 2>&1
    wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    wineserver -w' >&2
  rm -rf "${cache:?}/root"
  mv "$cache/root.new" "$cache/root"
}

# run PROGRAM ARGUMENT...: the program in a fresh prefix.
run() {
  wine_in_root "$cache/root" /wine/run "$(dirname "$1")" sh -c \
    'cp -a /wine/template/. /wine/run/ && exec wine "$@"' sh "$@"
}

# Inside a run's user namespace: a binfmt_misc of its own hands i386 ELF
# programs, executables and shared objects, to the emulator. F: the kernel
# opens the emulator now, so it need not be inside the root.
if [[ ${1:-} == --emulated ]]; then
  shift
  mount -t proc proc /proc
  mount -t binfmt_misc binfmt_misc "$binfmt"
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":varnholt-i386:M::$magic:$mask:$cache/qemu-i386:F" >"$binfmt/register"
  "$@"
  exit
fi

# unavailable REASON: no way to run i386 programs here; a skip, or under CI a
# failure.
unavailable() {
  echo "$root_name: $*: the 32-bit programs cannot run on this machine" >&2
  [[ ${CI:-} != true ]] || exit 1
  exit 77
}

for tool in arch-test bwrap mmdebstrap; do
  command -v $tool >/dev/null || root_die "$tool is missing (scripts/deps.sh installs it)"
done
mode=${VARNHOLT_WINE32_MODE:-auto}
if [[ $mode == auto ]]; then
  if arch-test -n i386 >/dev/null; then
    mode=native
  elif (root_enter --user mount -t binfmt_misc binfmt_misc "$binfmt") 2>/dev/null; then
    mode=emulated
  else
    unavailable "this machine runs no i386 code, and its kernel ($(uname -r)) has no binfmt_misc of a user namespace's own (Linux 6.7 and later) for an emulator"
  fi
fi
[[ $mode == native || $mode == emulated ]] ||
  root_die "VARNHOLT_WINE32_MODE must be auto, native or emulated, not '$mode'"

# in_mode COMMAND...: COMMAND, a function of this script's, with i386 programs
# run natively or by the emulator.
in_mode() {
  if [[ $mode == native ]]; then
    "$@"
  else
    root_enter --user "$self" --emulated "$@"
  fi
}

# qemu-i386 from Debian 13's qemu-user, a static program, fetched with apt's
# own state kept in a scratch folder of the cache: the machine's sources and
# lists stay as they are.
make_emulator() {
  echo "$root_name: fetching qemu-i386 (Debian 13) into $cache" >&2
  local work=$cache/emulator.new
  rm -rf "$work"
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/deb"
  printf 'Types: deb\nURIs: %s\nSuites: trixie\nComponents: main\nSigned-By: %s\n' \
    "$(root_mirror)" /usr/share/keyrings/debian-archive-keyring.gpg >"$work/trixie.sources"
  local apt=(apt-get -q -o Dir::Etc::SourceList="$work/trixie.sources"
    -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$work/lists"
    -o Dir::Cache="$work/cache" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
    -o APT::Sandbox::User=root)
  "${apt[@]}" update >&2
  (cd "$work/deb" && "${apt[@]}" download qemu-user >&2)
  dpkg-deb -x "$work"/deb/qemu-user_*.deb "$work/x"
  "$work/x/usr/bin/qemu-i386" --version | grep -qE 'version ([1-9][0-9])\.' ||
    root_die "qemu-i386 older than 10"
  install -m 755 "$work/x/usr/bin/qemu-i386" "$cache/qemu-i386.new"
  mv "$cache/qemu-i386.new" "$cache/qemu-i386"
  rm -rf "$work"
}

emulator_made() { [[ $mode == native || -x $cache/qemu-i386 ]]; }
cache_made() { emulator_made && root_recipe_is "$cache" "$recipe"; }
make_cache() {
  emulator_made || make_emulator
  if ! root_recipe_is "$cache" "$recipe"; then
    rm -f "$cache/.ready"
    in_mode make_root
    root_recipe_done "$cache" "$recipe"
  fi
}

xvfb_pid=""
trap stop_xvfb EXIT
# shellcheck source=scripts/xvfb.sh
source "$(dirname "$self")/xvfb.sh"
[[ -n ${DISPLAY:-} ]] || start_xvfb

root_cache "$cache" cache_made make_cache
if [[ ${1:-} == --prepare ]]; then
  echo "$root_name: i386 programs run $mode here; the root is in $cache"
  exit 0
fi
program=$(realpath -- "$1")
shift
in_mode run "$program" "$@" 9<&-
