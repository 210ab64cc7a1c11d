#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds a small C program against an installed Linux library through
# pkg-config and through find_package, and runs both. The library is the build
# tree's, staged under a prefix that does not exist, or the one under ROOT
# (the /usr of unpacked Debian packages). Usage: linux_consumer.sh BUILD_DIR VERSION [ROOT]
set -euo pipefail
build="$(cd "$1" && pwd)"
version="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$build/consumer${3:+-packaged}"
rm -rf "$work"
mkdir -p "$work"
if [[ -n "${3:-}" ]]; then
    root="$3"
else
    # The prefix recorded in the install is not where the files are: only a
    # relocatable package finds them.
    DESTDIR="$work/stage" cmake --install "$build" --prefix /nonexistent/quorvalent >/dev/null
    root="$work/stage/nonexistent/quorvalent"
fi
expected="$version 900150983cd24fb0d6963f7d28e17f72"
# shellcheck source=tests/release/checks.sh
source "$here/checks.sh"

command -v pkg-config >/dev/null || { echo "FAIL: pkg-config is missing: apt-get install pkgconf"; exit 1; }
pc_file="$(find "$root" -name quorvalent.pc)"
[[ -n "$pc_file" ]] || { echo "FAIL: no quorvalent.pc installed"; exit 1; }
export PKG_CONFIG_PATH="${pc_file%/*}"
echo "pkg-config --cflags --libs quorvalent: $(pkg-config --cflags --libs quorvalent)"
check "pkg-config version" "$(pkg-config --modversion quorvalent)" "$version"
# shellcheck disable=SC2046  # the flags are separate words
cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/consumer/consumer.c" $(pkg-config --cflags --libs quorvalent) \
   -o "$work/consumer_pkg_config"
check "pkg-config build" "$(LD_LIBRARY_PATH="$(pkg-config --variable=libdir quorvalent)" "$work/consumer_pkg_config")" \
      "$expected"

# CMake puts the imported library's folder into the program's rpath.
cmake -S "$here/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$root" >/dev/null
cmake --build "$work/cmake" >/dev/null
check "find_package build" "$("$work/cmake/consumer")" "$expected"

report
