# Sourced. start_xvfb starts an Xvfb on a display number it picks itself and
# exports DISPLAY; xvfb_pid is the server, which stop_xvfb stops. No server
# resets, so clients may come and go without meeting a server mid-reset. The
# server ends when its caller does, however that ends.
start_xvfb() {
  local displayfile _
  displayfile=$(mktemp)
  setpriv --pdeathsig TERM Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$displayfile" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [[ -s $displayfile ]] && break; sleep 0.1; done
  DISPLAY=:$(<"$displayfile")
  rm -f "$displayfile"
  if [[ $DISPLAY == : ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY
}

# stop_xvfb: the server ends, and has removed its socket, before this returns.
stop_xvfb() {
  [[ -z ${xvfb_pid:-} ]] || { kill "$xvfb_pid" && wait "$xvfb_pid"; } 2>/dev/null || true
  xvfb_pid=""
}
