#!/usr/bin/env bash
# Runs a 32-bit Windows program under Debian's 32-bit Wine, in an i386 Debian
# root whose every program the qemu-i386 emulator runs (this kernel runs no
# 32-bit code), in a fresh prefix copied from a template, on $DISPLAY or on an
# Xvfb display of its own. Used as CMAKE_CROSSCOMPILING_EMULATOR.
#
# Once per machine, under a lock, it makes in $VARNHOLT_WINE32_CACHE (default
# /var/cache/varnholt-wine32): the emulator (qemu 10 from Debian 13's
# qemu-user: older ones take minutes per start), the root with wine32, and the
# template prefix. Each run registers a binfmt_misc entry of its own and runs in
# private mount and PID namespaces: its mounts and processes end with it, and
# the entry is removed. Needs root. "wine32-run.sh --prepare" only makes the
# cache, so that no test's time limit pays for it.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=DISPLAY,VARNHOLT_WINE32_CACHE,VARNHOLT_WINE_ROOT "$0" "$@"
fi

cache=${VARNHOLT_WINE32_CACHE:-/var/cache/varnholt-wine32}
mirror=http://deb.debian.org/debian
# Written to the cache once it is complete; a different recipe remakes it.
recipe="1 qemu-user/trixie bookworm/i386 minbase wine32 win32"
binfmt=/proc/sys/fs/binfmt_misc
entry_prefix=varnholt-i386-

# Every program sees the project, the build tree and its working folder at
# their own paths inside the root.
self=$(realpath "${BASH_SOURCE[0]}")
source_dir=$(dirname "$(dirname "$self")")
build_root=${VARNHOLT_WINE_ROOT:-$(pwd)}
while [[ ! -f $build_root/CMakeCache.txt && $build_root != / ]]; do build_root=$(dirname "$build_root"); done
[[ -f $build_root/CMakeCache.txt ]] || build_root=$(pwd)

# The part that runs inside the namespaces: $1 is the run's number (the
# outer process's), the rest the program and its arguments.
in_namespace() {
  entry=$entry_prefix$1 prefix=/wine/run.$1
  shift
  local program=$1 root=$cache/root
  shift

  # Mounted here only, the facility goes with the namespace.
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"

  exec 9>"$cache/.lock"
  flock 9
  [[ -x $cache/qemu-i386 ]] || make_emulator
  register "$entry"
  trap finish EXIT
  [[ -f $cache/.ready && $(<"$cache/.ready") == "$recipe" ]] || make_root
  flock -u 9
  exec 9>&-
  [[ $program != --prepare ]] || exit 0

  mount -t proc proc "$root/proc"
  mkdir -p "$root/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  # Sorted, so a folder comes before those inside it, which it already holds.
  local folder
  while read -r folder; do
    mkdir -p "$root$folder"
    mount --bind "$folder" "$root$folder"
  done < <(printf '%s\n' "$source_dir" "$build_root" "$(pwd)" "$(dirname "$(realpath "$program")")" |
    sort -u | awk '$0 != "/" { for (i = 1; i <= n; i++) if (index($0, seen[i] "/") == 1) next
                               seen[++n] = $0; print }')

  mkdir "$root$prefix"
  cp -a "$root/wine/template/." "$root$prefix/"
  set +e
  in_root "$prefix" wine "$program" "$@"
  local status=$?
  set -e
  exit $status
}

# Ends the run's Wine and removes its prefix and binfmt_misc entry; the
# namespaces take the mounts and any process left with them.
finish() {
  if [[ -d $cache/root$prefix ]]; then
    in_root "$prefix" wineserver -k 2>/dev/null || true
    rm -rf "${cache:?}/root$prefix"
  fi
  unregister "$entry"
}

