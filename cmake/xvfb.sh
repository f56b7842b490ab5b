# Sourced. start_xvfb starts an Xvfb on a display number it picks itself and
# exports DISPLAY; xvfb_pid is the server, for the caller to stop. No server
# resets, so clients may come and go without meeting a server mid-reset.
start_xvfb() {
  local displayfile _
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$displayfile" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s $displayfile ]] && break; sleep 0.1; done
  DISPLAY=:$(<"$displayfile")
  rm -f "$displayfile"
  [[ $DISPLAY != : ]] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY
}
