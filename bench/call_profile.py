#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs bench/call_profile under callgrind for each digest and sums the inclusive
instruction counts of one 16-byte export call by step; writes them as JSON."""
import argparse
import json
import os
import re
import subprocess
import tempfile

DIGESTS = ["MD5", "SHA-1", "SHA-224", "SHA-256", "SHA-384", "SHA-512",
           "SHA3-224", "SHA3-256", "SHA3-384", "SHA3-512"]
CALLS = 1000
LINE = re.compile(r"^\s*([\d,]+) \(\s*[\d.]+%\)\s+(.*)$")


def inclusive_costs(profile):
    """function name (without file and object) -> inclusive instructions."""
    output = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", "--auto=no", profile],
                            capture_output=True, text=True, check=True).stdout
    costs = {}
    for line in output.splitlines():
        match = LINE.match(line)
        if not match or "=>" in line:
            continue
        name = re.sub(r" \[[^\]]*\]$", "", match.group(2)).split(":", 1)[-1]
        costs[name] = max(costs.get(name, 0), int(match.group(1).replace(",", "")))
    return costs


def cost(costs, prefix):
    """The inclusive cost of the function whose name starts with prefix (0 when it never ran)."""
    return sum(value for name, value in costs.items() if name.startswith(prefix))


def profile_digest(binary, digest, environment):
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "callgrind.out")
        run = subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", binary, digest,
                              str(CALLS)], capture_output=True, text=True, check=True, env=environment)
        costs = inclusive_costs(out)
    forms = next((line[len("forms: "):] for line in run.stdout.splitlines() if line.startswith("forms: ")), "")
    calls = CALLS + 1  # and the warm-up call
    per_call = {key: cost(costs, prefix) / calls for key, prefix in {
        "export": "ExportCall(", "libcrypto": "OpensslCall(",
        "heap_alloc": "PlatformHeapAlloc(", "heap_free": "PlatformHeapFree(", "heap_realloc": "PlatformHeapReAlloc(",
        "copy_in": "ReadTextIntoScratch(", "read": "ReadText(", "write": "WriteText(",
        "encoded_length": "EncodedByteLength(",
        "measure": "MeasureMemoryText(", "driver": "ComputeDigestHex(", "hex": "HexEncodeDigest(",
        "context_alloc": "AllocInternal(", "context_free": "FreeInternal(", "reset": "ReleaseAllTexts(",
    }.items()}
    heap = per_call["heap_alloc"] + per_call["heap_free"] + per_call["heap_realloc"]
    context_heap = per_call["context_alloc"] + per_call["context_free"]
    steps = {
        "heap calls (context, result block; the scratch memory is kept)": heap,
        "text steps (the text into the scratch memory, the bits read, the result written)":
            per_call["copy_in"] + per_call["read"] + per_call["write"] + per_call["encoded_length"]
            + per_call["measure"],
        "hash (create, update, finish, release)": per_call["driver"] - per_call["hex"] - context_heap,
        "hex digits into an internal text": per_call["hex"],
        "working storage reset": per_call["reset"],
    }
    steps["the rest (registration, bits, the export's own code, the caller's copy)"] = \
        per_call["export"] - sum(steps.values())
    return {"export": per_call["export"], "libcrypto": per_call["libcrypto"], "steps": steps, "forms": forms}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--binary", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--scalar-mask", required=True, help="OPENSSL_ia32cap for libcrypto's portable code")
    arguments = parser.parse_args()
    environment = dict(os.environ, OPENSSL_ia32cap=arguments.scalar_mask)
    results = {digest: profile_digest(arguments.binary, digest, environment) for digest in DIGESTS}
    with open(arguments.out, "w") as handle:
        json.dump(results, handle, indent=1)


if __name__ == "__main__":
    main()
