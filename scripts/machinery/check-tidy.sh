#!/usr/bin/env bash
# usage: check-tidy.sh
# Runs clang-tidy (run-clang-tidy) with the repository's .clang-tidy over the
# product folders: the portable and GTK sources through the native build's
# compile commands, the Win32 ones through the x86_64 Windows build's. Lists
# every finding and fails on any, and on a source clang-tidy cannot check.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "check-tidy: $*" >&2; exit 1; }

# .clang-tidy names its checks one by one, up to clang-tidy 19's, which (unlike
# older ones) can tell a misspelt or dropped name.
version=$(clang-tidy --version | sed -n 's/.*LLVM version \([0-9]*\).*/\1/p')
((${version:-0} < 19)) || clang-tidy --verify-config >/dev/null || fail ".clang-tidy names what clang-tidy $version lacks"
for preset in linux win64-wine; do
  [[ -f build/$preset/compile_commands.json ]] || cmake --preset "$preset" >/dev/null
done
product="$PWD/(digest|file_dialog|main_window|resources)/"
# clang does not find the C++ library of Debian's mingw-w64 by itself.
mingw=(-extra-arg=--target=x86_64-w64-mingw32)
while read -r dir; do mingw+=("-extra-arg=-isystem$dir"); done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v - \
  </dev/null 2>&1 | sed -n '/search starts here/,/End of search list/p' | grep '/c++' | sed 's/^ *//')

# run-clang-tidy 14 colours its output whatever the terminal; each version
# names every source it checks, 19 after a count.
output=$( {
  run-clang-tidy -quiet -j 2 -p build/linux "$product.*\.cpp$" &&
    run-clang-tidy -quiet -j 2 -p build/win64-wine "${mingw[@]}" "$product.*_win\.cpp$"
} 2>&1 | sed 's/\x1b\[[0-9;]*m//g') || { grep -E ": error: |^Error" <<<"$output" >&2; fail "clang-tidy cannot check a source"; }
checked=$(grep -cE "clang-tidy[-0-9]* .* $product" <<<"$output" || true)
((checked > 0)) || fail "no product sources in the compile commands"
findings=$(grep -E "^/.*: (warning|error): " <<<"$output" | sed "s|^$PWD/||" | sort -u || true)
[[ -z $findings ]] || { echo "$findings"; fail "$(wc -l <<<"$findings") findings in $checked sources (clang-tidy $version)"; }
echo "check-tidy: no findings in the product folders ($checked sources, clang-tidy $version)"
