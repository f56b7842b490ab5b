#!/usr/bin/env bash
# usage: wine-run.sh [--32] --prepare | [--32] PROGRAM [ARGUMENT...]
# Runs a Windows program under the 64-bit Wine of this machine's Debian
# release, or with --32 the 32-bit one, in a throw-away layer over a root of
# it (debian-root), on $DISPLAY or an Xvfb display of its own: the CMake
# emulator of the Windows builds. VARNHOLT_WINE_DPI sets the screen's DPI.
# 32-bit programs run natively where the kernel runs i386 code, else through
# qemu-i386 (10 or later) and a binfmt_misc entry of the run's own user
# namespace (Linux 6.7); where neither works, or the user has no subordinate
# ids, it exits 77, saying why. VARNHOLT_WINE32_MODE=native or =emulated
# forces one way. --prepare makes the root, so that no test's limit pays for it.
set -euo pipefail
bits=64
[[ ${1:-} != --32 ]] || { bits=32 && shift; }
(($#)) || { echo "usage: wine-run.sh [--32] --prepare | [--32] PROGRAM [ARGUMENT...]" >&2; exit 2; }
machinery=$(dirname "$(realpath "$0")")
debian_root=$machinery/debian-root
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
root=wine$bits-$release
# dpkg and the maintainer scripts run natively even where i386 code is
# emulated: the 32-bit root is amd64 with i386 as a foreign architecture.
mode=native arch=amd64 packages=wine64 wine=wine64 emulator=() make_options=()
if ((bits == 32)); then
  arch=amd64,i386 packages=wine32:i386 wine=wine mode=${VARNHOLT_WINE32_MODE:-auto}
  if [[ $mode == auto ]] && arch-test -n i386 >/dev/null; then
    mode=native
  elif [[ $mode == auto ]]; then
    unshare --user --map-root-user --mount mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
      { echo "wine-run: this machine runs no i386 code, and its kernel ($(uname -r)) has no binfmt_misc" \
        "of a user namespace's own (Linux 6.7 and later) for an emulator: no 32-bit programs here" >&2; exit 77; }
    mode=emulated
  fi
  [[ $mode == native || $mode == emulated ]] ||
    { echo "wine-run: VARNHOLT_WINE32_MODE must be auto, native or emulated, not '$mode'" >&2; exit 1; }
  if [[ $mode == emulated ]]; then
    "$debian_root" make qemu trixie amd64 qemu-user --mmdebstrap --variant=extract
    emulator=(--emulator "$("$debian_root" path qemu)/usr/bin/qemu-i386")
    "${emulator[1]}" --version | grep -qE 'version ([1-9][0-9])\.' ||
      { echo "wine-run: ${emulator[1]} is older than qemu 10" >&2; exit 1; }
    make_options=(--mmdebstrap --skip=check/qemu)
  fi
fi

[[ -n ${DISPLAY:-} ]] && display=() || display=("$machinery/with-xvfb")
# UTF-8, so that every Windows file name has a Unix one.
env=(env PATH=/usr/lib/wine:/usr/bin:/bin "WINEARCH=win$bits" WINEDEBUG=-all WINEPREFIX=/opt/wine
  WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" LANG=C.UTF-8)
# The template prefix, made in one Wine session (wineserver saves the
# registry as it ends). Without a window manager, window closes stall unless
# Wine manages none.
"${display[@]}" "$debian_root" make "$root" "$release" "$arch" "$packages" --display "${emulator[@]}" \
  "${make_options[@]}" -- "${env[@]}" sh -c "
    rm -rf /opt/wine
    $wine wineboot -i >/dev/null 2>&1
    $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w"
[[ $1 != --prepare ]] ||
  { echo "wine-run: $bits-bit programs run $mode here; the root is in $("$debian_root" path "$root")"; exit 0; }

program=$(realpath -- "$1"); shift
build=$PWD
while [[ ! -f $build/CMakeCache.txt && $build != / ]]; do build=$(dirname "$build"); done
binds=()
while read -r folder; do binds+=(--bind "$folder" "$folder"); done < <(
  printf '%s\n' "$(dirname "$(dirname "$machinery")")" "$build" "$PWD" "$(dirname "$program")" | sort -u | grep -vx /)
# Wine takes the DPI as its session starts: reg's session ends first.
"${display[@]}" "$debian_root" run "$root" --layer --display "${emulator[@]}" "${binds[@]}" --chdir "$PWD" -- \
  "${env[@]}" LOADER="$wine" VARNHOLT_WINE_DPI="${VARNHOLT_WINE_DPI:-}" sh -c '
    [ -z "$VARNHOLT_WINE_DPI" ] || { "$LOADER" reg add "HKCU\Control Panel\Desktop" /v LogPixels \
      /t REG_DWORD /d "$VARNHOLT_WINE_DPI" /f >/dev/null 2>&1 && wineserver -w; }
    exec "$LOADER" "$@"' sh "$program" "$@"
