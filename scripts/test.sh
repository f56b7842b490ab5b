#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

for preset in linux linux-asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
