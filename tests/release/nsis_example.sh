#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds an NSIS script into an installer of one target with the DLL beside it,
# runs it silently under Wine and prints what its DetailPrint lines printed.
# A silent installer shows no details, so each DetailPrint becomes a line
# appended to a file. Usage: nsis_example.sh TARGET DLL RUNNER... SCRIPT
set -euo pipefail
target="$1"
dll="$2"
shift 2
script="${*: -1}"
runner=("${@:1:$#-1}")
command -v makensis >/dev/null || { echo "makensis is missing: apt-get install nsis" >&2; exit 1; }
work="$(mktemp -d "${script%.nsi}.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp "$dll" "$work/quorvalent.dll"
{
    echo 'SilentInstall silent'
    echo '!macro QvPrint text'
    echo '    FileOpen $R9 "$EXEDIR\printed.txt" a'
    echo '    FileSeek $R9 0 END'
    echo '    FileWrite $R9 "${text}$\n"'
    echo '    FileClose $R9'
    echo '!macroend'
    sed -E 's/^(\s*)DetailPrint /\1!insertmacro QvPrint /' "$script"
} >"$work/example.nsi"
(cd "$work" && makensis -V2 "-XTarget $target" example.nsi >makensis.log 2>&1) || {
    cat "$work/makensis.log" >&2
    exit 1
}
"${runner[@]}" "$work/$(grep -m1 -oP '^OutFile\s+"?\K[^"\s]+' "$work/example.nsi")" /S >&2
cat "$work/printed.txt"
