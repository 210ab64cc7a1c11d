#!/usr/bin/env bash
# Makes the release zip with cpack and checks its contents and checksums.
# Usage: package.sh BUILD_DIR ARCHITECTURE_NAME VERSION
set -euo pipefail
build="$1"
name="quorvalent-$3-$2"
(cd "$build" && cpack >/dev/null)
zip="$build/package/$name.zip"
[[ -f "$zip" ]] || { echo "FAIL: $zip was not made"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
expected="README.md SHA256SUMS libquorvalent.dll.a quorvalent.def quorvalent.dll quorvalent.h quorvalent.lib"
actual="$(cd "$work/$name" && ls | sort | xargs)"
if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: the package holds: $actual"
    echo "      expected:          $expected"
    exit 1
fi
(cd "$work/$name" && sha256sum -c SHA256SUMS)
cmp "$work/$name/quorvalent.dll" "$build/bin/quorvalent.dll"
echo "$name.zip holds the expected files and its checksums verify"
