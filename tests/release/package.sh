#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the release zip with cpack and checks its contents and checksums, the
# copyright in the DLL's version resource (read back with windres), and that its
# files speak only of what the zip holds, in ASCII (zip_text.py).
# Usage: package.sh BUILD_DIR ARCHITECTURE_NAME VERSION WINDRES PYTHON
set -euo pipefail
build="$1"
name="quorvalent-$3-$2"
windres="$4"
python="$5"
here="$(cd "$(dirname "$0")" && pwd)"
(cd "$build" && cpack >/dev/null)
zip="$build/package/$name.zip"
[[ -f "$zip" ]] || { echo "FAIL: $zip was not made"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
expected="LICENSE README.txt SHA256SUMS bindings/Quorvalent.bas bindings/Quorvalent.cs bindings/quorvalent.pas"
expected+=" bindings/quorvalent.py libquorvalent.dll.a quorvalent.def quorvalent.dll quorvalent.h quorvalent.lib"
actual="$(cd "$work/$name" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs)"
if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: the package holds: $actual"
    echo "      expected:          $expected"
    exit 1
fi
(cd "$work/$name" && sha256sum -c SHA256SUMS)
cmp "$work/$name/quorvalent.dll" "$build/bin/quorvalent.dll"
# Every file but the checksums is listed in them.
listed="SHA256SUMS $(awk '{ print $2 }' "$work/$name/SHA256SUMS" | xargs)"
[[ "$(echo "$listed" | xargs -n1 | LC_ALL=C sort | xargs)" == "$expected" ]] || { echo "FAIL: SHA256SUMS lists $listed"; exit 1; }
# windres writes the resource's UTF-16 text with octal escapes: \251 is the copyright sign.
copyright="$("$windres" -i "$work/$name/quorvalent.dll" -O rc | grep -a 'VALUE "LegalCopyright"' | sed -E 's/^\s+//; s/\s+/ /g')"
[[ "$copyright" == 'VALUE "LegalCopyright", L"Copyright \251 2026 quorvalent developers"' ]] ||
    { echo "FAIL: the version resource says: $copyright"; exit 1; }
"$python" "$here/zip_text.py" "$zip" "$here/../.."
echo "$name.zip holds the expected files and its checksums verify"
