#!/usr/bin/env bash
# usage: wine32-run.sh --prepare | PROGRAM [ARGUMENT...]
# Runs a 32-bit Windows program under the 32-bit Wine of this machine's Debian
# release, in a throw-away layer over a root of it (debian-root), on $DISPLAY
# or an Xvfb display of its own: the CMake emulator of the i686 builds.
# Natively where the kernel runs i386 code, else through qemu-i386 (10 or
# later) and a binfmt_misc entry of the run's own user namespace (Linux 6.7);
# where neither works, or the user has no subordinate ids, it says why and
# exits 77. VARNHOLT_WINE32_MODE=native or =emulated forces one way.
# --prepare makes the root and no more, so that no test's time limit pays for it.
set -euo pipefail
(($#)) || { echo "usage: wine32-run.sh --prepare | PROGRAM [ARGUMENT...]" >&2; exit 2; }
machinery=$(dirname "$(realpath "$0")")
debian_root=$machinery/debian-root
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
root=wine32-$release

unavailable() { echo "wine32-run: $*: no 32-bit programs here" >&2; exit 77; }
mode=${VARNHOLT_WINE32_MODE:-auto}
if [[ $mode == auto ]]; then
  if arch-test -n i386 >/dev/null; then
    mode=native
  elif unshare --user --map-root-user --mount \
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null; then
    mode=emulated
  else
    unavailable "this machine runs no i386 code, and its kernel ($(uname -r)) has no binfmt_misc of a user namespace's own (Linux 6.7 and later) for an emulator"
  fi
fi
emulator=() make_options=()
case $mode in
  native) ;;
  emulated)
    "$debian_root" make qemu trixie amd64 qemu-user --mmdebstrap --variant=extract
    emulator=(--emulator "$("$debian_root" path qemu)/usr/bin/qemu-i386")
    "${emulator[1]}" --version | grep -qE 'version ([1-9][0-9])\.' ||
      { echo "wine32-run: ${emulator[1]} is older than qemu 10" >&2; exit 1; }
    make_options=(--mmdebstrap --skip=check/qemu) ;;
  *) echo "wine32-run: VARNHOLT_WINE32_MODE must be auto, native or emulated, not '$mode'" >&2; exit 1 ;;
esac

display=()
[[ -n ${DISPLAY:-} ]] || display=("$machinery/with-xvfb")
# UTF-8, so that every Windows file name has a Unix one.
wine=(env PATH=/usr/lib/wine:/usr/bin:/bin WINEARCH=win32 WINEDEBUG=-all WINEPREFIX=/opt/wine
  WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
# An amd64 root with i386 as a foreign architecture, so that dpkg and the
# maintainer scripts run natively even where i386 code is emulated. The
# template prefix, made in one Wine session (wineserver saves the registry as
# it ends). Without a window manager, window closes stall unless Wine manages
# none.
"${display[@]}" "$debian_root" make "$root" "$release" amd64,i386 wine32:i386 --display "${emulator[@]}" \
  "${make_options[@]}" -- "${wine[@]}" sh -c '
    rm -rf /opt/wine
    wine wineboot -i >/dev/null 2>&1
    wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    wineserver -w'
if [[ $1 == --prepare ]]; then
  echo "wine32-run: i386 programs run $mode here; the root is in $("$debian_root" path "$root")"
  exit 0
fi

# The project, the build tree, the working folder and the program's keep their paths.
program=$(realpath -- "$1")
shift
build=$PWD
while [[ ! -f $build/CMakeCache.txt && $build != / ]]; do build=$(dirname "$build"); done
binds=()
while read -r folder; do
  binds+=(--bind "$folder" "$folder")
done < <(printf '%s\n' "$(dirname "$(dirname "$machinery")")" "$build" "$PWD" "$(dirname "$program")" |
  sort -u | grep -vx /)
"${display[@]}" "$debian_root" run "$root" --layer --display "${emulator[@]}" "${binds[@]}" --chdir "$PWD" -- \
  "${wine[@]}" LANG=C.UTF-8 wine "$program" "$@"
