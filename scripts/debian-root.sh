# shellcheck shell=bash
# Sourced. Debian roots for the tests: made once per machine by mmdebstrap, in
# a cache folder of the caller's own, from the Debian archive that this
# machine's apt uses, in a user namespace whose mounts and processes end with
# the command or its caller. Root's caches are in /var/cache, anyone else's
# in their own cache folder; another user needs subordinate ids (useradd
# gives them), with which the root's other owners are mapped.

root_die() {
  echo "${root_name:-debian-root}: $*" >&2
  exit 1
}

# root_cache_home NAME: the default folder of the cache NAME.
root_cache_home() {
  if ((EUID == 0)); then echo "/var/cache/varnholt-$1"; else echo "${XDG_CACHE_HOME:-$HOME/.cache}/varnholt/$1"; fi
}

# root_cache_dir DIR: makes DIR the cache folder, or refuses it. It must be an
# absolute path written plainly (no link, no . or ..), not /, owned by this
# user and writable by no one else, and new, empty or marked as ours.
root_cache_dir() {
  local dir=$1
  [[ $dir == /?* && $dir != */ && $(realpath -m -- "$dir") == "$dir" ]] ||
    root_die "the cache folder must be an absolute path of its own, not '$dir'"
  [[ -e $dir ]] || mkdir -p -m 755 -- "$dir"
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
# made afresh in one apt run, with this machine's apt proxy. Runs inside
# root_enter, where mmdebstrap is root already.
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
  TMPDIR=$dir.tmp mmdebstrap --quiet --mode=unshare --variant=minbase --arch="$arch" \
    "${options[@]}" "$@" "$suite" "$dir" "$mirror" >&2 || root_die "mmdebstrap of $suite failed"
  rm -rf -- "$dir.tmp"
}

# root_ids: this user's subordinate ids as "UID-START COUNT GID-START COUNT";
# fails, naming the fix, where there are none.
root_ids() {
  local user ids
  user=$(id -un)
  ids="$(getsubids "$user" 2>/dev/null | awk '{ print $3, $4; exit }') $(getsubids -g "$user" 2>/dev/null | awk '{ print $3, $4; exit }')"
  [[ $ids =~ ^[0-9]+\ [0-9]+\ [0-9]+\ [0-9]+$ ]] && echo "$ids" && return
  echo "$user has no subordinate ids; give it some with: sudo usermod --add-subuids 100000-165535 --add-subgids 100000-165535 $user" >&2
  return 1
}

# root_enter [--user] COMMAND...: COMMAND as root, in private mount and PID
# namespaces, in the current folder; COMMAND mounts the namespace's /proc
# itself. Anyone but root, and root with --user, is root of a user namespace
# of its own, whose per-namespace facilities (binfmt_misc on Linux 6.7 and
# later) are its own: root there is the user, ids from 1 on the user's
# subordinate ids; root's ids map to themselves. Whatever COMMAND leaves
# running ends with it, and all ends if the caller is killed.
root_enter() {
  local namespaces=(setpriv --pdeathsig KILL unshare --mount --propagation private --pid --fork
    --kill-child) ids
  if ((EUID != 0)); then
    ids=($(root_ids)) || return 1
    [[ $1 != --user ]] || shift
    "${namespaces[@]}" --map-root-user --map-users="${ids[0]},1,${ids[1]}" \
      --map-groups="${ids[2]},1,${ids[3]}" "$@"
    return
  fi
  [[ $1 == --user ]] || { "${namespaces[@]}" "$@"; return; }
  shift
  # Root's map is written from outside, so a holder keeps the namespaces
  # while it is written; then COMMAND joins them.
  "${namespaces[@]}" --user bash -c 'while :; do sleep 3600 & wait $!; done' &
  local holder=$! init="" status=0 _
  for _ in $(seq 200); do
    [[ $(readlink "/proc/$holder/ns/user") != "$(readlink /proc/self/ns/user)" ]] &&
      read -r init _ <"/proc/$holder/task/$holder/children" && [[ -n $init ]] && break
    sleep 0.05
  done
  [[ -n $init ]] || root_die "no user namespace"
  awk '{ print $1, $1, $3 }' /proc/self/uid_map >"/proc/$holder/uid_map"
  awk '{ print $1, $1, $3 }' /proc/self/gid_map >"/proc/$holder/gid_map"
  setpriv --pdeathsig KILL nsenter --target "$init" --user --mount --pid --wd="$PWD" -- "$@" ||
    status=$?
  kill -KILL "$holder" 2>/dev/null || true
  wait "$holder" 2>/dev/null || true
  return $status
}

# root_inside "$@": in a script that root_enter started as
# "SCRIPT --in-namespace COMMAND...", mounts the namespace's /proc, runs
# COMMAND (a function of the script's) and exits; elsewhere nothing.
root_inside() {
  [[ ${1:-} == --in-namespace ]] || return 0
  shift
  mount -t proc proc /proc
  "$@"
  exit
}

# root_layer ROOT [BWRAP-OPTION...] -- COMMAND...: COMMAND as root in a
# throw-away layer over ROOT, which lives on a tmpfs of this namespace only,
# mounted on ROOT's sibling folder "layer", with PATH, HOME and LANG as the
# only environment beyond what COMMAND sets (NAME=VALUE words first). Runs
# inside root_enter.
root_layer() {
  local root=$1 layer options=()
  layer=$(dirname "$1")/layer
  shift
  while [[ $1 != -- ]]; do options+=("$1") && shift; done
  shift
  mount -t tmpfs -o mode=0755 layer "$layer"
  mkdir "$layer/upper" "$layer/work" "$layer/root"
  mount -t overlay overlay -o "lowerdir=$root,upperdir=$layer/upper,workdir=$layer/work" \
    "$layer/root"
  # The namespace's own /proc, whole: an emulated i686 run mounts another one
  # in a user namespace, which the kernel allows only beside a /proc that
  # hides nothing (bwrap's --proc covers parts of it).
  bwrap --die-with-parent --bind "$layer/root" / --dev /dev --bind /proc /proc --bind /sys /sys \
    --perms 1777 --tmpfs /dev/shm --perms 1777 --tmpfs /tmp "${options[@]}" \
    /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}
