#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads every file of a release zip as someone with only the zip would meet it:
no file names a folder of the repository (tools/, tests/, boundary/, ...) that
the zip does not hold, and every text file is ASCII, so that any Notepad and
any ANSI code page show it alike; the README and the VBA module have Windows
line ends. Usage: zip_text.py ZIP SOURCE_DIR"""
import os
import re
import sys
import zipfile

BINARY = (".dll", ".lib", ".a")
WINDOWS_LINE_ENDS = ("README.txt", ".bas")


def repository_folders(source, held):
    """The source tree's top-level folders that the zip does not hold; build/
    is where the presets build, hidden folders are the tools'."""
    return sorted(name for name in os.listdir(source) if os.path.isdir(os.path.join(source, name))
                  and not name.startswith(".") and name != "build" and name not in held)


def main():
    zip_path, source = sys.argv[1], sys.argv[2]
    failures = []
    with zipfile.ZipFile(zip_path) as archive:
        files = [info.filename for info in archive.infolist() if not info.is_dir()]
        top = os.path.commonpath(files)
        held = {name.split("/")[1] for name in files if name.count("/") > 1}
        folders = repository_folders(source, held)
        path = re.compile(r"(?<![\w.-])(%s)[/\\]" % "|".join(map(re.escape, folders)))
        for name in files:
            data = archive.read(name)
            short = os.path.relpath(name, top)
            # Binary files may hold texts in UTF-16 (a version resource) as well as in bytes.
            texts = [data.decode("latin-1")]
            if name.endswith(BINARY):
                texts.append(data[len(data) % 2:].decode("utf-16-le", "replace"))
                texts.append(data[:len(data) - len(data) % 2].decode("utf-16-le", "replace"))
            found = sorted({match.group(0) for text in texts for match in path.finditer(text)})
            if found:
                failures.append("%s names the repository's %s" % (short, ", ".join(found)))
            if name.endswith(BINARY):
                continue
            if any(byte > 0x7F for byte in data):
                line = data[:next(i for i, byte in enumerate(data) if byte > 0x7F)].count(b"\n") + 1
                failures.append("%s is not ASCII (line %d)" % (short, line))
            if name.endswith(WINDOWS_LINE_ENDS) and data.count(b"\n") != data.count(b"\r\n"):
                failures.append("%s has line ends without a carriage return" % short)
    for failure in failures:
        print("FAIL " + failure)
    print("%s: %d files read for the folders %s; %d failed" % (
        os.path.basename(zip_path), len(files), "/ ".join(folders) + "/", len(failures)))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
