#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the DLL twice from the same source in two fresh build trees and
# requires byte-identical results. Usage: reproducible.sh SOURCE_DIR TOOLCHAIN_FILE
set -euo pipefail
source_dir="$1"
toolchain="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for tree in first second; do
    cmake -S "$source_dir" -B "$work/$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQV_TESTS=OFF -DQV_BENCH=OFF >/dev/null
    cmake --build "$work/$tree" --target quorvalent >/dev/null
done
if cmp "$work/first/bin/quorvalent.dll" "$work/second/bin/quorvalent.dll"; then
    echo "quorvalent.dll is byte-identical across two clean builds"
else
    echo "FAIL: two clean builds differ"
    exit 1
fi
