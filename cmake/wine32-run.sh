#!/usr/bin/env bash
# Runs a 32-bit Windows program under Debian's 32-bit Wine, in an i386 Debian
# root whose every program the qemu-i386 emulator runs (this kernel runs no
# 32-bit code), in a fresh prefix copied from a template, on $DISPLAY or on an
# Xvfb display of its own. Used as CMAKE_CROSSCOMPILING_EMULATOR.
#
# Once per machine, under a lock, it makes in $VARNHOLT_WINE32_CACHE (default
# /var/cache/varnholt-wine32): the emulator (qemu 10 from Debian 13's
# qemu-user: older ones take minutes per start), the root with wine32, and the
# template prefix. Each run happens in private user, mount and PID namespaces
# (cmake/debian-root.sh): the binfmt_misc entry that hands i386 programs to
# the emulator is registered in the user namespace's own binfmt_misc, which
# the host never sees, and the mounts, the prefix (on a tmpfs) and every
# process go with the namespaces. Where the kernel has no binfmt_misc per user
# namespace (before Linux 6.7), the entry is registered host-wide for the
# run's life instead, and those of killed runs are removed by the next one.
# Needs root. "wine32-run.sh --prepare" only makes the cache, so that no
# test's time limit pays for it.
set -euo pipefail

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=DISPLAY,VARNHOLT_WINE32_CACHE,VARNHOLT_WINE_ROOT "$0" "$@"
fi

self=$(realpath "${BASH_SOURCE[0]}")
root_name=wine32-run
# shellcheck source=cmake/debian-root.sh
source "$(dirname "$self")/debian-root.sh"

cache=${VARNHOLT_WINE32_CACHE:-/var/cache/varnholt-wine32}
# Written to the cache once it is complete; a different recipe remakes it.
recipe="2 qemu-user/trixie bookworm/i386 minbase wine32 win32 tmpfs-prefix"
binfmt=/proc/sys/fs/binfmt_misc
entry=varnholt-i386

# Every program sees the project, the build tree and its working folder at
# their own paths inside the root.
source_dir=$(dirname "$(dirname "$self")")
build_root=${VARNHOLT_WINE_ROOT:-$(pwd)}
while [[ ! -f $build_root/CMakeCache.txt && $build_root != / ]]; do build_root=$(dirname "$build_root"); done
[[ -f $build_root/CMakeCache.txt ]] || build_root=$(pwd)

# in_root ROOT PREFIX COMMAND...: COMMAND in ROOT with Wine's environment
# only, in the current folder.
in_root() {
  local root=$1 prefix=$2
  shift 2
  # UTF-8, so that every Windows file name has a Unix one.
  chroot "$root" /usr/bin/env -i -C "$(pwd)" PATH=/usr/lib/wine:/usr/bin:/bin \
    HOME=/root LANG=C.UTF-8 DISPLAY="$DISPLAY" WINEPREFIX="$prefix" WINEARCH=win32 \
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# register NAME: i386 ELF programs, executables and shared objects, to the
# emulator; F: the kernel opens it now, so it need not exist inside the root.
register() {
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":$1:M::$magic:$mask:$cache/qemu-i386:F" >"$binfmt/register"
}

# Inside the namespaces: $1 is where the entry goes (private, or the name of
# a host-wide entry), then --make-root or the program and its arguments.
in_namespace() {
  local where=$1
  shift
  if [[ $where == private ]]; then
    mount -t binfmt_misc binfmt_misc "$binfmt"
    register "$entry"
  else
    mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
    # Entries of killed runs go; another run may remove the same one first.
    local stale
    for stale in "$binfmt/$entry"-*; do
      [[ -e $stale ]] && ! kill -0 "${stale##*-}" 2>/dev/null || continue
      echo -1 >"$stale" 2>/dev/null || true
    done
    register "$where"
    host_entry=$where
    trap 'echo -1 >"$binfmt/$host_entry" 2>/dev/null || true' EXIT
  fi
  if [[ $1 == --make-root ]]; then
    finish_root "$cache/root.new"
    return
  fi

  local root=$cache/root program=$1
  shift
  mount -t proc proc "$root/proc"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  # Sorted, so a folder comes before those inside it, which it already holds.
  local folder
  while read -r folder; do
    mkdir -p "$root$folder"
    mount --bind "$folder" "$root$folder"
  done < <(printf '%s\n' "$source_dir" "$build_root" "$(pwd)" "$(dirname "$(realpath "$program")")" |
    sort -u | awk '$0 != "/" { for (i = 1; i <= n; i++) if (index($0, seen[i] "/") == 1) next
                               seen[++n] = $0; print }')
  mount -t tmpfs -o mode=0700 prefix "$root/wine/run"
  cp -a "$root/wine/template/." "$root/wine/run/"
  in_root "$root" /wine/run wine "$program" "$@"
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

# Inside the namespaces: the root's second stage, wine32 and the template
# prefix.
finish_root() (
  local root=$1
  cd /
  # As in a container: in a user namespace device nodes cannot be made.
  chroot "$root" /usr/bin/env container=lxc /debootstrap/debootstrap --second-stage >&2
  mount -t proc proc "$root/proc"
  chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive apt-get -q update >&2
  chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive \
    apt-get -q install -y --no-install-recommends wine32 >&2
  chroot "$root" apt-get clean
  mkdir -p "$root/tmp/.X11-unix" "$root/wine/run"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  in_root "$root" /wine/template wine wineboot -i >/dev/null 2>&1 || true
  # Without a window manager every window close stalls unless Wine manages
  # no windows itself.
  in_root "$root" /wine/template wine reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /d N /f >/dev/null 2>&1
  in_root "$root" /wine/template wineserver -w
)

if [[ ${1:-} == --in-namespace ]]; then
  shift
  in_namespace "$@"
  exit
fi

xvfb_pid=""
cleanup() {
  [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# shellcheck source=cmake/xvfb.sh
source "$(dirname "$self")/xvfb.sh"
[[ -n ${DISPLAY:-} ]] || start_xvfb

# A binfmt_misc of the user namespace's own where the kernel has one;
# otherwise a host-wide entry named after this process, so that parallel runs
# keep theirs.
namespace=(--user)
where=private
if ! (root_enter --user mount -t binfmt_misc binfmt_misc "$binfmt") 2>/dev/null; then
  namespace=()
  where=$entry-$$
fi

make_cache() {
  [[ -x $cache/qemu-i386 ]] || make_emulator
  root_bootstrap "$cache/root.new" bookworm i386 --foreign
  root_enter "${namespace[@]}" "$self" --in-namespace "$where" --make-root 9>&-
  rm -rf "${cache:?}/root"
  mv "$cache/root.new" "$cache/root"
}
# The namespaces do not inherit the lock, so nothing left of a run can hold it.
root_cache "$cache" "$recipe" make_cache
[[ ${1:-} != --prepare ]] || exit 0

root_enter "${namespace[@]}" "$self" --in-namespace "$where" "$@" 9>&-
