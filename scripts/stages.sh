# shellcheck shell=bash
# Sourced by the test commands. "stage COMMAND..." runs COMMAND in a session
# of its own and waits for it; "stage_begin COMMAND..." starts one without
# waiting ($! is its session). An INT or TERM to the caller stops every such
# session, all that it started included, and then the caller exits; the
# caller's EXIT trap calls stage_stop too.
stage_sessions=()
stage_begin() {
  setsid "$@" &
  stage_sessions+=("$!")
}
stage() {
  stage_begin "$@"
  wait "$!"
}

# TERM to each session; what is left of one after 30 s is killed.
stage_stop() {
  ((${#stage_sessions[@]})) || return 0
  local session _ sessions
  sessions=$(IFS=,; echo "${stage_sessions[*]}")
  for session in "${stage_sessions[@]}"; do kill -TERM -- "-$session" 2>/dev/null || true; done
  for _ in $(seq 300); do
    ps -o stat= --sid "$sessions" | grep -qv '^Z' || break
    sleep 0.1
  done
  for session in "${stage_sessions[@]}"; do kill -KILL -- "-$session" 2>/dev/null || true; done
  stage_sessions=()
}
trap 'stage_stop; exit 130' INT
trap 'stage_stop; exit 143' TERM
