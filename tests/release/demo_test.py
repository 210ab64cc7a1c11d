# SPDX-License-Identifier: MIT
"""The demo under Wine in code page 1252 on a UTF-8 terminal: an empty text
shows empty ANSI results beside the digests of the empty message, a text with
characters beyond the code page shows as UTF-8, the ANSI exports' digests are
those of its code page 1252 bytes (characters it lacks as "?") and
cifrado_text's those of its UTF-8 bytes (from hashlib); --file shows a file's
ten digests.
Usage: demo_test.py RUNNER... DEMO"""
import codecs
import hashlib
import os
import subprocess
import sys
import tempfile

LABELS = [("MD5", "md5"), ("SHA-1", "sha1")] + [("SHA-%d" % bits, "sha%d" % bits) for bits in (224, 256, 384, 512)] \
    + [("SHA3-%d" % bits, "sha3_%d" % bits) for bits in (224, 256, 384, 512)]


def shown(arguments):
    lines = subprocess.run(sys.argv[1:] + arguments, check=True, capture_output=True).stdout.decode("utf-8")
    return [tuple(line.split()) if line.startswith(tuple(label for label, _ in LABELS)) else line
            for line in lines.splitlines()]


def expected(text):
    ansi = text.encode("cp1252", "replace")
    shown_ansi = ansi.decode("cp1252") if ansi else "(empty)"
    lines = ["text      " + (text or "(empty)"), "ANSI      %s  (code page 1252)" % shown_ansi,
             "          the ANSI exports, then cifrado_text (UTF-8):"]
    lines += [(label, hashlib.new(name, ansi).hexdigest() if ansi else "(empty)",
               hashlib.new(name, text.encode()).hexdigest()) for label, name in LABELS]
    return lines + ["ROT13     " + (codecs.encode(ansi.decode("cp1252"), "rot13") if ansi else "(empty)")]


def main():
    failures = 0
    checks = [(["", ], expected("")), (["café €"], expected("café €")), (["Grüße, 世界"], expected("Grüße, 世界"))]
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "demo file")
        data = bytes(range(256)) * 5
        with open(path, "wb") as handle:
            handle.write(data)
        windows_path = "Z:" + os.path.abspath(path).replace("/", "\\")
        checks.append((["--file", windows_path], ["file      " + windows_path]
                       + [(label, hashlib.new(name, data).hexdigest()) for label, name in LABELS]))
        for arguments, want in checks:
            got = shown(arguments)
            if got == want:
                print("ok   %r" % arguments)
            else:
                print("FAIL %r: shows %s, want %s" % (arguments, got, want))
                failures += 1
    print("%d passed, %d failed" % (len(checks) - failures, failures))
    return failures != 0


if __name__ == "__main__":
    sys.exit(main())
