#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the cases every language wrapper's test runs, with the results taken
from Python's hashlib and codecs: one line per call, tab-separated,

    call  bits  text  result

call is md5, sha1, sha2, sha3 or rot13, with bits a number, or "-" to call
without one (the default, 256); or text, data or file (the text's bytes written
to a file), with bits the algorithm's name. text and result are the UTF-8 bytes
in hexadecimal ("-" for an empty one), as the Linux library sees them."""
import codecs
import hashlib
import sys

TEXTS = ["abc", "", "Hello, World!", "The quick brown fox jumps over the lazy dog",
         "é", "Grüße, Zürich: Ærøskøbing, Ελλάδα, 日本語, 🙂",
         "tab\tand\nnewline", "x" * 1000]
BITS = ["224", "256", "384", "512", "-", "100"]
FAMILIES = {"sha2": "sha%s", "sha3": "sha3_%s"}
# The Unicode calls' names, in the spellings and cases a caller may use.
ALGORITHMS = {"MD5": "md5", "sha1": "sha1", "SHA-1": "sha1", "SHA224": "sha224", "sha-256": "sha256",
              "SHA2-384": "sha384", "SHA512": "sha512", "SHA3-224": "sha3_224", "sha3_256": "sha3_256",
              "SHA3-384": "sha3_384", "Sha3_512": "sha3_512"}
# Bytes no text can carry: zero bytes, and bytes that are not UTF-8.
BYTES = [b"a\0b", b"\0" * 64, bytes(range(256))]


def digest(function, data):
    # The library gives an empty text for an empty text, not the empty message's digest.
    return hashlib.new(function, data).hexdigest().encode() if data else b""


def cases():
    for text in TEXTS:
        data = text.encode("utf-8")
        yield "md5", "-", data, digest("md5", data)
        yield "sha1", "-", data, digest("sha1", data)
        for call, pattern in FAMILIES.items():
            for bits in BITS:
                length = "256" if bits == "-" else bits
                known = length in ("224", "256", "384", "512")
                yield call, bits, data, digest(pattern % length, data) if known else b""
        yield "rot13", "-", data, codecs.encode(text, "rot13").encode("utf-8")
    # The Unicode calls give the empty message's digest for an empty text.
    for data, calls in [(text.encode("utf-8"), ["text", "data", "file"]) for text in TEXTS] + \
            [(data, ["data", "file"]) for data in BYTES]:
        for algorithm, function in ALGORITHMS.items():
            for call in calls:
                yield call, algorithm, data, hashlib.new(function, data).hexdigest().encode()

def main():
    with open(sys.argv[1], "w") as out:
        for call, bits, data, result in cases():
            out.write("\t".join([call, bits, data.hex() or "-", result.hex() or "-"]) + "\n")


if __name__ == "__main__":
    main()
