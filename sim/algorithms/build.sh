#!/usr/bin/env bash
# Rebuilds the algorithm files: assembles each routine variant of src/ with sdas6808, links it
# with sdld6808 (both from Debian's sdcc package) into images/<variant>.s19, then packs every
# file that files.txt lists with s8p_pack. The build and the tests need neither tool: the
# outputs are committed.
#   build.sh [path of s8p_pack]    default: build/bin/s8p_pack, built first
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

pack=${1:-}
if [ -z "$pack" ]; then
  [ -f "$root/build/build.ninja" ] || cmake -S "$root" -B "$root/build" -G Ninja > /dev/null
  cmake --build "$root/build" --target s8p_pack > /dev/null
  pack=$root/build/bin/s8p_pack
fi
# The packing below runs from this folder: a relative path must not depend on it.
pack=$(realpath "$pack")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/src/* "$work/"
for source in "$here"/src/*.asm; do
  name=$(basename "$source" .asm)
  (cd "$work" && sdas6808 -o "$name.asm" && sdld6808 -n -s "$name" "$name.rel")
  cp "$work/$name.s19" "$here/images/"
done

cd "$here"
grep -v '^#' files.txt | while read -r output parts; do
  # shellcheck disable=SC2086 # the parts are separate words
  "$pack" "$output" $parts
done
