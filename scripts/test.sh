#!/usr/bin/env bash
# usage: test.sh
# Installs what is missing, then builds and runs every test suite (native,
# sanitizers, Windows under Wine), inspects the 32-bit product, checks the
# release, and tests the product under 32-bit Wine; docs/testing.md has more.
# Under CI (CI=true) a skipped test or stage fails the run, but for the one
# test that needs root when another user runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
machinery=scripts/machinery
ci() { [[ ${CI:-} != true ]] || { echo "test: under CI $*" >&2; exit 1; }; }
[[ -z ${VARNHOLT_SKIP_I686:-} ]] || ci "no stage may be skipped, and VARNHOLT_SKIP_I686 is set"
exec 7<.
flock -n 7 || { echo "test: another test command is running in $PWD" >&2; exit 1; }
scripts/deps.sh
# A compiler cache outside the checkout, for the builds configured here, and
# the run's own temporary folder, open to others as /tmp is (run by root, the
# Wayland tests run as nobody).
CCACHE_DIR=$("$machinery/debian-root" cache ccache)
TMPDIR=$(mktemp -d)
chmod 755 "$TMPDIR"
export TMPDIR CCACHE_DIR CCACHE_MAXSIZE=2G CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
stage_grace=30
# shellcheck source=scripts/machinery/stages.sh
source "$machinery/stages.sh"
trap 'stage_stop; rm -rf "$TMPDIR"' EXIT

# tests PRESET [--32]: its build and its tests, on an Xvfb display of their
# own; for a Windows preset, once its Wine root is made. What only root may do
# is tested where root runs the tests.
tests() {
  local log=$TMPDIR/ctest-$1.log skipped status=0
  if [[ $1 == *-wine ]]; then
    stage "$machinery/wine-run.sh" "${@:2}" --prepare || status=$?
    ((status != 77)) || { ci "the $1 stage may not be skipped"; echo "test: $1 is skipped (the reason is above)"; return; }
    ((status == 0)) || exit "$status"
  fi
  stage cmake --preset "$1"
  stage cmake --build --preset "$1"
  stage "$machinery/with-xvfb" ctest --preset "$1" --output-log "$log"
  skipped=$(grep -E '\*\*\*Skipped|\(Skipped\)' "$log" || true)
  ((EUID == 0)) || skipped=$(grep -v ' ReadableFilePosix\.WaitingPseudoFileFails ' <<<"$skipped" || true)
  [[ -z $skipped ]] || { echo "$skipped" >&2; ci "no test may be skipped: CI installs all that the tests need"; }
}
for preset in linux linux-asan win64-wine; do tests "$preset"; done
stage cmake --preset win32
stage cmake --build --preset win32
"$machinery/inspect-product.sh" build/win32
stage "$machinery/check-release.sh"
# Last: the i686 tests, and the end-to-end suite against the very program
# above, under 32-bit Wine. VARNHOLT_SKIP_I686=1 skips them in a local run.
[[ -z ${VARNHOLT_SKIP_I686:-} ]] || { echo "test: VARNHOLT_SKIP_I686 is set: the i686 stage is skipped"; exit 0; }
started=$SECONDS
tests i686-wine --32
echo "test: the i686 stage took $((SECONDS - started)) s"
