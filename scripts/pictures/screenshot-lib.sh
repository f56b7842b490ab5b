# Shared by the screenshot scripts: a scratch folder, an Xvfb display of their
# own, polling with deadlines, and cleanup. The caller sets $name (for
# messages), $program_log, and $app_pid once the program runs; it may define
# stop_program to end the program more gently than kill.
work=$(mktemp -d)
xvfb_pid=""
app_pid=""

cleanup() {
  if [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; then
    if declare -F stop_program >/dev/null; then stop_program; fi
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "$name: $*" >&2
  [[ -s ${program_log:-} ]] && sed 's/^/  program: /' "$program_log" >&2
  exit 1
}

# wait_for SECONDS WHAT COMMAND...: polls COMMAND until it succeeds; fails
# after SECONDS, or at once if the program has gone.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [[ -z $app_pid ]] || kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for $what"
    ((SECONDS < deadline)) || fail "timed out waiting for $what"
    sleep 0.2
  done
}

# start_xvfb: an Xvfb on a display number that it picks itself, as DISPLAY;
# the server ends with the script, however that ends.
start_xvfb() {
  setpriv --pdeathsig TERM Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  wait_for 10 "Xvfb" test -s "$work/display"
  export DISPLAY=:$(<"$work/display")
}
stop_xvfb() {
  [[ -z $xvfb_pid ]] || { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null || true
}

window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
has_window() { [[ -n $(window_named "$1") ]]; }
focused_on() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]]; }
dialog_gone() { ! has_window Open; }

# take_focus WINDOW WHAT: gives WINDOW the focus unless it has it, and waits.
take_focus() {
  focused_on "$1" || xdotool windowfocus "$1"
  wait_for 10 "focus on $2" focused_on "$1"
}

# open_file SECONDS PATH [KEY...]: waits up to SECONDS for the main window ($main
# is set to it), presses "Open File" (focus starts there; Space presses it),
# presses the KEYs in the dialog and types PATH, and waits until the dialog is
# gone, the focus is back and no message box has appeared.
open_file() {
  local seconds=$1 path=$2 dialog
  shift 2
  wait_for "$seconds" "the main window" has_window Varnholt
  main=$(window_named Varnholt)
  take_focus "$main" "the main window"
  xdotool key space
  wait_for 30 "the Open dialog" has_window Open
  dialog=$(window_named Open)
  take_focus "$dialog" "the Open dialog"
  (($# == 0)) || xdotool key "$@"
  xdotool type --delay 20 "$path"
  xdotool key Return
  wait_for 30 "the Open dialog to close" dialog_gone
  take_focus "$main" "the main window"
  (($(xdotool search --onlyvisible --name '^Varnholt$' | wc -l) == 1)) || fail "a message box appeared"
}

# save_window WINDOW OUTPUT: the window as it is on screen, once two grabs in a
# row are identical, so no repaint is caught half done.
save_window() {
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  settled() {
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/next.png"
    local same=false
    [[ -f $work/last.png ]] &&
      cmp -s <(convert "$work/last.png" rgb:-) <(convert "$work/next.png" rgb:-) && same=true
    mv "$work/next.png" "$work/last.png"
    $same
  }
  wait_for 10 "the window to settle" settled
  mkdir -p "$(dirname "$2")"
  cp "$work/last.png" "$2"
  echo "$name: $2 (${WIDTH}x${HEIGHT})"
}
