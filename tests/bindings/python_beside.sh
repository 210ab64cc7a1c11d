#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Python wrapper finds libquorvalent.so.1 placed beside it, with no
# LD_LIBRARY_PATH, from another folder. Usage: python_beside.sh PYTHON WRAPPER LIBRARY
set -euo pipefail
python="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/app" "$work/elsewhere"
cp "$2" "$work/app/"
cp -L "$3" "$work/app/libquorvalent.so.1"
got="$(cd "$work/elsewhere" && env -u LD_LIBRARY_PATH PYTHONPATH="$work/app" PYTHONDONTWRITEBYTECODE=1 "$python" -c '
import quorvalent
print(quorvalent._library._name, quorvalent.md5("abc"))')"
want="$work/app/libquorvalent.so.1 900150983cd24fb0d6963f7d28e17f72"
if [[ "$got" != "$want" ]]; then
    echo "FAIL: '$got', want '$want'"
    exit 1
fi
echo "ok: $got"
