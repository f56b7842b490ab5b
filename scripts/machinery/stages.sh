# shellcheck shell=bash
# usage: stage_grace=SECONDS; source stages.sh; then stage COMMAND... or stage_begin COMMAND...
# For scripts/test.sh and .ci/run: each stage runs in a process group of its
# own under timeout(1), which passes the caller's INT or TERM on to the group
# and kills what is left after stage_grace seconds. No stage inherits the
# checkout's lock (descriptor 7). The caller's EXIT trap calls stage_stop too.
: "${stage_grace:?the caller sets stage_grace before it sources stages.sh}"
declare -A stage_pids=()  # the running stages' process groups

# stage_begin COMMAND...: starts COMMAND; $! is its process group. stage
# COMMAND...: runs it and waits for it.
stage() { stage_begin "$@" && stage_wait "$!"; }
stage_begin() { timeout -k "$stage_grace" 0 "$@" 7<&- & stage_pids[$!]=1; }
# stage_wait PID: the stage's status, once it ends; what it left running stops.
stage_wait() {
  local status=0
  wait "$1" || status=$?
  kill -TERM -- "-$1" 2>/dev/null || true
  unset "stage_pids[$1]"
  return $status
}
# stage_stop: TERM to each running stage, and a wait until timeout has ended it.
stage_stop() {
  ((${#stage_pids[@]})) || return 0
  kill -TERM "${!stage_pids[@]}" 2>/dev/null || true
  wait "${!stage_pids[@]}" 2>/dev/null || true
  stage_pids=()
}
trap 'stage_stop; exit 130' INT
trap 'stage_stop; exit 143' TERM
