# SPDX-License-Identifier: MIT
"""bindings/quorvalent.py against the Linux library. Usage: python_test.py CASES.tsv
(tests/helpers/wrapper_cases.py writes the cases; bindings/ must be on PYTHONPATH)."""
import ctypes
import errno
import hashlib
import os
import pathlib
import struct
import sys
import tempfile
import threading
import unittest
from unittest import mock

import quorvalent

CASES = []


def load_cases(path):
    with open(path) as table:
        for line in table:
            call, bits, text, result = line.rstrip("\n").split("\t")
            data = b"" if text == "-" else bytes.fromhex(text)
            if call in ("data", "file"):
                CASES.append((call, bits, data, bytes.fromhex(result)))
            else:
                CASES.append((call, None if bits == "-" else bits if call == "text" else int(bits),
                              data.decode("utf-8"), b"" if result == "-" else bytes.fromhex(result)))


def run(call, bits, text):
    if call == "file":
        with tempfile.NamedTemporaryFile() as written:
            written.write(text)
            written.flush()
            return quorvalent.file(written.name, bits)
    function = getattr(quorvalent, call)
    return function(text) if bits is None else function(text, bits)


def mismatches(cases):
    return [(call, bits, text[:20], got) for call, bits, text, want in cases
            if (got := run(call, bits, text)) != want.decode("utf-8")]


class Cases(unittest.TestCase):
    def test_every_case(self):
        self.assertGreater(len(CASES), 100)
        self.assertEqual(mismatches(CASES), [])

    def test_bytes_give_what_their_text_gives(self):
        for call, bits, text, want in [case for case in CASES if case[0] in ("md5", "sha1", "sha2", "sha3", "rot13")]:
            got = run(call, bits, text.encode("utf-8"))
            self.assertEqual(got, want if call == "rot13" else want.decode("ascii"), (call, bits, text[:20]))

    def test_bytes_that_are_not_utf8_are_digested_as_they_are(self):
        for data in [b"\xe9", bytes(range(1, 256))]:
            self.assertEqual(quorvalent.md5(data), hashlib.md5(data).hexdigest())
            self.assertEqual(quorvalent.sha3(data, 512), hashlib.sha3_512(data).hexdigest())
        self.assertEqual(quorvalent.rot13(b"\xe9Nz\xff"), b"\xe9Am\xff")


    def test_unicode_calls_take_any_buffer_and_path(self):
        want = hashlib.sha256(b"a\0b").hexdigest()
        for data in [bytearray(b"a\0b"), memoryview(b"xa\0b")[1:], memoryview(bytearray(b"a\0b"))]:
            self.assertEqual(quorvalent.data(data, "SHA-256"), want, data)
        self.assertEqual(quorvalent.data(bytearray(), "MD5"), hashlib.md5().hexdigest())
        with tempfile.TemporaryDirectory() as folder:
            names = [os.path.join(folder, "\u00e9t\u00e9 \U0001f642.txt"), os.path.join(os.fsencode(folder), b"\xff")]
            for name in names:
                with open(name, "wb") as written:
                    written.write(b"a\0b")
            for name in names + [os.fsencode(names[0]), os.fsdecode(names[1]), pathlib.Path(names[0])]:
                self.assertEqual(quorvalent.file(name, "SHA-256"), want, name)

    def test_an_unpaired_surrogate_is_hashed_as_u_fffd(self):
        self.assertEqual(quorvalent.text("a\ud800b", "MD5"), hashlib.md5("a\ufffdb".encode()).hexdigest())


class Errors(unittest.TestCase):
    """The system's reason for a null result, as OSError and its subclasses carry it."""

    def test_each_refusal_raises_the_systems_error(self):
        with tempfile.TemporaryDirectory() as folder:
            missing = os.path.join(folder, "missing.txt")
            for name, call, error, raised in [
                    ("unknown algorithm", lambda: quorvalent.text("abc", "SHA-257"), errno.EINVAL, OSError),
                    ("unknown algorithm for bytes", lambda: quorvalent.data(b"abc", "MD4"), errno.EINVAL, OSError),
                    ("missing file", lambda: quorvalent.file(missing, "MD5"), errno.ENOENT, FileNotFoundError),
                    ("folder", lambda: quorvalent.file(folder, "MD5"), errno.EISDIR, IsADirectoryError),
                    ("device", lambda: quorvalent.file("/dev/zero", "MD5"), errno.EINVAL, OSError)]:
                with self.subTest(name), self.assertRaises(raised) as caught:
                    call()
                self.assertEqual((caught.exception.errno, caught.exception.strerror), (error, os.strerror(error)))
        self.assertEqual(caught.exception.filename, "/dev/zero")

    def test_arguments_the_library_cannot_take_are_refused_first(self):
        for call, raised in [(lambda: quorvalent.text("a\0b", "MD5"), ValueError),
                             (lambda: quorvalent.text(b"abc", "MD5"), TypeError),
                             (lambda: quorvalent.data("abc", "MD5"), TypeError),
                             (lambda: quorvalent.file("a\0b", "MD5"), ValueError),
                             (lambda: quorvalent.data(b"abc", None), TypeError)]:
            with self.assertRaises(raised):
                call()


