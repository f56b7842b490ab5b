#!/usr/bin/env bash
# Runs the test command, scripts/test.sh, on Debian 13 (trixie): in a Debian 13
# root with everything scripts/deps.sh names, made once per machine and user
# by mmdebstrap, under a lock, in $VARNHOLT_DEBIAN13_CACHE
# (scripts/debian-root.sh names the default), from the Debian archive this
# machine's apt uses. Each run works on a copy of this tree in a throw-away
# layer over the root, on a tmpfs, entered with bubblewrap in private mount
# and PID namespaces (for anyone but root in a user namespace, where the test
# command is root): the layer, its mounts and its processes go when the run
# ends, so the root stays as it was made and runs beside each other do not
# meet. The cache also holds the stage's compiler cache and the i386 Debian
# 13 root of its i686 stage (scripts/wine32-run.sh).
# "test-debian13.sh --prepare" only makes the roots.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."

root_name=test-debian13
# shellcheck source=scripts/debian-root.sh
source scripts/debian-root.sh

# Exported: inside root_enter this user is root, whose default differs.
export VARNHOLT_DEBIAN13_CACHE=${VARNHOLT_DEBIAN13_CACHE:-$(root_cache_home debian13)}
cache=$VARNHOLT_DEBIAN13_CACHE
packages=$(bash scripts/deps.sh --list)
# A change of the package list remakes the root.
recipe="3 trixie amd64 minbase $(sha256sum <<<"$packages" | cut -c1-16)"

# in_layer COMMAND...: COMMAND in a layer over the root, as root, on a copy of
# this tree, with the stage's own caches.
in_layer() {
  local folder binds=()
  for folder in wine32 check ccache; do
    binds+=(--bind "$cache/$folder" "/var/cache/varnholt-$folder")
  done
  root_layer "$cache/root" --ro-bind "$PWD" /checkout "${binds[@]}" -- \
    SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" CI="${CI:-}" \
    VARNHOLT_WINE32_MODE="${VARNHOLT_WINE32_MODE:-auto}" sh -c '
      mkdir /src && tar -C /checkout --exclude=./build --exclude=./.git -cf - . | tar -C /src -xf - &&
      cd /src && exec "$@"' sh "$@"
}

root_inside "$@"

made() { root_recipe_is "$cache" "$recipe"; }
make_root() {
  local started=$SECONDS
  rm -f "$cache/.ready"
  root_enter "$self" --in-namespace root_make "$cache/root" trixie amd64 --include="$packages"
  mkdir -p "$cache/layer" "$cache/wine32" "$cache/check" "$cache/ccache"
  root_recipe_done "$cache" "$recipe"
  echo "$root_name: the Debian 13 root took $((SECONDS - started)) s to make"
}
((EUID == 0)) || root_ids >/dev/null || { [[ ${CI:-} == true ]] && exit 1; exit 77; }
root_cache "$cache" made make_root

# Both release builds inside take their times from the commit being tested.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
if [[ ${1:-} == --prepare ]]; then
  root_enter "$self" --in-namespace in_layer sh -c \
    'scripts/wine32-run.sh --prepare && scripts/check-release.sh --prepare' 9<&-
  exit
fi
started=$SECONDS
root_enter "$self" --in-namespace in_layer bash scripts/test.sh 9<&-
echo "$root_name: scripts/test.sh passed on Debian 13 in $((SECONDS - started)) s"
