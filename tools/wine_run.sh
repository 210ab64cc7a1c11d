#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine with the project's settings, in a prefix
# inside the build tree.
#   wine_run.sh [--qemu CPU] [--wine LOADER] --prefix DIR [--init | PROGRAM ARGS...]
# LOADER is wine (the default) for 32-bit programs, /usr/lib/wine/wine64 for
# 64-bit ones, which it runs without starting the 32-bit loader first.
# --qemu runs the loader, and so the program, under qemu-user with that CPU model
# (max: every extension qemu emulates; Haswell-noTSX, Nehalem, pentium3: fewer),
# on any machine; WINELOADERNOEXEC keeps the loader from starting itself again
# outside qemu.
set -euo pipefail
usage() {
    echo "usage: wine_run.sh [--qemu CPU] [--wine LOADER] --prefix DIR [--init | PROGRAM ARGS...]" >&2
    exit 2
}
cpu=
if [[ "${1:-}" == --qemu ]]; then
    [[ -n "${2:-}" ]] || usage
    cpu="$2"
    shift 2
fi
WINE=wine
if [[ "${1:-}" == --wine ]]; then
    [[ -n "${2:-}" ]] || usage
    WINE="$2"
    shift 2
fi
[[ "${1:-}" == --prefix && -n "${2:-}" ]] || usage
export WINEPREFIX="$2"
shift 2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if ! command -v "$WINE" >/dev/null; then
    echo "wine_run.sh: '$WINE' not found; install wine, wine64 and wine32:i386 (tools/test_all.sh does)" >&2
    exit 1
fi
if [[ "${1:-}" == --init ]]; then
    mkdir -p "$WINEPREFIX"
    log="$WINEPREFIX/wineboot.log"
    if "$WINE" wineboot --init >"$log" 2>&1 && wineserver -w >>"$log" 2>&1 && [[ -f "$WINEPREFIX/system.reg" ]]; then
        exit 0
    fi
    echo "wine_run.sh: '$WINE wineboot --init' failed in $WINEPREFIX; its output:" >&2
    tr -d '\r' <"$log" >&2
    if [[ "$("$(dirname "$0")/exec32.sh" --mode)" == none ]]; then
        echo "wine_run.sh: this kernel does not run 32-bit x86 programs; tools/exec32.sh sets up qemu for them" >&2
    fi
    exit 1
fi
run=("$WINE")
if [[ -n "$cpu" ]]; then
    # qemu needs the loader itself, not the wine script that picks one.
    loader="$(command -v "$WINE")"
    [[ "$(head -c 4 "$loader")" == $'\x7fELF' ]] || loader=/usr/lib/wine/wine
    qemu=qemu-x86_64
    [[ "$(od -An -tx1 -j4 -N1 "$loader" | tr -d ' ')" == 01 ]] && qemu=qemu-i386
    if ! command -v "$qemu" >/dev/null; then
        echo "wine_run.sh: $qemu is not installed: tools/exec32.sh --qemu installs it" >&2
        exit 1
    fi
    # QEMU_CPU reaches the 32-bit programs Wine starts through binfmt_misc too.
    export WINELOADERNOEXEC=1 QEMU_CPU="$cpu"
    run=("$qemu" -cpu "$cpu" "$loader")
fi
# Wine writes CRLF; the tests compare plain lines.
set +e
"${run[@]}" "$@" | tr -d '\r'
status=${PIPESTATUS[0]}
exit "$status"
