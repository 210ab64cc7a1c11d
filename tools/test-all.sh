#!/usr/bin/env bash
# Builds and runs every test: the Linux library, then the 32-bit DLL under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prereqs.sh
qv_require cmake ninja g++ i686-w64-mingw32-g++-posix gtest openssl vectors wine
for preset in host win32; do
    echo "== $preset"
    cmake --workflow --preset "$preset"
done
