#!/usr/bin/env bash
# Builds quorvalent.dll and runs the demo under Wine on the text given:
#   tools/demo.sh "Hello, World!"
# Sets the machine up first with only what the demo needs, and builds in
# build/demo without the tests.
set -Eeuo pipefail
cd "$(dirname "$0")/.."
trap 'echo "demo.sh: failed (exit $?): $BASH_COMMAND" >&2' ERR
source tools/prereqs.sh
qv_setup demo
build=build/demo
cmake --preset win32 -B "$build" -DQV_TESTS=OFF -DQV_BENCH=OFF -DQV_IMPORT_LIBRARIES=OFF >/dev/null
cmake --build "$build" --target quorvalent_demo >/dev/null
prefix="$PWD/$build/wineprefix"
[[ -f "$prefix/system.reg" ]] || tools/wine-run --prefix "$prefix" --init
tools/wine-run --prefix "$prefix" "$build/bin/quorvalent_demo.exe" "${1:-Hello, World!}"
qv_report_first_run
