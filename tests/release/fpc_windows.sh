#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compiles a Free Pascal program for 32- or 64-bit Windows with the machine's
# x86-64 Free Pascal: win64 with its own compiler, win32 with an i386 compiler
# built from Debian's fpc-source. Both take run-time units compiled from those
# sources. The compiler and the units are made in WORK the first time and kept.
# Usage: fpc_windows.sh win32|win64 WORK UNIT_DIR SOURCE PROGRAM
set -euo pipefail
target="$1"
work="$2"
units="$3"
source="$4"
program="$5"

version="$(fpc -iV)"
sources="/usr/share/fpcsrc/$version"
[[ -d "$sources/rtl" && -d "$sources/compiler" ]] ||
    { echo "fpc_windows: no Free Pascal $version sources in $sources: apt-get install fpc-source-$version" >&2; exit 1; }
host_compiler="$(readlink -f "$(fpc -PB)")"
case "$target" in
win64) cpu=x86_64 compiler="$host_compiler" ;;
win32) cpu=i386 compiler="$work/ppcross386" ;;
*) echo "fpc_windows: no target $target" >&2; exit 2 ;;
esac
mkdir -p "$work"

# Runs a step with its output in a log, shown only when it fails.
quietly() {
    local log="$1"
    shift
    "$@" >"$log" 2>&1 || { cat "$log" >&2; echo "fpc_windows: failed, see $log" >&2; exit 1; }
}

if [[ ! -x "$compiler" ]]; then
    # The compiler's message texts are generated from the message file that
    # ships with fpc, by the compiler's own tool.
    mkdir -p "$work/ppcross386.units" "$work/ppcross386.inc"
    quietly "$work/msg2inc.log" fpc -FE"$work" -FU"$work/ppcross386.units" "$sources/compiler/utils/msg2inc.pp"
    (cd "$work/ppcross386.inc" &&
        quietly "$work/msg2inc.log" "$work/msg2inc" "$(dirname "$host_compiler")/msg/errore.msg" msg msg)
    (cd "$sources/compiler" &&
        quietly "$work/ppcross386.log" fpc -O2 -Xs -di386 -dRELEASE -Fi"$work/ppcross386.inc" -Fii386 -Fix86 \
            -Fisystems -Fui386 -Fux86 -Fusystems -FU"$work/ppcross386.units" -o"$compiler.new" pp.pas)
    mv "$compiler.new" "$compiler"
fi

# The run-time units: the system unit first, then the ones the wrappers use,
# built through a program that uses them; their own warnings are not ours.
rtl="$sources/rtl"
target_units="$work/$target"
paths=()
for dir in inc "$cpu" x86 win win/wininc "$target" objpas objpas/sysutils objpas/classes; do
    paths+=(-Fi"$rtl/$dir" -Fu"$rtl/$dir")
done
paths+=(-Fu"$sources/packages/fcl-base/src")
if [[ ! -f "$target_units/syncobjs.ppu" ]]; then
    mkdir -p "$target_units"
    quietly "$target_units/system.log" "$compiler" -T"$target" -n -Us -Sg "${paths[@]}" -FU"$target_units" \
        "$rtl/$target/system.pp"
    printf 'program units;\nuses SysUtils, SyncObjs, Classes;\nbegin\nend.\n' >"$target_units/units.pas"
    quietly "$target_units/units.log" "$compiler" -T"$target" -n "${paths[@]}" -Fu"$target_units" \
        -FU"$target_units" -FE"$target_units" "$target_units/units.pas"
fi

# The program, against those units alone; its own units go beside it.
objects="$program.units"
mkdir -p "$objects"
"$compiler" -T"$target" -n -vewn -Fu"$target_units" -Fu"$units" -FU"$objects" -o"$program" "$source"
