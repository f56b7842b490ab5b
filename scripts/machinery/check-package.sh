#!/usr/bin/env bash
# usage: check-package.sh DEB
# As root of a throw-away Debian root, on $DISPLAY: DEB installs, its desktop
# entry, metainfo and icons validate, the program started from the entry's
# Exec line shows its window, and after the purge the root holds the paths it
# held before (piuparts' rule: apt's and dpkg's records, fontconfig's cache
# and the logs aside; a cache that a trigger rewrites may change its contents).
set -euo pipefail
(($# == 1)) || { echo "usage: check-package.sh DEB" >&2; exit 2; }
log=$(mktemp) paths=$(mktemp) app=""
trap '{ [[ -z $app ]] || kill "$app"; } 2>/dev/null || true; rm -f "$log" "$paths"' EXIT
fail() {
  echo "check-package: $*" >&2
  [[ ! -s $log ]] || sed 's/^/  program: /' "$log" >&2
  exit 1
}
# fontconfig's cache is written by any program that draws text, run as root.
list_paths() {
  find / -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache/apt -o -path /var/cache/debconf \
    -o -path /var/cache/ldconfig -o -path /var/cache/fontconfig -o -path /var/log \) -prune -o -print | sort
}
list_paths >"$paths"
apt-get install -y --no-install-recommends --no-remove "$1" >/dev/null || fail "$1 does not install"
files=$(dpkg -L varnholt)
desktop=$(grep -E '^/usr/share/applications/[^/]+\.desktop$' <<<"$files")
desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
appstreamcli validate --no-net "$(grep -E '^/usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$files")" ||
  fail "appstreamcli: the metainfo"
for size in 16 32 48 64 128; do
  grep -q "^/usr/share/icons/hicolor/${size}x${size}/apps/" <<<"$files" || fail "no ${size}x${size} icon"
done

read -r -a command < <(sed -n 's/^Exec=//p' "$desktop")
"${command[@]}" >"$log" 2>&1 &
app=$!
# Titled, and named by the desktop entry's id, so that desktops match the two.
# (--all: without it --pid alone would match any window of the process.)
app_id=$(basename "$desktop" .desktop)
shown() {
  local titled named
  titled=$(xdotool search --all --onlyvisible --pid "$app" --name '^Varnholt$' 2>/dev/null) &&
    named=$(xdotool search --all --onlyvisible --pid "$app" --classname "^${app_id//./\\.}\$" 2>/dev/null) &&
    grep -qxF "$titled" <<<"$named"
}
for _ in $(seq 150); do
  shown && break
  kill -0 "$app" 2>/dev/null || fail "the installed program ended before it showed its window"
  sleep 0.2
done
shown || fail "the installed program showed no window in 30 s"
echo "check-package: ${command[*]} (from $(basename "$desktop")) shows its window"
kill "$app"
wait "$app" 2>/dev/null || true
app=""

apt-get purge -y varnholt >/dev/null || fail "the purge failed"
! dpkg-query -W -f='${Status}' varnholt 2>/dev/null | grep -q " installed" || fail "varnholt is still installed"
changed=$({ list_paths | diff "$paths" - || true; } | sed -n 's/^> /added: /p; s/^< /gone: /p')
[[ -z $changed ]] || fail "after the purge the root's paths differ:
$changed"
echo "check-package: the .deb installs, starts and purges; after the purge the root's $(wc -l <"$paths") paths are as before"
