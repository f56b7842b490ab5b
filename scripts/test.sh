#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test suite: native,
# native under sanitizers, the Windows build under Wine; builds and inspects
# the 32-bit Windows product, and runs the tests against it. One run at a time
# in a checkout; root only installs packages. Under CI (CI=true) a skipped
# test fails the run, but for one that needs root when another user runs it.
set -euo pipefail
cd "$(dirname "$0")/.."

exec 7<.
flock -n 7 || { echo "test: another test command is running in $PWD" >&2; exit 1; }

scripts/deps.sh

# A compiler cache outside the checkout, for the builds configured here.
root_name=test
# shellcheck source=scripts/debian-root.sh
source scripts/debian-root.sh
export CCACHE_DIR=${VARNHOLT_CCACHE_DIR:-$(root_cache_home ccache)} CCACHE_MAXSIZE=2G
root_cache_dir "$CCACHE_DIR"
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache

# shellcheck source=scripts/stages.sh
source scripts/stages.sh
# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh
logs=$(mktemp -d)
trap 'stage_stop; stop_xvfb; rm -rf "$logs"' EXIT
start_xvfb 7<&-

# tests PRESET: its build and its tests.
tests() {
  local log=$logs/ctest-$1.log skipped
  stage cmake --preset "$1"
  stage cmake --build --preset "$1"
  stage ctest --preset "$1" --output-log "$log"
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
scripts/inspect-product.sh build/win32
stage scripts/check-release.sh

# Last: the platform tests built for i686, and the end-to-end suite against
# the very program above, under 32-bit Wine (scripts/wine32-run.sh).
# VARNHOLT_SKIP_I686=1 skips this stage in a local run.
if [[ ${VARNHOLT_SKIP_I686:-} == 1 ]]; then
  echo "test: VARNHOLT_SKIP_I686=1: the i686 stage is skipped"
  exit 0
fi
started=$SECONDS
stage scripts/wine32-run.sh --prepare && status=0 || status=$?
((status != 77)) || { echo "test: the i686 stage is skipped (the reason is above)"; exit 0; }
((status == 0)) || exit $status
tests i686-wine
echo "test: the i686 stage took $((SECONDS - started)) s"
