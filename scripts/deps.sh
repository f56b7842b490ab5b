#!/usr/bin/env bash
# usage: deps.sh [program | roots | --list]
# Installs the Debian packages that the build and the tests need, if missing,
# through sudo unless run by root; "program": only what building the Linux
# program needs, "roots" what making Debian roots needs; --list prints the
# names. apt removes no package: where one conflicts, it fails and says which.
set -euo pipefail

packages=(
  cmake g++ make ccache libgtest-dev libgmock-dev googletest libbenchmark-dev libssl-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 xvfb
  libgtk-3-dev xdotool xclip imagemagick
  sway wl-clipboard wtype dpkg-dev python3 strip-nondeterminism mmdebstrap bubblewrap arch-test uidmap
  lintian appstream desktop-file-utils clang-tidy unzip
  reprotest diffoscope-minimal disorderfs faketime locales-all devscripts python3-pefile
)
[[ ${1:-} != --list ]] || { echo "${packages[*]}"; exit; }
[[ ${1:-} != program ]] || packages=(cmake g++ make pkg-config libgtk-3-dev)
[[ ${1:-} != roots ]] || packages=(python3 mmdebstrap bubblewrap)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  ((EUID == 0)) || { sudo=sudo && echo "deps: installing ${missing[*]} with sudo" >&2; }
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends --no-remove \
    "${missing[@]}"
fi
