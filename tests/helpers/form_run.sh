#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program whose tests run each form of the digest compressions
# (tests/support/forms.h) so that every form is tested whatever the processor:
# the tests of the forms this processor runs, and all the others, run here; the
# tests of the forms it lacks run under qemu with every extension qemu emulates
# (-cpu max). A form that runs in neither place fails its tests.
#   form_run.sh [--model MODEL] [--wine LOADER --prefix DIR] PROGRAM ARGS...
# With --wine, PROGRAM is a Windows program, run through tools/wine_run.sh. With
# --model the whole run goes to qemu's MODEL (Nehalem: SSE4.2, no AVX), to try
# the forms a processor without the newer extensions falls back to.
# QV_PRETEND_LACKING=sha,avx2 makes the program count those features as absent
# here, which sends their forms to qemu: the way to try that path on a processor
# that has everything.
set -euo pipefail
usage() {
    echo "usage: form_run.sh [--model MODEL] [--wine LOADER --prefix DIR] PROGRAM ARGS..." >&2
    exit 2
}
tools="$(dirname "$0")/../../tools"
model=
if [[ "${1:-}" == --model ]]; then
    [[ -n "${2:-}" ]] || usage
    model="$2"
    shift 2
fi
wine=()
if [[ "${1:-}" == --wine ]]; then
    [[ $# -ge 4 && "$3" == --prefix ]] || usage
    wine=(--wine "$2" --prefix "$4")
    shift 4
fi
[[ $# -ge 1 ]] || usage
program="$1"
shift

here() {
    if ((${#wine[@]})); then
        "$tools/wine_run.sh" "${wine[@]}" "$program" "$@"
    else
        "$program" "$@"
    fi
}

emulated() {
    local cpu="${model:-max}"
    if ((${#wine[@]})); then
        env -u QV_PRETEND_LACKING "$tools/wine_run.sh" --qemu "$cpu" "${wine[@]}" "$program" "$@"
        return
    fi
    # The ELF class byte: 1 for a 32-bit program.
    local qemu=qemu-x86_64
    [[ "$(od -An -tx1 -j4 -N1 "$program" | tr -d ' ')" == 01 ]] && qemu=qemu-i386
    if ! command -v "$qemu" >/dev/null; then
        echo "form_run.sh: $qemu is not installed, so the forms this processor lacks cannot run: tools/exec32.sh --qemu installs it" >&2
        return 1
    fi
    # LeakSanitizer needs ptrace, which qemu-user does not offer; the native run
    # checks for leaks, and no form allocates.
    env -u QV_PRETEND_LACKING ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        "$qemu" -cpu "$cpu" "$program" "$@"
}

if [[ -n "$model" ]]; then
    echo "form_run.sh: under qemu -cpu $model"
    emulated "$@"
    exit
fi

lacking="$(here --qv_lacking_forms)" || {
    echo "form_run.sh: $program did not say which forms this processor lacks" >&2
    exit 1
}
if [[ -z "$lacking" ]]; then
    here "$@"
    exit
fi
echo "form_run.sh: this processor cannot run every form; these tests run under qemu -cpu max: $lacking"
status=0
here "$@" --gtest_filter="-$lacking" || status=$?
echo "form_run.sh: under qemu -cpu max"
emulated "$@" --gtest_filter="$lacking" || status=$?
exit "$status"
