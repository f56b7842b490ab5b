#!/usr/bin/env bash
# usage: run.sh
# Installs what is missing, builds the Linux program and starts it on the
# desktop's display; the README tells how to start the Windows one under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh program
# A build of its own: the tests' build needs more than the program installs.
cmake --preset linux -B build/program -DBUILD_TESTING=OFF
cmake --build build/program -j2 --target varnholt
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run: no display; run it from a desktop session (or take a picture: scripts/machinery/with-xvfb scripts/pictures/screenshot gtk)" >&2
  exit 1
fi
exec build/program/main_window/varnholt