class Refusals(unittest.TestCase):
    def test_a_nul_character_is_refused_rather_than_cut_short(self):
        for text in ["a\0b", b"a\0b"]:
            with self.assertRaises(ValueError):
                quorvalent.md5(text)

    def test_bits_must_be_an_integer(self):
        for bits in ["384", 384.0, None]:
            with self.assertRaises(TypeError):
                quorvalent.sha2("abc", bits)

    def test_a_text_must_be_str_or_bytes(self):
        with self.assertRaises(TypeError):
            quorvalent.rot13(None)


class FakeLibrary:
    """Answers every export with a null result and counts the FreeMem calls."""

    def __init__(self):
        self.freed = 0

    def __getattr__(self, name):
        return lambda *arguments: None

    def FreeMem(self):
        self.freed += 1
        return 0


class NullResult(unittest.TestCase):
    def test_a_null_result_is_out_of_memory_and_still_handed_back(self):
        fake = FakeLibrary()
        with mock.patch.object(quorvalent, "_library", fake):
            for call in ["md5", "sha1", "sha2", "sha3", "rot13"]:
                with self.assertRaises(MemoryError):
                    getattr(quorvalent, call)("abc")
            with self.assertRaises(OSError):
                quorvalent.text("abc", "MD5")
        self.assertEqual(fake.freed, 6)

    def test_a_failed_copy_still_hands_the_result_back(self):
        fake = FakeLibrary()
        fake.cifrado_md5 = lambda text: 1
        with mock.patch.object(quorvalent, "_library", fake), \
             mock.patch.object(ctypes, "string_at", side_effect=MemoryError):
            with self.assertRaises(MemoryError):
                quorvalent.md5("abc")
        self.assertEqual(fake.freed, 1)


def pe_header(machine):
    return b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40) + b"PE\0\0" + struct.pack("<H", machine)


def elf_header(elf_class):
    return b"\x7fELF" + bytes([elf_class]) + bytes(59)


class Finding(unittest.TestCase):
    """Which library the wrapper loads, on Windows and elsewhere, from files
    that carry only the header the wrapper reads."""

    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.root = folder.name
        self.here = os.path.join(self.root, "bindings")
        os.mkdir(self.here)

    def place(self, folder, name, header):
        path = os.path.join(self.root, folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as library:
            library.write(header)
        return path

    def load(self, windows, bits, path="", bare_loads=True):
        def loader(candidate):
            if os.path.basename(candidate) == candidate and not bare_loads:
                raise OSError("not found by name")
            return candidate
        return quorvalent._load(loader, windows=windows, here=self.here, path=path, bits=bits)

    def test_windows_takes_the_first_dll_of_the_interpreters_bitness(self):
        wrong = self.place("bindings", "quorvalent.dll", pe_header(0x14C))
        above = self.place("", "quorvalent.dll", pe_header(0x8664))
        on_path = self.place("path", "quorvalent.dll", pe_header(0x8664))
        self.assertEqual(self.load(True, 64, os.path.dirname(on_path)), above)
        self.assertEqual(self.load(True, 32, os.path.dirname(on_path)), wrong)
        os.remove(above)
        self.assertEqual(self.load(True, 64, os.pathsep + os.path.dirname(on_path)), on_path)
        os.remove(on_path)
        self.assertEqual(self.load(True, 64), "quorvalent.dll")

    def test_a_dll_of_the_wrong_bitness_is_named_when_nothing_else_loads(self):
        wrong = self.place("bindings", "quorvalent.dll", pe_header(0x14C))
        with self.assertRaises(OSError) as raised:
            self.load(True, 64, bare_loads=False)
        self.assertIn("this Python is 64-bit and needs the 64-bit library", str(raised.exception))
        self.assertIn(wrong + " (32-bit)", str(raised.exception))

    def test_elsewhere_the_library_beside_the_wrapper_comes_first(self):
        beside = self.place("bindings", "libquorvalent.so.1", elf_header(2))
        self.assertEqual(self.load(False, 64), beside)
        self.place("bindings", "libquorvalent.so.1", elf_header(1))
        self.assertEqual(self.load(False, 64), "libquorvalent.so.1")
        self.place("bindings", "libquorvalent.so.1", b"not a library")
        with self.assertRaisesRegex(OSError, "libquorvalent.so.1 \\(not a library\\)"):
            self.load(False, 64, bare_loads=False)


class Threads(unittest.TestCase):
    def test_threads_sharing_the_module_get_their_own_results(self):
        failures = []

        def worker():
            for _ in range(10):
                failures.extend(mismatches(CASES))

        threads = [threading.Thread(target=worker) for _ in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(failures, [])


if __name__ == "__main__":
    load_cases(sys.argv.pop(1))
    unittest.main()
