# shellcheck shell=bash
# Sourced. Debian roots for the tests: made once per machine in a cache
# folder of their own, from the Debian archive that this machine's apt uses,
# and entered in private namespaces that take their mounts and processes with
# them when the command ends or its caller dies. Needs root.

root_die() {
  echo "${root_name:-debian-root}: $*" >&2
  exit 1
}

# root_cache_dir DIR: makes DIR the cache folder, or refuses it. It must be an
# absolute path written plainly, not /, and either new, empty or already ours.
root_cache_dir() {
  local dir=$1
  [[ $dir == /?* && $dir != */ && $(realpath -m -- "$dir") == "$dir" ]] ||
    root_die "the cache folder must be an absolute path of its own, not '$dir'"
  if [[ -d $dir && -n $(ls -A -- "$dir") && ! -e $dir/.varnholt-cache && ! -e $dir/.ready ]]; then
    root_die "$dir holds files that are not Varnholt's; choose another cache folder"
  fi
  mkdir -p -- "$dir"
  touch -- "$dir/.varnholt-cache"
}

# root_cache DIR RECIPE MAKE...: DIR as the cache folder, made by the command
# MAKE unless it was made by the same RECIPE already. MAKE runs holding the
# cache's lock alone; then the caller holds it shared, on descriptor 9, for as
# long as it runs, so that no remaking removes what a run uses. Commands run
# with 9>&- do not hold it.
root_cache() {
  local dir=$1 recipe=$2
  shift 2
  root_cache_dir "$dir"
  exec 9>"$dir/.lock"
  flock 9
  if [[ ! -f $dir/.ready || $(<"$dir/.ready") != "$recipe" ]]; then
    rm -f "$dir/.ready"
    "$@"
    echo "$recipe" >"$dir/.ready"
  fi
  flock -s 9
}

# root_mirror: the Debian archive that this machine's apt takes its own
# release from, as apt reads its sources (sources.list or deb822 .sources).
root_mirror() {
  local codename mirror
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  mirror=$(apt-get indextargets --no-release-info \
    --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
    awk -v release="$codename" '$2 == release && $3 == "main" { print $1; exit }')
  [[ -n $mirror ]] || root_die "apt has no source for Debian $codename main on this machine"
  echo "${mirror%/}"
}

# root_apt_proxy: the machine's apt proxy settings, for a root's apt.conf.d.
root_apt_proxy() {
  apt-config dump | grep -E '^Acquire::[a-z]+::Proxy' || true
}

# root_bootstrap DIR SUITE ARCH [DEBOOTSTRAP-OPTION...]: a minimal Debian in
# DIR, made afresh; with --foreign only its first stage (for another arch).
root_bootstrap() {
  local dir=$1 suite=$2 arch=$3 mirror proxy
  shift 3
  command -v debootstrap >/dev/null || root_die "debootstrap is missing (scripts/deps.sh installs it)"
  mirror=$(root_mirror)
  proxy=$(apt-config dump --format '%v%n' Acquire::http::Proxy)
  rm -rf -- "$dir"
  echo "${root_name:-debian-root}: making a Debian $suite ($arch) root from $mirror in $dir" >&2
  http_proxy=${proxy:-${http_proxy:-}} setpriv --pdeathsig KILL unshare --mount --propagation private \
    debootstrap --arch="$arch" --variant=minbase "$@" "$suite" "$dir" "$mirror" >&2 ||
    root_die "debootstrap of $suite failed"
  root_apt_proxy >"$dir/etc/apt/apt.conf.d/00varnholt-proxy"
}

# root_mount DIR: what programs in DIR expect of /proc, /dev and /sys. Only
# inside a namespace of root_enter's.
root_mount() {
  local dir=$1
  mount -t proc proc "$dir/proc"
  mount --rbind /dev "$dir/dev"
  mount -t tmpfs -o mode=1777 shm "$dir/dev/shm"
  mount --rbind /sys "$dir/sys"
}

# root_enter [--user] COMMAND...: COMMAND in private mount and PID namespaces;
# with --user also in a user namespace that maps every id to itself, so that
# root there is root here while per-namespace facilities (binfmt_misc on Linux
# 6.7 and later) are its own. Whatever COMMAND leaves running ends with it,
# and all ends if the caller is killed.
root_enter() {
  if [[ $1 != --user ]]; then
    setpriv --pdeathsig KILL unshare --mount --propagation private --pid --fork --kill-child "$@"
    return
  fi
  shift
  # The ids are mapped from outside, so a holder keeps the namespaces while
  # the map is written; then COMMAND joins them.
  setpriv --pdeathsig KILL unshare --user --mount --propagation private --pid --fork \
    --kill-child bash -c 'while :; do sleep 3600 & wait $!; done' &
  local holder=$! init="" status _
  for _ in $(seq 200); do
    [[ $(readlink "/proc/$holder/ns/user") != "$(readlink /proc/self/ns/user)" ]] &&
      read -r init _ <"/proc/$holder/task/$holder/children" && [[ -n $init ]] && break
    sleep 0.05
  done
  [[ -n $init ]] || root_die "no user namespace"
  echo '0 0 4294967295' >"/proc/$holder/uid_map"
  echo '0 0 4294967295' >"/proc/$holder/gid_map"
  status=0
  setpriv --pdeathsig KILL nsenter --target "$init" --user --mount --pid -- "$@" || status=$?
  kill -KILL "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  return $status
}
