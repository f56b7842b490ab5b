#!/usr/bin/env bash
# The real program, driven by keys from other processes, on an X server of its
# own (Xvfb) and on a Wayland compositor (sway, headless). After Copy+Close
# the window is gone and another process reads exactly the text; the program
# ends within a second once another process takes the clipboard, or the
# display goes away; Close leaves no process behind. On X11 also with stand-in
# clipboard managers: one that never answers, one that takes the text over.
# Usage: clipboard_test.sh PROGRAM MANAGER_STAND_IN
set -euo pipefail

program=$1
standin=$2
text='Prüfsumme “ÄÖÜ äöß” € 900150983CD24FB0D6963F7D28E17F72'

for tool in Xvfb xdotool xclip sway swaymsg wtype wl-paste wl-copy setpriv; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing" >&2; exit 77; }
done

work=$(mktemp -d)
background=()
pid=
cleanup() {
  for p in $pid "${background[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# No session bus here: keep GTK from looking for one. The text is UTF-8,
# which the typing tools read only in a UTF-8 locale, whatever the caller's.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 LC_ALL=C.UTF-8
export ASAN_OPTIONS=detect_leaks=0  # GTK's caches live as long as the process
passed=0
failed=0
check() {  # description, then the command that must succeed
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $what" >&2
    failed=$((failed + 1))
  fi
}
# Polls a command every 50 ms for up to $1 seconds.
within() {
  local limit=$1
  shift
  local deadline=$((${EPOCHREALTIME/./} + limit * 1000000))
  until "$@"; do
    ((${EPOCHREALTIME/./} < deadline)) || return 1
    sleep 0.05
  done
}
gone() { ! kill -0 "$1" 2>/dev/null || [[ $(ps -o stat= -p "$1") == Z* ]]; }
ended() {  # pid, seconds: gone in time, and reaped
  within "$2" gone "$1" && { wait "$1" 2>/dev/null || true; }
}

### X11 ###
# An X server of the test's own, on a display number it picks itself.
setpriv --pdeathsig TERM Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
  3>"$work/display" 2>/dev/null &
xvfb=$!
background+=("$xvfb")
within 10 test -s "$work/display" || { echo "FAILED: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(<"$work/display")
unset WAYLAND_DISPLAY

x_window() { xdotool search --onlyvisible --name '^Varnholt$' 2>/dev/null; }
no_x_window() { ! x_window >/dev/null; }
x_clipboard_is() { [[ $(xclip -o -selection clipboard -target UTF8_STRING 2>/dev/null) == "$1" ]]; }
# Starts the program and waits for its window, which gets the keyboard.
x_start() {
  "$program" &
  pid=$!
  within 10 x_window >/dev/null || { echo "FAILED: no window" >&2; exit 1; }
  xdotool windowfocus --sync "$(x_window)"
}
# Puts the text into the field and presses Copy+Close from the keyboard. The
# part outside ASCII is pasted: xdotool types such letters unreliably.
x_copy_close() {
  local ascii=${text##* }
  printf '%s' "${text% *} " | xclip -i -selection clipboard
  xdotool key Tab ctrl+v
  sleep 0.3
  xdotool type "$ascii"
  xdotool key Tab space
}
x_take_clipboard() { printf 'another program' | xclip -i -selection clipboard; }

# No clipboard manager: the program answers for the text after its window.
x_start
x_copy_close
check "X11: window gone after Copy+Close" within 2 no_x_window
check "X11: process still answers for the clipboard" kill -0 "$pid"
check "X11: another process reads exactly the text" x_clipboard_is "$text"
x_take_clipboard
check "X11: ends within 1 s once another program takes the clipboard" ended "$pid" 1

# Close leaves no process behind.
x_start
xdotool key Tab Tab Tab space
check "X11: Close ends the program" ended "$pid" 2

# Copy+Close with an empty field empties the clipboard and keeps nothing.
x_start
xdotool key Tab Tab space
check "X11: Copy+Close with an empty field ends the program" ended "$pid" 2
check "X11: and leaves the clipboard empty" x_clipboard_is ""

# A manager that never answers freezes nothing and loses nothing.
"$standin" silent >"$work/silent" &
background+=("$!")
within 5 grep -q ready "$work/silent"
x_start
x_copy_close
check "X11, silent manager: window gone at once" within 1 no_x_window
check "X11, silent manager: another process reads the text" x_clipboard_is "$text"
x_take_clipboard
check "X11, silent manager: ends once another program takes the clipboard" ended "$pid" 1
kill "${background[-1]}"

# A manager that takes the text over: the program ends as soon as it has.
"$standin" save >"$work/saved" &
background+=("$!")
within 5 grep -q ready "$work/saved"
x_start
x_copy_close
check "X11, saving manager: program ends after the hand-over" ended "$pid" 2
check "X11, saving manager: it got exactly the text" grep -qxF "$text" "$work/saved"
check "X11, saving manager: another process reads it after the program" x_clipboard_is "$text"
kill "${background[-1]}"

# The display goes away.
x_start
x_copy_close
within 2 no_x_window || true
kill "$xvfb"
check "X11: ends within 1 s when the display goes away" ended "$pid" 1

### Wayland ###
# sway refuses to run as root: everything Wayland runs as an ordinary user.
user=()
owner=$(id -un)
if (($(id -u) == 0)); then
  owner=nobody
  user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --)
fi
runtime=$work/runtime
mkdir -m 0700 "$runtime"
cp "$program" "$runtime/varnholt"
printf 'xwayland disable\n' >"$runtime/sway.config"
chown -R "$owner" "$runtime"
chmod 0755 "$work"
session=(XDG_RUNTIME_DIR="$runtime" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 ASAN_OPTIONS="$ASAN_OPTIONS")
# exec, so that a command started with & has $! as its own process id.
as_user() { exec "${user[@]}" env -u DISPLAY "${session[@]}" "$@"; }
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  as_user sway -c "$runtime/sway.config" >"$work/sway.log" 2>&1 &
sway=$!
background+=("$sway")
socket() { compgen -G "$runtime/wayland-[0-9]" >/dev/null && compgen -G "$runtime/sway-ipc.*.sock" >/dev/null; }
within 10 socket || { echo "FAILED: sway did not start" >&2; cat "$work/sway.log" >&2; exit 1; }
session+=(WAYLAND_DISPLAY="$(basename "$(compgen -G "$runtime/wayland-[0-9]" | head -1)")")
session+=(SWAYSOCK="$(compgen -G "$runtime/sway-ipc.*.sock" | head -1)")

w_window() { (as_user swaymsg -t get_tree) | grep -q '"name": "Varnholt"'; }
no_w_window() { ! w_window; }
w_clipboard_is() { [[ $(as_user wl-paste -n 2>/dev/null) == "$1" ]]; }
w_start() {
  as_user GDK_BACKEND=wayland "$runtime/varnholt" &
  pid=$!
  within 10 w_window || { echo "FAILED: no Wayland window" >&2; exit 1; }
}
# Each wtype brings a keyboard of its own: it waits for the program to take it.
# A key named with -k is only understood when typed text held it too.
w_keys() { (as_user wtype -s 300 "$@"); }
w_copy_close() { w_keys -k Tab -d 10 "$text" -k Tab -k space; }

w_start
w_copy_close
check "Wayland: window gone after Copy+Close" within 2 no_w_window
check "Wayland: process still answers for the clipboard" kill -0 "$pid"
check "Wayland: another process reads exactly the text" w_clipboard_is "$text"
(as_user wl-copy 'another program')
check "Wayland: ends within 1 s once another program takes the clipboard" ended "$pid" 1

w_start
w_keys -k Tab "a b" -k Tab -k Tab -k space
check "Wayland: Close ends the program" ended "$pid" 2

w_start
w_copy_close
within 2 no_w_window || true
kill "$sway"
check "Wayland: ends within 1 s when the display goes away" ended "$pid" 1

echo "$passed passed, $failed failed"
((failed == 0))
