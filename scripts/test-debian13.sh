#!/usr/bin/env bash
# Runs the test command, scripts/test.sh, on Debian 13 (trixie), as root of a
# throw-away layer over a Debian 13 root with everything scripts/deps.sh
# names, on a copy of this tree: the layer, its mounts and its processes go
# when the run ends, so the root stays as it was made. The root, and the
# stage's own caches (its roots and compiler cache), are made once per
# machine and user in $VARNHOLT_DEBIAN13_CACHE (scripts/debian-root.sh names
# the default); --prepare only makes them.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

root_name=test-debian13
# shellcheck source=scripts/debian-root.sh
source scripts/debian-root.sh

# Exported: inside root_enter this user is root, whose default differs.
export VARNHOLT_DEBIAN13_CACHE=${VARNHOLT_DEBIAN13_CACHE:-$(root_cache_home debian13)}
cache=$VARNHOLT_DEBIAN13_CACHE

# in_layer COMMAND...: COMMAND in a layer over the root, on a copy of this
# tree in memory, with the stage's own caches.
in_layer() {
  root_layer "$cache/root" --ro-bind "$PWD" /checkout --tmpfs /src \
    --bind "$cache/wine32" /var/cache/varnholt-wine32 --bind "$cache/check" /var/cache/varnholt-check \
    --bind "$cache/ccache" /var/cache/varnholt-ccache -- \
    SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" CI="${CI:-}" \
    VARNHOLT_WINE32_MODE="${VARNHOLT_WINE32_MODE:-auto}" sh -c '
      tar -C /checkout --exclude=./build --exclude=./.git -cf - . | tar -C /src -xf - &&
      cd /src && exec "$@"' sh "$@"
}
root_inside "$@"
((EUID == 0)) || root_ids >/dev/null || { [[ ${CI:-} == true ]] && exit 1; exit 77; }
# A change of the package list remakes the root.
root_debian "$cache" trixie amd64 "$(bash scripts/deps.sh --list)"
mkdir -p "$cache"/{wine32,check,ccache}

# The release builds inside take their times from the commit.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
# The stage's own roots are made beside its first builds.
root_enter "$self" --in-namespace in_layer sh -c \
  'scripts/wine32-run.sh --prepare && scripts/check-release.sh --prepare' 9<&- &
roots=$!
trap 'kill $roots 2>/dev/null || true' EXIT
[[ ${1:-} != --prepare ]] || { wait $roots; exit; }
started=$SECONDS
root_enter "$self" --in-namespace in_layer bash scripts/test.sh 9<&-
wait $roots
echo "$root_name: scripts/test.sh passed on Debian 13 in $((SECONDS - started)) s"
