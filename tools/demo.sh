#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds quorvalent.dll and runs the demo under Wine on the text given (an
# empty one included), "Hello, World!" when none is: the ANSI exports' digests
# beside cifrado_text's UTF-8 ones. With --file, a file's ten digests:
#   tools/demo.sh "Grüße, 世界"
#   tools/demo.sh --file PATH
# Sets the machine up first with only what the demo needs, and builds in
# build/demo without the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prereqs.sh

# A build step's output, compiler errors included, only when it fails.
quietly() {
    local output
    output="$("$@" 2>&1)" && return 0
    printf '%s\n' "$output" >&2
    echo "demo.sh: failed: $*" >&2
    return 1
}

qv_setup demo
build=build/demo
quietly cmake --preset win32 -B "$build" -DQV_TESTS=OFF -DQV_BENCH=OFF -DQV_IMPORT_LIBRARIES=OFF
quietly cmake --build "$build" --target quorvalent_demo
prefix="$PWD/$build/wineprefix"
[[ -f "$prefix/system.reg" ]] || tools/wine_run.sh --prefix "$prefix" --init
if [[ "${1:-}" == --file ]]; then
    [[ -n "${2:-}" ]] || { echo "usage: tools/demo.sh [TEXT | --file PATH]" >&2; exit 2; }
    # Wine's drive Z: is the Unix root.
    path="$(realpath -m "$2")"
    tools/wine_run.sh --prefix "$prefix" "$build/bin/quorvalent_demo.exe" --file "Z:${path//\//\\}"
else
    tools/wine_run.sh --prefix "$prefix" "$build/bin/quorvalent_demo.exe" "${1-Hello, World!}"
fi
qv_report_first_run
