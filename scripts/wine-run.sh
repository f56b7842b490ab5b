#!/usr/bin/env bash
# Runs a Windows program under Wine's 64-bit loader, in a fresh prefix copied
# from a template made once per build tree, with a home of the build tree's,
# on $DISPLAY or on an Xvfb display of its own; removes only what it made.
# Used as CMAKE_CROSSCOMPILING_EMULATOR.
set -euo pipefail

program=$1
shift
root=${VARNHOLT_WINE_ROOT:-$(pwd)}
while [[ ! -f $root/CMakeCache.txt && $root != / ]]; do root=$(dirname "$root"); done
[[ -f $root/CMakeCache.txt ]] || root=$(pwd)
wine_dir=$root/wine
template=$wine_dir/template
mkdir -p "$wine_dir"

unset WINEPREFIX
# UTF-8, so that every Windows file name has a Unix one.
export LC_ALL=C.UTF-8 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
loader=/usr/lib/wine/wine64

# shellcheck source=scripts/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

# end_server PREFIX: ends Wine's server for PREFIX, then removes the folder
# it kept (once it has stopped writing there), and that folder's parent if
# that is left empty.
end_server() {
  local folder
  { WINEPREFIX=$1 wineserver -k; WINEPREFIX=$1 wineserver -w; } 2>/dev/null || true
  for folder in "${TMPDIR:-/tmp}"/wine-*/"$(printf 'server-%x-%x' "$(stat -c %d "$1")" "$(stat -c %i "$1")")"; do
    [[ -d $folder ]] || continue
    rm -rf "$folder"
    rmdir "$(dirname "$folder")" 2>/dev/null || true
  done
}

run=""
cleanup() {
  if [[ -n $run ]]; then
    [[ ! -d $run/prefix ]] || end_server "$run/prefix"
    rm -rf "$run"
  fi
  stop_xvfb
}
trap cleanup EXIT
# Stopped with ctest, which reads our output, this would die of SIGPIPE before
# cleaning up; caught, not ignored, so the programs it starts keep the default.
trap : PIPE
run=$(mktemp -d "$wine_dir/run.XXXXXX")
# The prefixes link their user folders to the home.
export HOME=$wine_dir/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$HOME"
[[ -n ${DISPLAY:-} ]] || start_xvfb

# The template, made under a lock; one left unfinished is made again.
(
  flock 9
  if [[ ! -f $template/.ready ]]; then
    rm -rf "$template"
    export WINEPREFIX=$template
    # The server's folder goes once it has ended, however the making ends.
    trap 'end_server "$template"' EXIT
    "$loader" wineboot -i >/dev/null 2>&1 || true
    # Without a window manager, every window close stalls unless Wine manages
    # no windows.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$template/.ready"
  fi
) 9>"$wine_dir/.lock"

export WINEPREFIX=$run/prefix
mkdir "$WINEPREFIX"
cp -a "$template/." "$WINEPREFIX/"
# The screen's DPI, which Wine 10 reads as a session starts: reg's ends first.
if [[ -n ${VARNHOLT_WINE_DPI:-} ]]; then
  "$loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$VARNHOLT_WINE_DPI" /f >/dev/null 2>&1
  wineserver -w
fi
"$loader" "$program" "$@"
