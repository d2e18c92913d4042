#!/usr/bin/env bash
# Checks the release package of a win64 build:
#   bash tests/package/check_package.sh BUILD_DIR
# It builds the package target, then looks inside zimmo-<version>-win64.zip:
# exactly the program (and the gallery program when the build has its target),
# stripped; the read-me in Japanese and English and the license, with
# Windows line ends; and the project version in the file name, the read-me
# and both halves of the program's version resource. Prints what is wrong
# and exits non-zero on the first fault.
set -euo pipefail

(($# == 1)) || { echo "usage: bash $0 BUILD_DIR" >&2; exit 2; }
build=$(realpath "$1")
fail() { printf 'package: %s\n' "$*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] || fail "no three-part project version in $build/CMakeCache.txt"
major=${BASH_REMATCH[1]} minor=${BASH_REMATCH[2]} patch=${BASH_REMATCH[3]}
name=zimmo-$version-win64
zip=$build/$name.zip

rm -f "$zip"
cmake --build "$build" --target package >"$build/package.log" 2>&1 || fail "the package target failed (see $build/package.log)"
[[ -f $zip ]] || fail "the package target made no $zip"

expected=("$name/LICENSE.txt" "$name/README.txt" "$name/zimmo.exe")
# The gallery program goes in when the build has its target.
grep -q '/zimmo_gallery\.dir$' "$build/CMakeFiles/TargetDirectories.txt" && expected+=("$name/zimmo-gallery.exe")
listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
[[ $listing == "$(printf '%s\n' "${expected[@]}" | sort)" ]] ||
    fail "the package holds [$(echo $listing)], expected [${expected[*]}]"

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
unzip -q "$zip" -d "$dir"
cd "$dir/$name"

for exe in *.exe; do
    x86_64-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-x86-64' || fail "$exe is not a 64-bit Windows program"
    ! x86_64-w64-mingw32-objdump -h "$exe" | grep -q '\.debug' || fail "$exe carries debug sections"
    x86_64-w64-mingw32-nm "$exe" 2>&1 | grep -q 'no symbols' || fail "$exe is not stripped"
done

# The version resource: the fixed part (after the signature 0xFEEF04BD and
# the structure version, the file version as major<<16|minor, patch<<16|0)
# and the strings in UTF-16.
hex=$(od -An -v -tx1 zimmo.exe | tr -d ' \n')
le32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
fixed="bd04effe00000100$(le32 $((major << 16 | minor)))$(le32 $((patch << 16)))"
[[ $hex == *"$fixed"* ]] || fail "zimmo.exe has no version resource with FILEVERSION $major,$minor,$patch,0"
for key in FileVersion ProductVersion; do
    strings -el zimmo.exe | grep -A1 -x "$key" | tail -n 1 | grep -qx "$version" ||
        fail "zimmo.exe's version resource has no $key $version"
done

[[ $(head -c 3 README.txt | od -An -tx1 | tr -d ' ') == efbbbf ]] || fail "README.txt does not start with a UTF-8 byte order mark"
for f in README.txt LICENSE.txt; do
    [[ -s $f ]] || fail "$f is empty"
    ! grep -q $'[^\r]$' "$f" || fail "$f has lines without CR LF"
done
iconv -f UTF-8 -t UTF-16 README.txt >/dev/null || fail "README.txt is not UTF-8"
for text in "$version" 使い方 zimmo.ini トレイ "How to use it" "Right-click a character" "drop a file" LICENSE.txt; do
    grep -qF "$text" README.txt || fail "README.txt does not mention '$text'"
done
grep -q '^MIT License' LICENSE.txt && grep -q 'the Launcher Zimmo! authors' LICENSE.txt || fail "LICENSE.txt is not the MIT license of the authors"

printf 'package: %s.zip holds %s; version %s\n' "$name" "$(echo "${expected[@]##*/}")" "$version"
