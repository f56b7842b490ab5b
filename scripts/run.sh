#!/usr/bin/env bash
# Installs what is missing, builds, and runs the engine's benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset linux
cmake --build --preset linux
build/linux/bench/md5_bench
