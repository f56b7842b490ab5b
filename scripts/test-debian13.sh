#!/usr/bin/env bash
# Runs the test command, scripts/test.sh, on Debian 13 (trixie): in a Debian 13
# root with everything scripts/deps.sh names, made once per machine by
# mmdebstrap, under a lock, in $VARNHOLT_DEBIAN13_CACHE (default
# /var/cache/varnholt-debian13), from the Debian archive this machine's apt
# uses (scripts/debian-root.sh). Each run works on a copy of this tree in a
# throw-away layer over the root, entered with bubblewrap in private mount and
# PID namespaces: the layer, its mounts and its processes go when the run
# ends, so the root stays as it was made and runs beside each other do not
# meet. The i686 stage runs there too, on the machine's i386 root
# (scripts/wine32-run.sh), which it shares. Needs root.
# "test-debian13.sh --prepare" only makes the root.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=CI,VARNHOLT_DEBIAN13_CACHE,VARNHOLT_WINE32_CACHE,VARNHOLT_WINE32_MODE,VARNHOLT_CCACHE_DIR \
    "$0" "$@"
fi

root_name=test-debian13
# shellcheck source=scripts/debian-root.sh
source scripts/debian-root.sh

cache=${VARNHOLT_DEBIAN13_CACHE:-/var/cache/varnholt-debian13}
wine32_cache=${VARNHOLT_WINE32_CACHE:-/var/cache/varnholt-wine32}
ccache_dir=${VARNHOLT_CCACHE_DIR:-/var/cache/varnholt-ccache}
# What scripts/check-release.sh adds to scripts/deps.sh's list.
packages=$(bash scripts/deps.sh --list lintian appstream desktop-file-utils clang-tidy unzip)
# A change of the package list remakes the root.
recipe="2 trixie amd64 minbase $(sha256sum <<<"$packages" | cut -c1-16)"

# Inside the namespaces: the test command on a copy of the tree, in a layer
# over the root that lives on a tmpfs of this namespace only.
if [[ ${1:-} == --run-tests ]]; then
  run=$cache/run
  mount -t tmpfs -o mode=0755 layer "$run"
  mkdir "$run/upper" "$run/work" "$run/root"
  mount -t overlay overlay \
    -o "lowerdir=$cache/root,upperdir=$run/upper,workdir=$run/work" "$run/root"
  mkdir -p "$run/root/src" "$run/root$wine32_cache" "$run/root$ccache_dir"
  tar --exclude=./build --exclude=./.git -cf - . | tar -C "$run/root/src" -xf -
  # The namespace's own /proc, whole: the emulated i686 runs mount another
  # one in a user namespace, which the kernel allows only beside a /proc
  # that hides nothing (bwrap's --proc covers parts of it).
  exec bwrap --die-with-parent --bind "$run/root" / --dev /dev --bind /proc /proc \
    --bind /sys /sys --perms 1777 --tmpfs /dev/shm --perms 1777 --tmpfs /tmp \
    --bind "$wine32_cache" "$wine32_cache" --bind "$ccache_dir" "$ccache_dir" --chdir /src \
    /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" CI="${CI:-}" \
    VARNHOLT_WINE32_CACHE="$wine32_cache" VARNHOLT_WINE32_MODE="${VARNHOLT_WINE32_MODE:-auto}" \
    VARNHOLT_CCACHE_DIR="$ccache_dir" \
    bash scripts/test.sh
fi

made() { root_recipe_is "$cache" "$recipe"; }
make_root() {
  local started=$SECONDS
  rm -f "$cache/.ready"
  root_make "$cache/root.new" trixie amd64 --include="$packages"
  rm -rf "${cache:?}/root"
  mv "$cache/root.new" "$cache/root"
  mkdir -p "$cache/run"
  root_recipe_done "$cache" "$recipe"
  echo "$root_name: the Debian 13 root took $((SECONDS - started)) s to make"
}
root_cache "$cache" made make_root
[[ ${1:-} != --prepare ]] || exit 0

# Both release builds inside take their times from the commit being tested.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
root_cache_dir "$wine32_cache"
root_cache_dir "$ccache_dir"
started=$SECONDS
root_enter "$0" --run-tests 9<&-
echo "$root_name: scripts/test.sh passed on Debian 13 in $((SECONDS - started)) s"
