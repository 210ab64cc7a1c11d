#!/usr/bin/env bash
# Builds and runs every test: the Linux library, then the 32-bit and 64-bit DLLs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prereqs.sh
qv_require cmake ninja g++ i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix llvm-dlltool clang ld.lld \
    wine64 gtest openssl vectors wine benchmark benchmark32 openssl32 multilib valgrind fuzzer
# host32 builds only the benchmark (32-bit code generation, as in the DLL) and smoke-runs it.
for preset in host host-asan win32 win64 host32; do
    echo "== $preset"
    cmake --workflow --preset "$preset"
done
