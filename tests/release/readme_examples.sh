#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs a README's examples in one language, and compares the lines
# each prints with the comments on its printing lines ("..." stands for any
# digits); a printing line without such a comment, an error message, prints
# nothing when all goes well. Usage: readme_examples.sh README LANGUAGE DIR [COMPILE... --] RUNNER...
# Each ```LANGUAGE block becomes DIR/readme_example_N.EXT; with a COMPILE
# command, in which {source} and {program} stand for the example and the program
# it makes, the runner is given the program, otherwise the source.
set -euo pipefail
readme="$1"
language="$2"
dir="$3"
shift 3
compile=()
if [[ " $* " == *" -- "* ]]; then
    while [[ "$1" != -- ]]; do compile+=("$1"); shift; done
    shift
fi
runner=("$@")

# The printing lines and the form of their comments, language by language.
made=
case "$language" in
c) printing='printf\(' comment='.*/\* (.*) \*/.*' extension=c made=.exe ;;
python) printing='print\(' comment='.*# (.*)' extension=py ;;
csharp) printing='Console\.WriteLine\(' comment='.*// (.*)' extension=cs made=.exe ;;
pascal) printing='WriteLn\(' comment='.*// (.*)' extension=pas made= ;;
nsis) printing='^\s*DetailPrint ' comment='.*; (.*)' extension=nsi ;;
*) echo "FAIL: no rule for $language examples"; exit 1 ;;
esac

rm -f "$dir"/readme_example_*."$extension"
# Windows line ends are dropped: a README made for Notepad has them.
count="$(tr -d '\r' <"$readme" | awk -v language="$language" -v file="$dir/readme_example_" -v extension="$extension" '
    $0 == "```" language { n++; inside = 1; next }
    inside && $0 == "```" { inside = 0; next }
    inside { print > (file n "." extension) }
    END { print n + 0 }')"
((count > 0)) || { echo "FAIL: $readme has no $language example"; exit 1; }

failures=0
for ((n = 1; n <= count; n++)); do
    source="$dir/readme_example_$n.$extension"
    want="$(grep -E "$printing" "$source" | grep -E "$comment" | sed -E "s|$comment|\1|")" || true
    program="$source"
    if ((${#compile[@]})); then
        program="$dir/readme_example_$n$made"
        command=()
        for word in "${compile[@]}"; do
            word="${word//\{source\}/$source}"
            command+=("${word//\{program\}/$program}")
        done
        "${command[@]}" >"$dir/readme_example_$n.log" 2>&1 || {
            cat "$dir/readme_example_$n.log"
            echo "FAIL: example $n does not build"
            failures=$((failures + 1))
            continue
        }
    fi
    got="$("${runner[@]}" "$program")" || true
    matches=1
    [[ -n "$want" && "$(wc -l <<<"$got")" == "$(wc -l <<<"$want")" ]] || matches=0
    while ((matches)) && IFS= read -r -u 3 wanted && IFS= read -r -u 4 line; do
        # shellcheck disable=SC2053  # the comment is a pattern
        [[ "$line" == ${wanted//.../*} ]] || matches=0
    done 3<<<"$want" 4<<<"$got"
    if ((matches)); then
        echo "ok   example $n: ${got//$'\n'/ | }"
    else
        echo "FAIL example $n printed '${got//$'\n'/ | }', its comments say '${want//$'\n'/ | }'"
        failures=$((failures + 1))
    fi
done
echo "$((count - failures)) passed, $failures failed"
((failures == 0))
