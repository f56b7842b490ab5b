#!/usr/bin/env bash
# Screenshots of the Windows build under Wine, showing the digest of a file
# that holds "abc", for the README: docs/varnholt-wine.png on a screen of 96 DPI
# and docs/varnholt-wine-144dpi.png on one of 144 DPI. Runs on an Xvfb display
# of its own and drives the window with xdotool.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
build=$repo/build/win64-wine
expected=900150983CD24FB0D6963F7D28E17F72

scripts/deps.sh

cmake --preset win64-wine >/dev/null
cmake --build --preset win64-wine --target Varnholt

name=screenshot
# shellcheck source=scripts/pictures/screenshot-lib.sh
source scripts/pictures/screenshot-lib.sh
program_log=$work/wine.log
# wine-run.sh ends Wine and removes its prefix once the program has gone.
stop_program() {
  xdotool key --clearmodifiers alt+F4 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
}

printf abc >"$work/abc.txt"
wine_path="Z:${work//\//\\}\\abc.txt"

start_xvfb

# shoot DPI OUTPUT: one run of the program on a screen of DPI, pictured.
shoot() {
  local dpi=$1 output=$2 tabs
  # An empty clipboard, so only this run's digest can be read back.
  xclip -selection clipboard -i /dev/null
  (cd "$build" && VARNHOLT_WINE_DPI=$dpi exec "$repo/scripts/machinery/wine-run.sh" \
    main_window/Varnholt.exe) >"$work/wine.log" 2>&1 &
  app_pid=$!

  # The first Wine start in a build tree makes its prefix; allow for that. The
  # dialog's file name field has the focus when it opens.
  open_file 120 "$wine_path"

  # Reads the digest back through the clipboard. Tab moves through the controls;
  # reaching the digest field selects all of it, and Ctrl+C copies it. Shift+Tab
  # then puts the focus on "Open File" so the picture shows no selection.
  tabs=0
  digest_copied() {
    if ((tabs < 4)); then
      xdotool key Tab
      tabs=$((tabs + 1))
    fi
    xdotool key ctrl+c
    [[ $(xclip -o -selection clipboard 2>/dev/null) == "$expected" ]]
  }
  wait_for 30 "the digest $expected" digest_copied
  xdotool key shift+Tab

  save_window "$main" "$output"
  stop_program
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

shoot 96 "$repo/docs/varnholt-wine.png"
shoot 144 "$repo/docs/varnholt-wine-144dpi.png"
