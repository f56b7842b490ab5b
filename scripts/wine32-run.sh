#!/usr/bin/env bash
# Runs a 32-bit Windows program under Debian's 32-bit Wine, in an i386 root of
# this machine's release entered with bubblewrap as the caller, in a fresh
# prefix, on $DISPLAY or an Xvfb of its own. Used as
# CMAKE_CROSSCOMPILING_EMULATOR. Natively where the kernel runs i386 code;
# elsewhere through qemu-i386 (10, from Debian 13: older ones take minutes per
# start) and a binfmt_misc entry of the run's own user namespace (Linux 6.7
# and later). Where neither works, or the caller has no subordinate ids, it
# says why and exits 77 (a skip), or 1 under CI. VARNHOLT_WINE32_MODE=native
# or =emulated forces one way. Once per machine and user, under a lock, it
# makes the root, the template prefix and any emulator in
# $VARNHOLT_WINE32_CACHE (scripts/debian-root.sh names the default);
# --prepare does only that, so that no test's time limit pays for it.
set -euo pipefail

self=$(realpath "${BASH_SOURCE[0]}")
root_name=wine32-run
# shellcheck source=scripts/debian-root.sh
source "$(dirname "$self")/debian-root.sh"
# Exported: inside root_enter this user is root, whose default differs.
export VARNHOLT_WINE32_CACHE=${VARNHOLT_WINE32_CACHE:-$(root_cache_home wine32)}
cache=$VARNHOLT_WINE32_CACHE
recipe="5 $root_release/i386 minbase wine32 template"
binfmt=/proc/sys/fs/binfmt_misc

# The project, the build tree and the working folder keep their paths.
source_dir=$(dirname "$(dirname "$self")")
build_root=$PWD
while [[ ! -f $build_root/CMakeCache.txt && $build_root != / ]]; do build_root=$(dirname "$build_root"); done
[[ -f $build_root/CMakeCache.txt ]] || build_root=$PWD

# wine_in_root TEMPLATE FOLDER COMMAND...: COMMAND with Wine's environment
# only, in the current folder, on a tmpfs that holds the root's /usr, /etc,
# /var and links, FOLDER at its path and TEMPLATE at /wine/template (so the
# root, which the caller may not write to, needs no mount points). /tmp (with
# Wine's server folders), the home and the prefix are tmpfs of the run's own.
wine_in_root() {
  local template=$1 folder system=() binds=()
  for folder in usr etc var; do system+=(--ro-bind "$cache/root/$folder" "/$folder"); done
  for folder in "$cache"/root/*; do
    [[ ! -L $folder ]] || system+=(--symlink "$(readlink "$folder")" "/${folder##*/}")
  done
  # Sorted, so that a folder is bound before those inside it.
  while read -r folder; do
    binds+=(--bind "$folder" "$folder")
  done < <(printf '%s\n' "$source_dir" "$build_root" "$PWD" "$2" | sort -u | grep -vx /)
  shift 2
  # UTF-8, so that every Windows file name has a Unix one.
  bwrap --die-with-parent --unshare-pid "${system[@]}" --proc /proc --dev /dev --tmpfs /tmp \
    --bind-try /tmp/.X11-unix /tmp/.X11-unix --tmpfs /root --bind "$template" /wine/template \
    --tmpfs /wine/run "${binds[@]}" --chdir "$PWD" \
    /usr/bin/env -i PATH=/usr/lib/wine:/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
    DISPLAY="$DISPLAY" WINEARCH=win32 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" "$@"
}

# make_root: the root with wine32 (nothing there needs /sys).
make_root() {
  rm -rf "$cache/template"
  root_make "$cache/root" "$root_release" i386 --include=wine32 --skip=check/qemu \
    --skip=chroot/mount/sys
}

# make_template: the template, by whoever runs the programs (its user folders
# are theirs), in one Wine session (wineserver saves the registry as it ends).
# Without a window manager, window closes stall unless Wine manages none.
make_template() {
  mkdir "$cache/template"
  wine_in_root "$cache/template" / env WINEPREFIX=/wine/template sh -c '
    wine wineboot -i >/dev/null 2>&1
    wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    wineserver -w' >&2
}

# make_emulator: the static qemu-i386 from Debian 13's qemu-user, taken out
# by mmdebstrap: the machine's apt, its sources and its hooks play no part.
make_emulator() {
  echo "$root_name: fetching qemu-i386 (Debian 13) into $cache" >&2
  mmdebstrap --quiet --mode=unshare --variant=extract --include=qemu-user trixie - "$(root_mirror)" |
    tar -xOf - ./usr/bin/qemu-i386 >"$cache/qemu-i386.new" || root_die "fetching qemu-user failed"
  chmod 755 "$cache/qemu-i386.new" && mv "$cache/qemu-i386.new" "$cache/qemu-i386"
  "$cache/qemu-i386" --version | grep -qE 'version ([1-9][0-9])\.' || root_die "qemu-i386 older than 10"
}

# run PROGRAM ARGUMENT...: the program in a fresh prefix.
run() {
  wine_in_root "$cache/template" "$(dirname "$1")" env WINEPREFIX=/wine/run sh -c \
    'cp -a /wine/template/. /wine/run/ && exec wine "$@"' sh "$@"
}

# with_emulator COMMAND...: COMMAND, in root_enter's namespaces, with their
# binfmt_misc handing i386 ELF files to the emulator, opened at once (F).
with_emulator() {
  mount -t binfmt_misc binfmt_misc "$binfmt"
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":varnholt-i386:M::$magic:$mask:$cache/qemu-i386:F" >"$binfmt/register"
  "$@"
}
root_inside "$@"

# unavailable REASON: a skip, or under CI a failure.
unavailable() { echo "$root_name: $*: no 32-bit programs here" >&2 && [[ ${CI:-} == true ]] && exit 1; exit 77; }
for tool in arch-test bwrap mmdebstrap; do command -v $tool >/dev/null || root_die "$tool is missing"; done
((EUID == 0)) || root_ids >/dev/null || unavailable "no subordinate ids to make the root with"
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

# in_namespace COMMAND...: COMMAND, a function of this script's, as root of
# the namespace, with i386 programs run as the mode says; in_mode COMMAND...:
# there only where they are emulated.
in_namespace() {
  if [[ $mode == native ]]; then
    root_enter "$self" --in-namespace "$@"
  else
    root_enter --user "$self" --in-namespace with_emulator "$@"
  fi
}
in_mode() { if [[ $mode == native ]]; then "$@"; else in_namespace "$@"; fi; }
emulator_made() { [[ $mode == native || -x $cache/qemu-i386 ]]; }
cache_made() { emulator_made && root_recipe_is "$cache" "$recipe"; }
make_cache() {
  emulator_made || mode=native in_namespace make_emulator
  root_recipe_is "$cache" "$recipe" && return
  rm -f "$cache/.ready"
  in_namespace make_root
  in_mode make_template
  root_recipe_done "$cache" "$recipe"
}

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
