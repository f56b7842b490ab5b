# shellcheck shell=bash
# Sourced. Debian roots for the tests, made once per machine and user by
# mmdebstrap from the Debian archive that this machine's apt uses, in cache
# folders of the user's own, in namespaces that end with their command.
root_release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

root_die() {
  echo "${root_name:-debian-root}: $*" >&2
  exit 1
}

# root_cache_home NAME: the default folder of the cache NAME: in /var/cache for
# root, else in the user's cache folder.
root_cache_home() {
  if ((EUID == 0)); then echo "/var/cache/varnholt-$1"; else echo "${XDG_CACHE_HOME:-$HOME/.cache}/varnholt/$1"; fi
}

# root_cache_dir DIR: makes DIR the cache folder, or refuses it: an absolute
# path written plainly, not /, owned and writable by this user alone, and
# new, empty or marked as ours.
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
# makes what the command MADE finds. Runs hold its lock shared (descriptor 9)
# while they run, MAKE alone; a lock changes kind only by being let go, so
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

# root_recipe_is DIR RECIPE: root_recipe_done wrote RECIPE in DIR.
root_recipe_is() { [[ -f $1/.ready && $(<"$1/.ready") == "$2" ]]; }
root_recipe_done() { echo "$2" >"$1/.ready"; }

# root_mirror: the Debian archive of this machine's release, as apt reads it.
root_mirror() {
  local mirror
  mirror=$(apt-get indextargets --no-release-info \
    --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
    awk -v release="$root_release" '$2 == release && $3 == "main" { print $1; exit }')
  [[ -n $mirror ]] || root_die "apt has no source for Debian $root_release main on this machine"
  echo "${mirror%/}"
}

# root_make DIR SUITE ARCH [MMDEBSTRAP-OPTION...]: a minimal Debian in DIR,
# made afresh in one apt run, with this machine's apt proxy; inside
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
  # Scratch files in the cache, where a killed run's are removed next time.
  TMPDIR=$dir.tmp mmdebstrap --quiet --mode=unshare --variant=minbase --arch="$arch" \
    "${options[@]}" "$@" "$suite" "$dir" "$mirror" >&2 || root_die "mmdebstrap of $suite failed"
  rm -rf -- "$dir.tmp"
}

# root_debian CACHE SUITE ARCH PACKAGES: CACHE as the cache folder (with
# root_cache's lock), whose root is a Debian SUITE with PACKAGES, made unless
# it was, by the calling script ($self, which calls root_inside).
root_debian() {
  local cache=$1 suite=$2 arch=$3 packages=$4 recipe
  recipe="$suite $arch minbase $(sha256sum <<<"$packages" | cut -c1-16)"
  root_debian_made() { root_recipe_is "$cache" "$recipe"; }
  root_debian_make() {
    rm -f "$cache/.ready"
    root_enter "$self" --in-namespace root_make "$cache/root" "$suite" "$arch" --include="$packages"
    root_recipe_done "$cache" "$recipe"
  }
  root_cache "$cache" root_debian_made root_debian_make
}

# root_ids: this user's subordinate ids as "UID-START COUNT GID-START COUNT";
# fails, naming the fix, where there are none.
root_ids() {
  local ids free
  ids="$(getsubids "$(id -un)" 2>/dev/null | awk '{ print $3, $4; exit }') $(getsubids -g "$(id -un)" 2>/dev/null | awk '{ print $3, $4; exit }')"
  [[ $ids =~ ^[0-9]+\ [0-9]+\ [0-9]+\ [0-9]+$ ]] && echo "$ids" && return
  free=$(cat /etc/subuid /etc/subgid 2>/dev/null | awk -F: 'BEGIN { n = 100000 } $2 + $3 > n { n = $2 + $3 } END { print n "-" n + 65535 }')
  echo "$(id -un) has no subordinate ids; give it some with: sudo usermod --add-subuids $free --add-subgids $free $(id -un)" >&2
  return 1
}

# root_enter [--user] COMMAND...: COMMAND as root in private mount and PID
# namespaces, in the current folder, ending with all it started, and with its
# caller; COMMAND mounts /proc itself. Anyone but root, and root with --user,
# is root of a user namespace of its own (binfmt_misc, from Linux 6.7, is
# then its own too): root there is the user, ids from 1 the user's
# subordinate ids; root's ids map to themselves.
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
  # Root's map is written from outside, while a holder keeps the namespaces.
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

# root_inside "$@": in a script started by root_enter as "SCRIPT
# --in-namespace COMMAND...", mounts /proc, runs COMMAND (a function of the
# script's) and exits; elsewhere nothing.
root_inside() {
  [[ ${1:-} == --in-namespace ]] || return 0
  shift
  mount -t proc proc /proc
  "$@"
  exit
}

# root_layer ROOT [BWRAP-OPTION...] -- [NAME=VALUE...] COMMAND...: inside
# root_enter, COMMAND as root in a throw-away layer over ROOT, with no
# environment but PATH, HOME, LANG and the NAME=VALUEs. The layer's changes
# go to the cache's disk: overlayfs in a user namespace keeps its marks in
# user xattrs, which tmpfs has only from Linux 6.6. A killed run's layer,
# whose lock no one holds, goes with the next run; under the folder's lock,
# so that a new layer is locked before another run's sweep sees it.
root_layer() {
  local root=$1 layers layer options=() status=0
  layers=$(dirname "$1")/layers
  shift
  while [[ $1 != -- ]]; do options+=("$1") && shift; done
  shift
  mkdir -p "$layers"
  {
    flock 6
    for layer in "$layers"/*/; do flock -n "$layer" rm -rf "$layer" 2>/dev/null || true; done
    layer=$(mktemp -d "$layers/XXXXXX")
    exec 8<"$layer"
    flock 8
  } 6<"$layers"
  mkdir "$layer/upper" "$layer/work" "$layer/root"
  mount -t overlay overlay \
    -o "lowerdir=$root,upperdir=$layer/upper,workdir=$layer/work,userxattr" "$layer/root"
  # The namespace's whole /proc: an emulated i686 run mounts another one in a
  # user namespace, which the kernel allows only beside one that hides nothing.
  bwrap --die-with-parent --bind "$layer/root" / --dev /dev --bind /proc /proc --bind /sys /sys \
    --perms 1777 --tmpfs /dev/shm --perms 1777 --tmpfs /tmp "${options[@]}" \
    /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@" 8<&- ||
    status=$?
  umount "$layer/root"
  rm -rf "$layer"
  return $status
}
