#!/usr/bin/env bash
# Builds the Windows program (x86_64) and runs it under Wine on $DISPLAY.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset win64-wine
cmake --build --preset win64-wine --target Varnholt
if [[ -z ${DISPLAY:-} ]]; then
  echo "run-wine: no DISPLAY; start one (Xvfb :1 & export DISPLAY=:1) and look with a VNC viewer," >&2
  echo "or take a picture with scripts/screenshot.sh" >&2
  exit 1
fi
# The Wine prefix template stays in the build tree, so later starts are quick.
export VARNHOLT_WINE_ROOT=$PWD/build/win64-wine
exec scripts/wine-run.sh build/win64-wine/main_window/Varnholt.exe
