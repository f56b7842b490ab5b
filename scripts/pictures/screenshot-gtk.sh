#!/usr/bin/env bash
# Screenshot of the Linux (GTK) program showing the digest of a file that holds
# "abc", for the README: docs/varnholt-gtk.png. Runs on an Xvfb display of its
# own and drives the window and its file dialog with xdotool.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$(pwd)
output=$repo/docs/varnholt-gtk.png
program=$repo/build/linux/main_window/varnholt
expected=900150983CD24FB0D6963F7D28E17F72

scripts/deps.sh

cmake --preset linux >/dev/null
cmake --build --preset linux --target varnholt

name=screenshot-gtk
# shellcheck source=scripts/pictures/screenshot-lib.sh
source scripts/pictures/screenshot-lib.sh
program_log=$work/program.log

printf abc >"$work/abc.txt"

start_xvfb
# No session bus or settings daemon here: keep GTK from looking for them.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

# Started in the sample's folder, where the dialog opens.
(cd "$work" && exec "$program") >"$work/program.log" 2>&1 &
app_pid=$!

# Ctrl+L opens the dialog's location field.
open_file 30 "$work/abc.txt" ctrl+l

# Reads the digest back through the clipboard: Tab reaches the digest field and
# selects all of it, Ctrl+C copies it; Home clears the selection, which GTK
# keeps showing in an unfocused field, and Shift+Tab goes back to "Open File".
xdotool key Tab
digest_copied() {
  xdotool key ctrl+c
  [[ $(xclip -o -selection clipboard 2>/dev/null) == "$expected" ]]
}
wait_for 30 "the digest $expected" digest_copied
xdotool key Home shift+Tab

save_window "$main" "$output"
