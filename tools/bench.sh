#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the benchmarks (x86-64 and 32-bit Linux against libcrypto, the 32- and
# 64-bit DLLs under Wine against bcrypt.dll, and callgrind's breakdown of one short
# export call) and writes docs/benchmarks.md and docs/benchmarks.png.
# Usage: tools/bench.sh [--quick | --report-only | --smoke]; QV_BENCH_BUILD names the
# build root (default build). The raw results stay in <root>/bench-results;
# --report-only writes the page and the chart again from them. Where 32-bit
# programs run under emulation, their timings mean nothing: only x86-64 is timed,
# and the page keeps the 32-bit figures of the last native run. --smoke runs every
# benchmark briefly, the 32-bit ones too wherever they run (under emulation as
# well), and writes the page and chart into the results folder, not docs/: it tries
# the whole path, the native 32-bit one included, and its timings mean nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prereqs.sh
qv_setup test

root="${QV_BENCH_BUILD:-build}"
repetitions=5
min_time=0.1
windows_repetitions=9
windows_min_ms=50
report_only=false
smoke=false
case "${1:-}" in
    --quick) repetitions=3 min_time=0.02 windows_repetitions=3 windows_min_ms=5 ;;
    --report-only) report_only=true ;;
    --smoke) smoke=true repetitions=2 min_time=0.001 windows_repetitions=1 windows_min_ms=0.01 ;;
    "") ;;
    *) echo "usage: tools/bench.sh [--quick | --report-only | --smoke]" >&2; exit 2 ;;
esac
# libcrypto's x86 code without SSSE3, AVX and everything of CPUID leaf 7 (AVX2,
# SHA extensions, BMI): the scalar reference. In that run ours goes without the
# SHA extensions and AVX2 (--qv_hide), on the forms it had before them.
scalar_mask="~0x1800020000000000:~0xffffffffffffffff"
work="$root/bench-results"
page=docs/benchmarks.md
chart=docs/benchmarks.png
if $smoke; then
    work="$root/bench-smoke"
    page="$work/benchmarks.md"
    chart="$work/benchmarks.png"
fi

build() {
    local preset="$1"
    shift
    echo "== building $preset in $root/$preset"
    cmake --preset "$preset" -B "$root/$preset" >"$work/configure-$preset.log" || {
        cat "$work/configure-$preset.log"
        exit 1
    }
    cmake --build "$root/$preset" -j2 --target "$@"
}

# Each benchmark repeats, the repetitions of all benchmarks run in random order,
# and the report takes medians: the machine may be shared. Both runs time ours
# too, so that each ratio compares figures of one run.
run_linux() {
    local preset="$1"
    local binary="$root/$preset/bin/digest_bench"
    local common=(--benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true
                  --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time"
                  --benchmark_out_format=json)
    echo "== $preset: ours and libcrypto as it dispatches"
    "$binary" "${common[@]}" --benchmark_out="$work/$preset-default.json" >"$work/$preset-default.log" 2>&1 || {
        cat "$work/$preset-default.log"
        exit 1
    }
    echo "== $preset: ours without the SHA extensions and AVX2, libcrypto scalar (OPENSSL_ia32cap=$scalar_mask)"
    OPENSSL_ia32cap="$scalar_mask" "$binary" "${common[@]}" --qv_hide=sha,avx2 \
        --benchmark_out="$work/$preset-scalar.json" \
        >"$work/$preset-scalar.log" 2>&1 || {
        cat "$work/$preset-scalar.log"
        exit 1
    }
}

if $report_only; then
    [[ -f "$work/settings" ]] || { echo "no results in $work: run tools/bench.sh first" >&2; exit 1; }
    source "$work/settings"
else
    keep_32bit=
    [[ "$(tools/exec32.sh --mode)" == native ]] || $smoke || keep_32bit=--keep-32bit
    rm -rf "$work"
    mkdir -p "$work"
    build host digest_bench call_profile
    build win64 windows_bench quorvalent
    if [[ -z "$keep_32bit" ]]; then
        build host32 digest_bench
        build win32 windows_bench quorvalent
        # The same DLL built for callers that keep 16-byte stack alignment, to
        # show what building for a 4-byte boundary costs.
        echo "== building win32 for a 16-byte stack boundary in $root/win32-stack16"
        cmake --preset win32 -B "$root/win32-stack16" -DQV_REALIGN_STACK=OFF -DQV_TESTS=OFF \
            >"$work/configure-win32-stack16.log" || { cat "$work/configure-win32-stack16.log"; exit 1; }
        cmake --build "$root/win32-stack16" -j2 --target windows_bench quorvalent
    fi
    run_linux host
    if [[ -n "$keep_32bit" ]]; then
        echo "== host32 and win32 not timed: 32-bit programs run under emulation here; keeping the last native figures"
    else
        run_linux host32
    fi
    # The 64-bit DLL under wine64 itself, the 32-bit one under Wine's 32-bit loader.
    wine_presets=(win64)
    [[ -n "$keep_32bit" ]] || wine_presets+=(win32)
    for preset in "${wine_presets[@]}"; do
        echo "== $preset: quorvalent.dll, our engine and bcrypt.dll under Wine"
        wine_prefix="$(realpath "$root/$preset")/wineprefix"
        loader=wine
        [[ "$preset" == win64 ]] && loader=/usr/lib/wine/wine64
        [[ -d "$wine_prefix" ]] || tools/wine_run.sh --wine "$loader" --prefix "$wine_prefix" --init
        tools/wine_run.sh --wine "$loader" --prefix "$wine_prefix" "$root/$preset/bin/windows_bench.exe" \
            --repetitions "$windows_repetitions" --min-ms "$windows_min_ms" >"$work/$preset.txt"
    done

    if [[ -z "$keep_32bit" ]]; then
        # Only the two digests whose rounds realign the stack, both builds in
        # turn, three rounds, so that a drifting machine load falls on both.
        echo "== win32: SHA-384 and SHA-512, built for a 4-byte and for a 16-byte stack boundary"
        wine_prefix="$(realpath "$root/win32")/wineprefix"
        for round in 1 2 3; do
            for build_dir in win32 win32-stack16; do
                tools/wine_run.sh --wine wine --prefix "$wine_prefix" "$root/$build_dir/bin/windows_bench.exe" \
                    --repetitions "$windows_repetitions" --min-ms "$windows_min_ms" --only SHA-384,SHA-512 \
                    >"$work/realign-$build_dir-$round.txt"
            done
        done
    fi

    echo "== callgrind: one 16-byte export call, step by step"
    python3 bench/call_profile.py --binary "$root/host/bin/call_profile" --out "$work/call_profile.json" \
        --scalar-mask "$scalar_mask"
    printf 'repetitions=%s\nwindows_repetitions=%s\nkeep_32bit=%s\n' "$repetitions" "$windows_repetitions" \
        "$keep_32bit" >"$work/settings"
    echo "$(date +%F) $(cat /proc/loadavg)" >"$work/run_ended.txt"
fi

mkdir -p "$(dirname "$page")"
python3 bench/bench_report.py --work "$work" --markdown "$page" --plot-data "$work/plot.dat" \
    --repetitions "$repetitions" --windows-repetitions "$windows_repetitions" ${keep_32bit:-}
gnuplot -e "data='$work/plot.dat'; output='$chart'" bench/bench_chart.gp
echo "wrote $page and $chart"
