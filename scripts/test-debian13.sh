#!/usr/bin/env bash
# Runs the test command, scripts/test.sh, on Debian 13 (trixie): in a Debian 13
# root with everything scripts/deps.sh names, made once per machine, under a
# lock, in $VARNHOLT_DEBIAN13_CACHE (default /var/cache/varnholt-debian13),
# from the Debian archive this machine's apt uses (cmake/debian-root.sh).
# Each run works on a copy of this tree in a throw-away layer over the root,
# in private mount and PID namespaces: the layer, its mounts and its processes
# go when the run ends, so the root stays as it was made and runs beside each
# other do not meet. The i686 stage is left to the host's run. Needs root.
# "test-debian13.sh --prepare" only makes the root.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $(id -u) -ne 0 ]]; then
  exec sudo --preserve-env=VARNHOLT_DEBIAN13_CACHE "$0" "$@"
fi

root_name=test-debian13
# shellcheck source=cmake/debian-root.sh
source cmake/debian-root.sh

cache=${VARNHOLT_DEBIAN13_CACHE:-/var/cache/varnholt-debian13}
# What scripts/check-release.sh adds to scripts/deps.sh's list.
extra=(lintian appstream desktop-file-utils clang-tidy unzip)
# A change of the package list remakes the root.
recipe="1 trixie amd64 minbase $(sha256sum scripts/deps.sh | cut -c1-16) ${extra[*]}"

# Inside the namespaces: the packages, installed into the new root.
install_packages() {
  local root=$cache/root.new
  root_mount "$root"
  # Nothing is started inside the root while packages are installed.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  cp scripts/deps.sh "$root/tmp/deps.sh"
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    bash /tmp/deps.sh "${extra[@]}" >&2
  chroot "$root" apt-get clean
  rm "$root/tmp/deps.sh"
}

# Inside the namespaces: the test command on a copy of the tree, in a layer
# over the root that lives on a tmpfs of this namespace only.
run_tests() {
  local run=$cache/run
  mount -t tmpfs -o mode=0755 layer "$run"
  mkdir "$run/upper" "$run/work" "$run/root"
  mount -t overlay overlay \
    -o "lowerdir=$cache/root,upperdir=$run/upper,workdir=$run/work" "$run/root"
  root_mount "$run/root"
  mkdir "$run/root/src"
  tar --exclude=./build --exclude=./.git -cf - . | tar -C "$run/root/src" -xf -
  chroot "$run/root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    LANG=C.UTF-8 SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" VARNHOLT_SKIP_I686=1 \
    bash -c 'cd /src && bash scripts/test.sh'
}

case ${1:-} in
  --install-packages) install_packages; exit ;;
  --run-tests) run_tests; exit ;;
esac

make_root() {
  local started=$SECONDS
  root_bootstrap "$cache/root.new" trixie amd64
  root_enter "$0" --install-packages 9>&-
  rm -rf "${cache:?}/root"
  mv "$cache/root.new" "$cache/root"
  mkdir -p "$cache/run"
  echo "$root_name: the Debian 13 root took $((SECONDS - started)) s to make"
}
root_cache "$cache" "$recipe" make_root
[[ ${1:-} != --prepare ]] || exit 0

# Both release builds inside take their times from the commit being tested.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
started=$SECONDS
root_enter "$0" --run-tests 9>&-
echo "$root_name: scripts/test.sh passed on Debian 13 in $((SECONDS - started)) s"
