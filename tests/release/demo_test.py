# SPDX-License-Identifier: MIT
"""The demo under Wine in code page 1252 on a UTF-8 terminal: an empty text
shows empty results, and a non-ASCII text shows as UTF-8 while its digests are
those of its code page 1252 bytes (from hashlib).
Usage: demo_test.py RUNNER... DEMO"""
import codecs
import hashlib
import subprocess
import sys

LABELS = [("MD5", "md5"), ("SHA-1", "sha1")] + [("SHA-%d" % bits, "sha%d" % bits) for bits in (224, 256, 384, 512)] \
    + [("SHA3-%d" % bits, "sha3_%d" % bits) for bits in (224, 256, 384, 512)]


def shown(text):
    lines = subprocess.run(sys.argv[1:] + [text], check=True, capture_output=True).stdout.decode("utf-8").splitlines()
    return [tuple(line.split(None, 1)) for line in lines]


def expected(text):
    if not text:
        return [("text", "(empty)")] + [(label, "(empty)") for label, _ in LABELS] + [("ROT13", "(empty)")]
    data = text.encode("cp1252")
    return [("text", text)] + [(label, hashlib.new(name, data).hexdigest()) for label, name in LABELS] \
        + [("ROT13", codecs.encode(text, "rot13"))]


def main():
    failures = 0
    for text in ["", "café €"]:
        got, want = shown(text), expected(text)
        if got == want:
            print("ok   %r" % text)
        else:
            print("FAIL %r: shows %s, want %s" % (text, got, want))
            failures += 1
    print("%d passed, %d failed" % (2 - failures, failures))
    return failures != 0


if __name__ == "__main__":
    sys.exit(main())
