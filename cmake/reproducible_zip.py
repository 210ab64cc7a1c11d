# SPDX-License-Identifier: MIT
"""Writes a zip again with the same entries, in name order, each with the one
time given and its Unix permissions, and no other attributes (libarchive's
carry each file's access and change times). Usage: reproducible_zip.py ZIP EPOCH"""
import os
import sys
import time
import zipfile


def main():
    path, epoch = sys.argv[1], int(sys.argv[2])
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip holds no time before 1980
    with zipfile.ZipFile(path) as old:
        entries = sorted(((info, old.read(info)) for info in old.infolist()), key=lambda entry: entry[0].filename)
    with zipfile.ZipFile(path + ".new", "w") as new:
        for info, data in entries:
            entry = zipfile.ZipInfo(info.filename, stamp)
            entry.create_system = 3  # Unix: the permissions in external_attr count
            entry.external_attr = info.external_attr
            entry.compress_type = zipfile.ZIP_STORED if info.is_dir() else zipfile.ZIP_DEFLATED
            new.writestr(entry, data)
    os.replace(path + ".new", path)


if __name__ == "__main__":
    main()
