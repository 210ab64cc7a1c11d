#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs the README's examples in one language, and compares what each
# prints with the comment on its printing line ("..." stands for any digits).
# Usage: readme_examples.sh README LANGUAGE DIR [COMPILER ARGS... --] RUNNER ARGS...
# Each ```LANGUAGE block becomes DIR/readme_example_N.LANGUAGE; with a compiler,
# "COMPILER SOURCE -o PROGRAM ARGS..." builds it (libraries after the source)
# and the runner is given the program, otherwise the source.
set -euo pipefail
readme="$1"
language="$2"
dir="$3"
shift 3
compiler=()
if [[ " $* " == *" -- "* ]]; then
    while [[ "$1" != -- ]]; do compiler+=("$1"); shift; done
    shift
fi
runner=("$@")

rm -f "$dir"/readme_example_*."$language"
count="$(awk -v language="$language" -v dir="$dir" '
    $0 == "```" language { n++; inside = 1; next }
    inside && $0 == "```" { inside = 0; next }
    inside { print > (dir "/readme_example_" n "." language) }
    END { print n + 0 }' "$readme")"
((count > 0)) || { echo "FAIL: the README has no $language example"; exit 1; }

failures=0
for ((n = 1; n <= count; n++)); do
    source="$dir/readme_example_$n.$language"
    # The printing line's comment: /* C */ or # Python.
    want="$(grep -m1 -E 'printf\(|print\(' "$source" | sed -E 's|.*/\* (.*) \*/.*|\1|; s|.*# ||')"
    program="$source"
    if ((${#compiler[@]})); then
        program="$dir/readme_example_$n.exe"
        "${compiler[0]}" "$source" -o "$program" "${compiler[@]:1}" || { echo "FAIL: example $n does not build"; failures=$((failures + 1)); continue; }
    fi
    got="$("${runner[@]}" "$program")" || true
    # shellcheck disable=SC2053  # the comment is a pattern
    if [[ -n "$want" && "$got" == ${want//.../*} ]]; then
        echo "ok   example $n: $got"
    else
        echo "FAIL example $n printed '$got', its comment says '$want'"
        failures=$((failures + 1))
    fi
done
echo "$((count - failures)) passed, $failures failed"
((failures == 0))
