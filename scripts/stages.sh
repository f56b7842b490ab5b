# shellcheck shell=bash
# Sourced by the test commands: stages, each in a session of its own. An INT
# or TERM to the caller stops every running stage, all that it started
# included, and then the caller exits; the caller's EXIT trap calls
# stage_stop too.
stage_sessions=()

# stage_begin COMMAND...: starts COMMAND; $! is its session.
stage_begin() {
  setsid "$@" &
  stage_sessions+=("$!")
}

# stage_wait SESSION: COMMAND's status, once it ends; what it left running is
# stopped.
stage_wait() {
  local status=0 session kept=()
  wait "$1" || status=$?
  kill -TERM -- "-$1" 2>/dev/null || true
  for session in "${stage_sessions[@]}"; do [[ $session == "$1" ]] || kept+=("$session"); done
  stage_sessions=("${kept[@]}")
  return $status
}

# stage COMMAND...: runs COMMAND as a stage and waits for it.
stage() {
  stage_begin "$@"
  stage_wait "$!"
}

# TERM to each running stage; what is left of one after 30 s is killed.
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
