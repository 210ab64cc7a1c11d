#!/usr/bin/env bash
# Builds quorvalent.dll and runs the demo under Wine on the text given:
#   tools/demo.sh "Hello, World!"
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prereqs.sh
qv_require cmake ninja i686-w64-mingw32-g++-posix gtest wine
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target quorvalent_demo >/dev/null
prefix="$PWD/build/win32/wineprefix"
[[ -d "$prefix" ]] || tools/wine-run --prefix "$prefix" --init
tools/wine-run --prefix "$prefix" build/win32/bin/quorvalent_demo.exe "${1:-Hello, World!}"
