#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the release zip twice from the same source in two fresh build trees in
# different folders, and requires byte-identical DLLs, checksums and zips.
# Usage: reproducible.sh SOURCE_DIR TOOLCHAIN_FILE
set -euo pipefail
source_dir="$1"
toolchain="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
trees=("$work/first" "$work/another/folder/second")
for tree in "${trees[@]}"; do
    cmake -S "$source_dir" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
    cmake --build "$tree" --target quorvalent quorvalent_import_libraries >/dev/null
    (cd "$tree" && cpack >/dev/null)
done
failures=0
for file in bin/quorvalent.dll implib/libquorvalent.dll.a implib/quorvalent.lib; do
    cmp "${trees[0]}/$file" "${trees[1]}/$file" || failures=$((failures + 1))
done
zips=("${trees[0]}"/package/*.zip "${trees[1]}"/package/*.zip)
for n in 0 1; do
    mkdir "$work/unpacked$n"
    (cd "$work/unpacked$n" && cmake -E tar xf "${zips[$n]}")
done
diff "$work"/unpacked0/*/SHA256SUMS "$work"/unpacked1/*/SHA256SUMS || failures=$((failures + 1))
cmp "${zips[@]}" || failures=$((failures + 1))
if ((failures)); then
    echo "FAIL: two clean builds in different folders differ"
    exit 1
fi
echo "the DLL, the import libraries and ${zips[0]##*/} are byte-identical across two clean builds in different folders"
