#!/usr/bin/env bash
# usage: run-wine.sh
# Builds the Windows program (x86_64) and runs it under Wine on $DISPLAY,
# with the build tree's Wine prefix template, so later starts are quick.
set -euo pipefail
cd "$(dirname "$0")/../.."

scripts/deps.sh
cmake --preset win64-wine
cmake --build --preset win64-wine --target Varnholt
if [[ -z ${DISPLAY:-} ]]; then
  echo "run-wine: no DISPLAY; run it from a desktop session, or take a picture: scripts/machinery/with-xvfb scripts/pictures/screenshot wine" >&2
  exit 1
fi
cd build/win64-wine
exec ../../scripts/machinery/wine-run.sh main_window/Varnholt.exe
