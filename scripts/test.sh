#!/usr/bin/env bash
# usage: test.sh
# Installs what is missing, then builds and runs every test suite: native,
# native under sanitizers, the Windows build under Wine; builds and inspects
# the 32-bit product, checks the release, and runs the tests against the
# product under 32-bit Wine. One run at a time in a checkout; root only
# installs packages. Under CI (CI=true) a skipped test or stage fails the run,
# but for the one test that needs root when another user runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
machinery=scripts/machinery
ci() { [[ ${CI:-} != true ]] || { echo "test: under CI $*" >&2; exit 1; }; }

[[ -z ${VARNHOLT_SKIP_I686:-} ]] || ci "no stage may be skipped, and VARNHOLT_SKIP_I686 is set"
exec 7<.
flock -n 7 || { echo "test: another test command is running in $PWD" >&2; exit 1; }
scripts/deps.sh

# A compiler cache outside the checkout, for the builds configured here.
CCACHE_DIR=$("$machinery/debian-root" cache ccache)
export CCACHE_DIR CCACHE_MAXSIZE=2G CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
# The run's own temporary folder, the tests' among them, open to others as
# /tmp is (run by root, the Wayland tests run as nobody).
TMPDIR=$(mktemp -d)
chmod 755 "$TMPDIR"
export TMPDIR
stage_grace=30
# shellcheck source=scripts/machinery/stages.sh
source "$machinery/stages.sh"
trap 'stage_stop; rm -rf "$TMPDIR"' EXIT

# tests PRESET: its build and its tests, on an Xvfb display of their own.
# What only root may do is tested where root runs the tests.
tests() {
  local log=$TMPDIR/ctest-$1.log skipped
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
status=0
stage "$machinery/wine32-run.sh" --prepare || status=$?
if ((status == 77)); then
  ci "the i686 stage may not be skipped"
  echo "test: the i686 stage is skipped (the reason is above)"
  exit 0
fi
((status == 0)) || exit "$status"
tests i686-wine
echo "test: the i686 stage took $((SECONDS - started)) s"
