#!/usr/bin/env bash
# usage: wine-run.sh PROGRAM [ARGUMENT...]
# Runs a Windows program under Wine's 64-bit loader in a fresh prefix, on
# $DISPLAY or on an Xvfb display of its own (with-xvfb); the CMake emulator of
# the x86_64 build. In a build tree the prefix is copied from a template made
# once in the tree's wine/ folder, with a home there; elsewhere both are made
# for the run. Everything else the run makes, Wine's server folder included,
# is in a temporary folder of its own, which goes however the run ends.
# VARNHOLT_WINE_DPI sets the screen's DPI for the run.
set -euo pipefail
(($#)) || { echo "usage: wine-run.sh PROGRAM [ARGUMENT...]" >&2; exit 2; }
machinery=$(dirname "$(realpath "$0")")

run=$(mktemp -d)
wine_dir=$run
build=$PWD
while [[ ! -f $build/CMakeCache.txt && $build != / ]]; do build=$(dirname "$build"); done
[[ ! -f $build/CMakeCache.txt ]] || wine_dir=$build/wine
mkdir -p "$wine_dir/home" "$run/tmp"

# UTF-8, so that every Windows file name has a Unix one. The prefixes link
# their user folders to the home; Wine's server folders go to TMPDIR.
export LC_ALL=C.UTF-8 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export HOME=$wine_dir/home TMPDIR=$run/tmp
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export PATH=/usr/lib/wine:$PATH
display=()
[[ -n ${DISPLAY:-} ]] || display=("$machinery/with-xvfb")

ended() { { WINEPREFIX=$1 wineserver -k; WINEPREFIX=$1 wineserver -w; } 2>/dev/null || true; }
trap 'ended "$run/prefix"; rm -rf "$run"' EXIT
# Stopped with ctest, which reads our output, this would die of SIGPIPE before
# cleaning up; caught, not ignored, so the programs it starts keep the default.
trap : PIPE

# The template, made under a lock; one left unfinished is made again. Without
# a window manager, every window close stalls unless Wine manages no windows.
(
  flock 9
  if [[ ! -f $wine_dir/template/.ready ]]; then
    rm -rf "$wine_dir/template"
    trap 'ended "$wine_dir/template"' EXIT
    WINEPREFIX=$wine_dir/template "${display[@]}" sh -c '
      wine64 wineboot -i >/dev/null 2>&1
      wine64 reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
      wineserver -w'
    touch "$wine_dir/template/.ready"
  fi
) 9>"$wine_dir/.lock"

export WINEPREFIX=$run/prefix
mkdir "$WINEPREFIX" && cp -a "$wine_dir/template/." "$WINEPREFIX/"
# The screen's DPI, which Wine 10 reads as a session starts: reg's ends first.
"${display[@]}" sh -c '
  if [ -n "${VARNHOLT_WINE_DPI:-}" ]; then
    wine64 reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD /d "$VARNHOLT_WINE_DPI" \
      /f >/dev/null 2>&1 && wineserver -w
  fi
  exec wine64 "$@"' sh "$@"
