#!/usr/bin/env bash
# usage: test-debian13.sh [--prepare]
# Runs scripts/test.sh on Debian 13 as root of a layer over a Debian 13 root
# with all that deps.sh names, on a copy of this tree in memory, with /dev/fuse
# where there is one (reprotest). Its roots and compiler cache are in the cache
# folder debian13-stage, root's cache inside. --prepare makes the roots.
set -euo pipefail
cd "$(dirname "$0")/../.."
debian_root=scripts/machinery/debian-root
# A change of the package list remakes the root. The release builds inside
# take their times from the commit.
"$debian_root" make debian13 trixie amd64 "$(bash scripts/deps.sh --list | tr ' ' ,)"
caches=$("$debian_root" cache debian13-stage)
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
settings=(--setenv SOURCE_DATE_EPOCH "$epoch" --setenv CI "${CI:-}")
[[ -z ${VARNHOLT_WINE32_MODE:-} ]] || settings+=(--setenv VARNHOLT_WINE32_MODE "$VARNHOLT_WINE32_MODE")
in_layer=("$debian_root" run debian13 --layer --dev-bind-try /dev/fuse /dev/fuse --ro-bind "$PWD" /checkout --tmpfs /src
  --bind "$caches" /var/cache/varnholt "${settings[@]}" --chdir /src -- sh -c '
    tar -C /checkout --exclude=./build --exclude=./.git -cf - . | tar -xf - && exec "$@"' sh)

# The stage's own roots are made beside its first builds.
"${in_layer[@]}" sh -c 'm=scripts/machinery && $m/wine-run.sh --prepare && $m/wine-run.sh --32 --prepare &&
  $m/check-release.sh --prepare' &
roots=$!
trap '{ kill "$roots" && wait "$roots"; } 2>/dev/null || true' EXIT
[[ ${1:-} != --prepare ]] || { wait "$roots"; exit; }
started=$SECONDS
"${in_layer[@]}" bash scripts/test.sh
wait "$roots"
echo "test-debian13: scripts/test.sh passed on Debian 13 in $((SECONDS - started)) s"
