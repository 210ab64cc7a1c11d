#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets in tests/fuzz/ with clang (ASan + UBSan) over the
# library's Linux sources, and runs them from the seed corpora.
#   tools/fuzz.sh build OUT               compile into OUT
#   tools/fuzz.sh run OUT SECONDS [T...]  run targets (default: all) side by side
#   tools/fuzz.sh runs OUT COUNT SEED [T...]
#                                         the same for COUNT inputs each from a fixed
#                                         seed and an empty work corpus: repeatable
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
targets=(exports_fuzz parse_integer_fuzz)
usage() { echo "usage: tools/fuzz.sh build OUT | run OUT SECONDS [TARGET...] | runs OUT COUNT SEED [TARGET...]" >&2; exit 2; }
[[ $# -ge 2 ]] || usage
mode="$1"
out="$2"
shift 2

CXX="${QV_FUZZ_CXX:-clang++}"
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

build() {
    command -v "$CXX" >/dev/null || { echo "fuzz.sh: $CXX not found; install clang and libclang-rt-14-dev" >&2; exit 1; }
    [[ -f /usr/include/openssl/evp.h ]] || { echo "fuzz.sh: libssl-dev is missing" >&2; exit 1; }
    mkdir -p "$out/objects"
    # The library's Linux sources as CMakeLists.txt lists them, less the loader
    # hook: each target delivers the attach notification itself.
    local sources=()
    local file
    for file in "$root"/boundary/*.cpp "$root"/runtime/*.cpp "$root"/digest/*.cpp; do
        case "$(basename "$file")" in platform_windows.cpp | loader_linux.cpp) continue ;; esac
        sources+=("$file")
    done
    local flags=(-std=c++20 -O1 -g $sanitize -I"$root" -I"$root/include")
    # Library objects with the product's own flags, two compilers at a time.
    rm -f "$out"/objects/*.o
    local running=0
    for file in "${sources[@]}"; do
        "$CXX" "${flags[@]}" -fsanitize=fuzzer-no-link -fno-exceptions -fno-rtti -fvisibility=hidden \
            -Wall -Wextra -Wshadow -Wconversion -c "$file" -o "$out/objects/$(basename "$file" .cpp).o" &
        if ((++running >= 2)); then wait -n; ((running--)); fi
    done
    while ((running)); do wait -n; ((running--)); done
    local target
    for target in "${targets[@]}"; do
        "$CXX" "${flags[@]}" -fsanitize=fuzzer "$root/tests/fuzz/$target.cpp" "$out"/objects/*.o \
            "$root/tests/support/reference.cpp" "$root/tests/support/vectors.cpp" -lcrypto -o "$out/$target"
    done
    echo "fuzz.sh: built ${targets[*]} in $out"
}

# Each target runs from a fresh work corpus (new inputs go there) and the
# checked-in seeds, which stay untouched. The budget is libFuzzer's options:
# a time, or a count of runs with a seed.
run() {
    local budget="$1"
    local said="$2"
    shift 2
    (($#)) && targets=("$@")
    local target pids=() status=0
    for target in "${targets[@]}"; do
        [[ -x "$out/$target" ]] || { echo "fuzz.sh: $out/$target not built (tools/fuzz.sh build $out)" >&2; exit 1; }
        [[ -d "$root/tests/fuzz/corpus/$target" ]] || { echo "fuzz.sh: no seeds in tests/fuzz/corpus/$target" >&2; exit 1; }
        rm -rf "$out/work/$target"
        mkdir -p "$out/work/$target" "$out/artifacts/$target"
        # shellcheck disable=SC2086  # the budget is two options when counted
        "$out/$target" $budget -timeout=20 -rss_limit_mb=2048 -max_len=6000 -print_final_stats=1 \
            -artifact_prefix="$out/artifacts/$target/" "$out/work/$target" "$root/tests/fuzz/corpus/$target" \
            >"$out/$target.log" 2>&1 &
        pids+=($!)
    done
    local i
    for i in "${!targets[@]}"; do
        target="${targets[$i]}"
        if wait "${pids[$i]}"; then
            echo "$target: passed, $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$out/$target.log" | grep -o '[0-9]*$') executions ($said)"
        else
            status=1
            echo "$target: FAILED (log: $out/$target.log, inputs: $out/artifacts/$target/)"
            grep -v '^#[0-9]' "$out/$target.log" | tail -40
        fi
    done
    return "$status"
}

case "$mode" in
    build) build ;;
    run) [[ $# -ge 1 ]] || usage; seconds="$1"; shift; run "-max_total_time=$seconds" "in $seconds s" "$@" ;;
    runs) [[ $# -ge 2 ]] || usage; count="$1" seed="$2"; shift 2; run "-runs=$count -seed=$seed" "seed $seed" "$@" ;;
    *) usage ;;
esac
