# shellcheck shell=bash
# Sourced. Debian roots for the tests: made once per machine by mmdebstrap, in
# a cache folder of their own, from the Debian archive that this machine's apt
# uses, in private namespaces that take their mounts and processes with them
# when the command ends or its caller dies. Needs root.

root_die() {
  echo "${root_name:-debian-root}: $*" >&2
  exit 1
}

# root_cache_dir DIR: makes DIR the cache folder, or refuses it. It must be an
# absolute path written plainly (no link, no . or ..), not /, owned by this
# user and writable by no one else, and new, empty or marked as ours.
root_cache_dir() {
  local dir=$1
  [[ $dir == /?* && $dir != */ && $(realpath -m -- "$dir") == "$dir" ]] ||
    root_die "the cache folder must be an absolute path of its own, not '$dir'"
  [[ -e $dir ]] || mkdir -p -- "$dir"
  [[ -d $dir && -O $dir && $(stat -c %A -- "$dir") == d????-??-?* ]] ||
    root_die "$dir is not a folder that this user alone may write to"
  [[ -e $dir/.varnholt-cache || -z $(ls -A -- "$dir") ]] ||
    root_die "$dir holds files that are not Varnholt's; choose another cache folder"
  touch -- "$dir/.varnholt-cache"
}

# root_cache DIR MADE MAKE: DIR as the cache folder, where the command MAKE
# makes what the command MADE finds. Runs hold the folder's lock shared, on
# descriptor 9, for as long as they run, so that nothing is remade under them;
# MAKE runs holding it alone. A lock changes kind only by being let go, so
# MADE is asked again after every change.
root_cache() {
  local dir=$1 made=$2 make=$3
  root_cache_dir "$dir"
  exec 9<"$dir"
  until flock -s 9 && $made; do
    flock -x 9
    $made || $make 9<&-
  done
}

# root_recipe_is DIR RECIPE: DIR was made by RECIPE (root_recipe_done wrote it).
root_recipe_is() { [[ -f $1/.ready && $(<"$1/.ready") == "$2" ]]; }
root_recipe_done() { echo "$2" >"$1/.ready"; }

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

# root_make DIR SUITE ARCH [MMDEBSTRAP-OPTION...]: a minimal Debian in DIR,
# made afresh in one apt run, with this machine's apt proxy.
root_make() {
  local dir=$1 suite=$2 arch=$3 mirror setting options=()
  shift 3
  mirror=$(root_mirror)
  while read -r setting; do
    options+=("--aptopt=$setting")
  done < <(apt-config dump | grep -E '^Acquire::[a-z]+::Proxy ' || true)
  rm -rf -- "$dir" "$dir.tmp"
  mkdir -- "$dir.tmp"
  echo "${root_name:-debian-root}: making a Debian $suite ($arch) root from $mirror in $dir" >&2
  # Its scratch files in the cache too, where a killed run's are removed next time.
  TMPDIR=$dir.tmp root_enter mmdebstrap --quiet --mode=root --variant=minbase --arch="$arch" \
    "${options[@]}" "$@" "$suite" "$dir" "$mirror" >&2 || root_die "mmdebstrap of $suite failed"
  rm -rf -- "$dir.tmp"
}

# root_enter [--user] COMMAND...: COMMAND in private mount and PID namespaces,
# in the current folder; with --user also in a user namespace that maps every
# id to itself, so that root there is root here while per-namespace
# facilities (binfmt_misc on Linux 6.7 and later) are its own; COMMAND mounts
# the namespace's /proc itself. Whatever
# COMMAND leaves running ends with it, and all ends if the caller is killed.
root_enter() {
  if [[ $1 != --user ]]; then
    setpriv --pdeathsig KILL unshare --mount --propagation private --pid --fork --kill-child \
      --mount-proc "$@"
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
  setpriv --pdeathsig KILL nsenter --target "$init" --user --mount --pid --wd="$PWD" -- "$@" ||
    status=$?
  kill -KILL "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  return $status
}
