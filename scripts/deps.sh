#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, if missing,
# and any further packages named as arguments. "deps.sh program" installs only
# what building the Linux program needs; "deps.sh --list [PACKAGE...]" prints
# the names instead. apt installs them without removing any package: where
# one conflicts with what is installed, it fails and says which.
set -euo pipefail

packages=(
  cmake g++ make ccache libgtest-dev libgmock-dev googletest libbenchmark-dev libssl-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb
  libgtk-3-dev xdotool xclip imagemagick
  sway wl-clipboard wtype dpkg-dev strip-nondeterminism mmdebstrap bubblewrap arch-test uidmap
  lintian appstream desktop-file-utils clang-tidy unzip
)
list=false
[[ ${1:-} != --list ]] || { list=true; shift; }
if [[ ${1:-} == program ]]; then
  packages=(cmake g++ make pkg-config libgtk-3-dev)
else
  packages+=("$@")
fi
if $list; then
  echo "${packages[*]}"
  exit
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  if ((EUID != 0)); then
    sudo="sudo"
    echo "deps: installing ${missing[*]} with sudo (nothing else here asks for root)" >&2
  fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends --no-remove \
    "${missing[@]}"
fi