# in_root PREFIX COMMAND...: COMMAND in the root with Wine's environment only,
# in the current folder.
in_root() {
  local prefix=$1
  shift
  # UTF-8, so that every Windows file name has a Unix one.
  chroot "$cache/root" /usr/bin/env -i -C "$(pwd)" PATH=/usr/lib/wine:/usr/bin:/bin \
    HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" WINEPREFIX="$prefix" WINEARCH=win32 \
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# i386 ELF programs, executables and shared objects; F: the kernel opens the
# emulator now, so it need not exist inside the root.
register() {
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":$1:M::$magic:$mask:$cache/qemu-i386:F" >"$binfmt/register"
}

unregister() {
  [[ -e $binfmt/$1 ]] && echo -1 >"$binfmt/$1" || true
}

# qemu-i386 from Debian 13's qemu-user, a static program, fetched with apt's
# own state kept in a scratch folder: the machine's sources and lists stay
# as they are.
make_emulator() {
  echo "wine32-run: fetching qemu-i386 (Debian 13) into $cache" >&2
  local work
  work=$(mktemp -d)
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/deb"
  printf 'Types: deb\nURIs: %s\nSuites: trixie\nComponents: main\nSigned-By: %s\n' \
    "$mirror" /usr/share/keyrings/debian-archive-keyring.gpg >"$work/trixie.sources"
  local apt=(apt-get -q -o Dir::Etc::SourceList="$work/trixie.sources"
    -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$work/lists"
    -o Dir::Cache="$work/cache" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
    -o APT::Sandbox::User=root)
  "${apt[@]}" update >&2
  (cd "$work/deb" && "${apt[@]}" download qemu-user >&2)
  dpkg-deb -x "$work"/deb/qemu-user_*.deb "$work/x"
  "$work/x/usr/bin/qemu-i386" --version | grep -qE 'version ([1-9][0-9])\.' ||
    { echo "wine32-run: qemu-i386 older than 10" >&2; exit 1; }
  install -m 755 "$work/x/usr/bin/qemu-i386" "$cache/qemu-i386.new"
  mv "$cache/qemu-i386.new" "$cache/qemu-i386"
  rm -rf "$work"
}

# The i386 root with wine32, and in it the template prefix, made beside the
# old one and swapped in whole.
make_root() (
  cd /
  echo "wine32-run: making the i386 root with wine32 in $cache (once per machine)" >&2
  command -v debootstrap >/dev/null || {
    apt-get -o DPkg::Lock::Timeout=900 update >&2
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y \
      --no-install-recommends debootstrap >&2
  }
  rm -f "$cache/.ready"
  local new=$cache/root.new
  rm -rf "$new"
  debootstrap --arch=i386 --variant=minbase bookworm "$new" "$mirror" >&2
  mount -t proc proc "$new/proc"
  chroot "$new" /usr/bin/env DEBIAN_FRONTEND=noninteractive apt-get -q update >&2
  chroot "$new" /usr/bin/env DEBIAN_FRONTEND=noninteractive \
    apt-get -q install -y --no-install-recommends wine32 >&2
  chroot "$new" apt-get clean
  umount "$new/proc"
  rm -rf "$cache/root"
  mv "$new" "$cache/root"

  local root=$cache/root
  mount -t proc proc "$root/proc"
  mkdir -p "$root/tmp/.X11-unix" "$root/wine"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  in_root /wine/template wine wineboot -i >/dev/null 2>&1 || true
  # Without a window manager every window close stalls unless Wine manages
  # no windows itself.
  in_root /wine/template wine reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /d N /f >/dev/null 2>&1
  in_root /wine/template wineserver -w
  umount "$root/tmp/.X11-unix" "$root/proc"
  echo "$recipe" >"$cache/.ready"
)

if [[ ${1:-} == --in-namespace ]]; then
  shift
  in_namespace "$@"
fi

xvfb_pid=""
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# shellcheck source=cmake/xvfb.sh
source "$(dirname "$self")/xvfb.sh"
[[ -n ${DISPLAY:-} ]] || start_xvfb

# The binfmt_misc entry and the prefix are named after this process, so
# parallel runs keep theirs; those of a run that was killed go here.
for stale in "$binfmt/$entry_prefix"* "$cache"/root/wine/run.*; do
  if [[ ! -e $stale ]] || kill -0 "${stale##*[.-]}" 2>/dev/null; then continue; fi
  if [[ -d $stale ]]; then rm -rf "$stale"; else echo -1 >"$stale"; fi
done
mkdir -p "$cache"
set +e
unshare --mount --propagation private --pid --fork --kill-child \
  "$self" --in-namespace $$ "$@"
status=$?
set -e
exit $status
