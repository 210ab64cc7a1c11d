#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Linux library into a scratch prefix and checks its soname, its
# header, the license and discovery files, that it is stripped and that it
# exports exactly the DLL's names. Usage: linux_install.sh BUILD_DIR
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --strip --prefix "$prefix" >/dev/null
library="$(find "$prefix" -name 'libquorvalent.so.*.*' -type f)"
[[ -n "$library" ]] || { echo "FAIL: no versioned library installed"; exit 1; }
[[ -f "$prefix/include/quorvalent.h" ]] || { echo "FAIL: header not installed"; exit 1; }
[[ -L "$(dirname "$library")/libquorvalent.so.1" ]] || { echo "FAIL: no soname link"; exit 1; }
for file in share/doc/quorvalent/LICENSE lib/pkgconfig/quorvalent.pc lib/cmake/quorvalent/quorvalentConfig.cmake \
            lib/cmake/quorvalent/quorvalentConfigVersion.cmake lib/cmake/quorvalent/quorvalentTargets.cmake; do
    [[ -f "$prefix/$file" ]] || { echo "FAIL: $file not installed"; exit 1; }
done
# Stripped on the way in; the build tree keeps its debug information.
symbols() { readelf -S "$1" | grep -cE '\.(symtab|debug_info) '; }
[[ "$(symbols "$library")" == 0 ]] || { echo "FAIL: the installed library is not stripped"; exit 1; }
[[ "$(symbols "$build/bin/${library##*/}")" == 2 ]] || { echo "FAIL: the built library lost its debug information"; exit 1; }
soname="$(readelf -d "$library" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')"
[[ "$soname" == libquorvalent.so.1 ]] || { echo "FAIL: soname is '$soname'"; exit 1; }
exports="$(nm -D --defined-only "$library" | awk '$2 == "T" || $2 == "D" || $2 == "B" { print $3 }' | sort | xargs)"
expected="FreeMem cifrado_SHA1 cifrado_SHA2 cifrado_SHA3 cifrado_data cifrado_file cifrado_md5 cifrado_text text_rot13"
if [[ "$exports" != "$expected" ]]; then
    echo "FAIL: exports are: $exports"
    exit 1
fi
echo "installed $library (soname $soname) exporting: $exports"
