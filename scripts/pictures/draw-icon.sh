#!/usr/bin/env bash
# Rebuilds the icon generator and regenerates the committed resources/icon/.
set -euo pipefail
cd "$(dirname "$0")/../.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -o "$work/DrawIcon" \
  resources/DrawIcon.cpp resources/IconImage.cpp resources/IconPicture.cpp \
  resources/IconPng.cpp
"$work/DrawIcon" resources/icon
ls -l resources/icon
