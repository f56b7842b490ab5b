#!/usr/bin/env bash
# usage: wine-run.sh PROGRAM [ARGUMENT...]
# Runs a Windows program under Wine's 64-bit loader in a fresh prefix, on
# $DISPLAY or on an Xvfb display of its own (with-xvfb); the CMake emulator of
# the x86_64 build. The prefix is copied from a template made once in the
# build tree's wine/ folder, with a home there; outside a build tree both are
# made for the run. Wine runs in a sandbox (bubblewrap) with a /tmp and
# process namespace of its own, so its server folder and the prefix, and any
# process it leaves, go with the run, however it ends. VARNHOLT_WINE_DPI sets
# the screen's DPI for the run.
set -euo pipefail
(($#)) || { echo "usage: wine-run.sh PROGRAM [ARGUMENT...]" >&2; exit 2; }
machinery=$(dirname "$(realpath "$0")")

build=$PWD
while [[ ! -f $build/CMakeCache.txt && $build != / ]]; do build=$(dirname "$build"); done
if [[ -f $build/CMakeCache.txt ]]; then wine_dir=$build/wine; else wine_dir=/tmp/wine; build=""; fi
# What the run sees of the machine's /tmp: X sockets, the build tree, the
# working folder and the program's.
binds=()
while read -r folder; do
  binds+=(--bind "$folder" "$folder")
done < <(printf '%s\n' "$build" "$PWD" "$(dirname "$(realpath -- "$1")")" | grep -v '^$' | sort -u |
  grep -vx /)
display=()
[[ -n ${DISPLAY:-} ]] || display=("$machinery/with-xvfb")

# In the sandbox: the template, made under a lock (one left unfinished is
# made again; without a window manager, every window close stalls unless
# Wine manages no windows), then the run. Wine 10 aborts when TMPDIR is set.
# The DPI is read as a session starts: reg's session ends first.
run='
  mkdir -p "$HOME"
  (
    flock 9
    if [ ! -f "$WINE_DIR/template/.ready" ]; then
      rm -rf "$WINE_DIR/template"
      export WINEPREFIX="$WINE_DIR/template"
      wine64 wineboot -i >/dev/null 2>&1
      wine64 reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
      wineserver -w
      touch "$WINE_DIR/template/.ready"
    fi
  ) 9>"$WINE_DIR/.lock"
  export WINEPREFIX=/tmp/prefix
  mkdir "$WINEPREFIX" && cp -a "$WINE_DIR/template/." "$WINEPREFIX/"
  if [ -n "${VARNHOLT_WINE_DPI:-}" ]; then
    wine64 reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD /d "$VARNHOLT_WINE_DPI" \
      /f >/dev/null 2>&1 && wineserver -w
  fi
  exec wine64 "$@"'
# UTF-8, so that every Windows file name has a Unix one. The prefixes link
# their user folders to the home.
"${display[@]}" bwrap --dev-bind / / --proc /proc --tmpfs /tmp \
  --ro-bind-try /tmp/.X11-unix /tmp/.X11-unix "${binds[@]}" --unshare-pid --die-with-parent \
  --chdir "$PWD" env -u TMPDIR -u WINEPREFIX PATH="/usr/lib/wine:$PATH" LC_ALL=C.UTF-8 \
  WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
  WINE_DIR="$wine_dir" HOME="$wine_dir/home" XDG_CONFIG_HOME="$wine_dir/home/.config" \
  XDG_DATA_HOME="$wine_dir/home/.local/share" XDG_CACHE_HOME="$wine_dir/home/.cache" \
  sh -c "$run" sh "$@"
