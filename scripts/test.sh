#!/usr/bin/env bash
# usage: test.sh
# Installs what is missing, then builds and runs every test suite: native,
# native under sanitizers, the Windows build under Wine; builds and inspects
# the 32-bit Windows product, checks the release, and runs the tests against
# the product under 32-bit Wine. One run at a time in a checkout; root only
# installs packages. Under CI (CI=true) a skipped test or stage fails the run,
# but for the one test that needs root when another user runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
machinery=scripts/machinery

if [[ ${CI:-} == true && -n ${VARNHOLT_SKIP_I686:-} ]]; then
  echo "test: VARNHOLT_SKIP_I686 is set, and under CI no stage may be skipped" >&2
  exit 1
fi
exec 7<.
flock -n 7 || { echo "test: another test command is running in $PWD" >&2; exit 1; }

scripts/deps.sh

# A compiler cache outside the checkout, for the builds configured here.
CCACHE_DIR=$("$machinery/debian-root" cache ccache)
export CCACHE_DIR CCACHE_MAXSIZE=2G CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache

# The run's own temporary folder, the tests' among them: it goes with the run.
# Open to others as /tmp is: run by root, the Wayland tests run as nobody.
TMPDIR=$(mktemp -d)
chmod 755 "$TMPDIR"
export TMPDIR
stage_grace=30
# shellcheck source=scripts/machinery/stages.sh
source "$machinery/stages.sh"
trap 'stage_stop; rm -rf "$TMPDIR"' EXIT

# tests PRESET: its build and its tests, on an Xvfb display of their own.
tests() {
  local log=$TMPDIR/ctest-$1.log skipped
  stage cmake --preset "$1"
  stage cmake --build --preset "$1"
  stage "$machinery/with-xvfb" ctest --preset "$1" --output-log "$log"
  skipped=$(grep -E '\*\*\*Skipped|\(Skipped\)' "$log" || true)
  # What only root may do is tested where root runs the tests.
  ((EUID == 0)) || skipped=$(grep -v ' ReadableFilePosix\.WaitingPseudoFileFails ' <<<"$skipped" || true)
  if [[ ${CI:-} == true && -n $skipped ]]; then
    echo "test: under CI no test may be skipped: CI installs all that the tests need" >&2
    echo "$skipped" >&2
    exit 1
  fi
}

for preset in linux linux-asan win64-wine; do tests "$preset"; done

stage cmake --preset win32
stage cmake --build --preset win32
"$machinery/inspect-product.sh" build/win32
stage "$machinery/check-release.sh"

# Last: the platform tests built for i686, and the end-to-end suite against
# the very program above, under 32-bit Wine (wine32-run.sh).
# VARNHOLT_SKIP_I686=1 skips this stage in a local run.
if [[ -n ${VARNHOLT_SKIP_I686:-} ]]; then
  echo "test: VARNHOLT_SKIP_I686 is set: the i686 stage is skipped"
  exit 0
fi
started=$SECONDS
stage "$machinery/wine32-run.sh" --prepare && status=0 || status=$?
if ((status == 77)); then
  [[ ${CI:-} != true ]] || { echo "test: under CI the i686 stage may not be skipped" >&2; exit 1; }
  echo "test: the i686 stage is skipped (the reason is above)"
  exit 0
fi
((status == 0)) || exit "$status"
tests i686-wine
echo "test: the i686 stage took $((SECONDS - started)) s"
