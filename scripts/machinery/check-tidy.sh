#!/usr/bin/env bash
# usage: check-tidy.sh
# Runs clang-tidy with the repository's .clang-tidy over the product folders:
# the portable and GTK sources through the native build's compile commands,
# the Win32 sources through the x86_64 Windows build's. Lists every finding
# and fails if there is any.
set -euo pipefail
cd "$(dirname "$0")/../.."

# .clang-tidy names its checks one by one, up to clang-tidy 19's; an older
# clang-tidy skips the names it lacks. From 19 on, every name must be known:
# a misspelt or dropped check or option would be off in silence.
version=$(clang-tidy --version | sed -n 's/.*LLVM version \([0-9]*\).*/\1/p')
if ((${version:-0} >= 19)) && ! clang-tidy --verify-config >/dev/null; then
  echo "check-tidy: .clang-tidy names checks or options that clang-tidy $version lacks" >&2
  exit 1
fi

folders=(digest file_dialog main_window resources)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The compile commands of one preset's build, configured if need be.
database() {
  [[ -f build/$1/compile_commands.json ]] || cmake --preset "$1" >/dev/null
  echo "build/$1"
}

# sources DATABASE: the product sources that DATABASE compiles.
sources() {
  for folder in "${folders[@]}"; do
    grep -o "\"file\": \"$PWD/$folder/[^\"]*\.cpp\"" "$1/compile_commands.json" || true
  done | sed 's/^"file": "//; s/"$//' | sort -u
}

native=$(database linux)
windows=$(database win64-wine)
sources "$native" >"$work/native"
sources "$windows" | comm -23 - "$work/native" >"$work/windows"

# clang does not find the C++ library of Debian's mingw-w64 by itself: hand it
# the cross compiler's own C++ include directories.
mingw_cxx_includes=()
while read -r dir; do
  mingw_cxx_includes+=("--extra-arg=-isystem$dir")
done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v - </dev/null 2>&1 |
  sed -n '/search starts here/,/End of search list/p' | grep '/c++' | sed 's/^ *//')

# tidy DATABASE [OPTION...] <SOURCES: the findings. A source that clang-tidy
# fails on (a crash, or code it cannot compile) is named in $work/failed.
tidy() {
  xargs -r -P 2 -I{} sh -c '
    failed=$1 file=$2
    shift 2
    output=$(clang-tidy --quiet "$@" "$file" 2>&1) && status=0 || status=$?
    printf "%s\n" "$output" | grep -E "^/.*: (warning|error): "
    if [ "$status" -ne 0 ]; then
      printf "check-tidy: clang-tidy failed on %s (exit status %s)\n%s\n" \
        "$file" "$status" "$(printf "%s\n" "$output" | tail -n 20)" >>"$failed"
    fi
    exit 0' sh "$work/failed" {} -p "$@"
}
{
  tidy "$native" <"$work/native"
  tidy "$windows" --extra-arg=--target=x86_64-w64-mingw32 "${mingw_cxx_includes[@]}" <"$work/windows"
} | sed "s|^$PWD/||" | sort -u >"$work/findings"
if [[ -s $work/failed ]]; then
  cat "$work/failed" >&2
  exit 1
fi

checked=$(cat "$work/native" "$work/windows" | wc -l)
((checked > 0)) || { echo "check-tidy: no product sources in the compile commands" >&2; exit 1; }
if [[ -s $work/findings ]]; then
  cat "$work/findings"
  echo "check-tidy: $(wc -l <"$work/findings") findings in ${folders[*]} ($checked sources, clang-tidy $version)" >&2
  exit 1
fi
echo "check-tidy: no findings in ${folders[*]} ($checked sources, clang-tidy $version)"
