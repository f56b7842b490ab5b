#!/usr/bin/env bash
# Run by scripts/check-release.sh as root of a throw-away Debian root: installs
# the .deb DEB, validates its desktop entry and metainfo, checks its icons,
# starts the program from the entry's Exec line on an Xvfb display and waits
# for its window, then purges the package and checks that nothing is left.
set -euo pipefail
deb=$1
name=check-package
# shellcheck source=scripts/screenshot-lib.sh
source "$(dirname "$0")/screenshot-lib.sh"

apt-get install -y --no-install-recommends --no-remove "$deb" >/dev/null ||
  fail "$deb does not install"
desktop=$(dpkg -L varnholt | grep -E '^/usr/share/applications/[^/]+\.desktop$')
metainfo=$(dpkg -L varnholt | grep -E '^/usr/share/metainfo/[^/]+\.metainfo\.xml$')
desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli: $metainfo"
for size in 16 32 48 64 128; do
  dpkg -L varnholt | grep -q "^/usr/share/icons/hicolor/${size}x${size}/apps/" ||
    fail "no ${size}x${size} icon"
done

start_xvfb
read -r -a command < <(sed -n 's/^Exec=//p' "$desktop")
program_log=$work/program.log
"${command[@]}" >"$program_log" 2>&1 &
app_pid=$!
# Titled, and named by the desktop entry's id, so that desktops match the two.
# (--all: without it --pid alone would match any window of the process.)
app_id=$(basename "$desktop" .desktop)
program_window() {
  local titled named
  titled=$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Varnholt$' 2>/dev/null) ||
    return 1
  named=$(xdotool search --all --onlyvisible --pid "$app_pid" \
    --classname "^${app_id//./\\.}\$" 2>/dev/null) || return 1
  grep -qxF "$titled" <<<"$named"
}
wait_for 30 "the installed program's window" program_window
echo "$name: ${command[*]} (from $(basename "$desktop")) shows its window"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""

apt-get purge -y varnholt >/dev/null || fail "the purge failed"
if dpkg-query -W -f='${Status}' varnholt 2>/dev/null | grep -q " installed"; then
  fail "varnholt is still installed"
fi
[[ ! -e /usr/bin/varnholt && ! -e $desktop ]] || fail "purge left files behind"
echo "$name: the .deb installs, starts and purges"
