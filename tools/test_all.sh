#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs every test: the Linux library, then the 32-bit and 64-bit DLLs
# under Wine. Sets the machine up first where it lacks something.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/prereqs.sh
qv_setup test
# host32 builds only the benchmark (32-bit code generation, as in the DLL) and smoke-runs it.
for preset in host host-asan win32 win64 host32; do
    echo "== $preset"
    cmake --workflow --preset "$preset"
done
qv_report_first_run
