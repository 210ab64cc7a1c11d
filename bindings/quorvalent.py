# SPDX-License-Identifier: MIT
"""quorvalent from Python, through ctypes.

    import quorvalent
    print(quorvalent.sha2("abc", 384))      # cb00753f45a35e8b...
    print(quorvalent.rot13("Hello, World!"))  # Uryyb, Jbeyq!
    print(quorvalent.text("\u00e9", "SHA-256"))   # 4a99557e..., as hashlib gives for "\u00e9".encode()
    print(quorvalent.data(b"a\0b", "MD5"))        # every byte, zero bytes included
    print(quorvalent.file("setup.exe", "SHA3-512"))

The library is looked for first beside this file, then by name:
- Windows: quorvalent.dll in this file's folder, then in the folder above it
  (the release zip keeps this file in bindings/), then on PATH, then where
  Windows looks for a bare name. Python 3.8 and later search neither PATH nor
  the current folder for a bare name, so those are looked at here.
- elsewhere: libquorvalent.so.1 in this file's folder, then by name (after
  ldconfig, or through LD_LIBRARY_PATH).
A library whose bitness is not the interpreter's is passed over, and named in
the error when no other is found. A str is passed in the ANSI code page on
Windows, through Python's "mbcs" codec with errors="replace": Windows turns a
character the code page lacks into a look-alike where it has one (U+00E9, e
with acute accent, becomes "e" on code page 1251) and into "?" otherwise, as
VBA and most other ANSI hosts do. Elsewhere a str is passed as UTF-8; bytes
are passed as they are. An empty text gives "" from every call; a null result
(a text longer than 2147483646 bytes, or no memory) raises MemoryError. Calls
are serialised by a lock, so threads may share the module.

text, data and file take the algorithm's name ("MD5", "SHA-1", "SHA-256",
"SHA3-512", ...; see quorvalent.h) and give the digest hashlib gives: text hashes
a str's UTF-8 form (an unpaired surrogate as U+FFFD), whatever the code page,
and the empty message has its true digest. On Windows they hand the library
UTF-16 (c_wchar_p), elsewhere UTF-8 bytes, and a path as the file system names
it. When the library gives no result they raise OSError with the reason the
system gave, as open() does: FileNotFoundError for a missing file, errno EINVAL
(Windows: winerror 87) for an unknown algorithm name.
"""
import ctypes
import operator
import os
import struct
import sys
import threading

__all__ = ["md5", "sha1", "sha2", "sha3", "rot13", "text", "data", "file"]

_BITS = 8 * ctypes.sizeof(ctypes.c_void_p)
_HERE = os.path.dirname(os.path.abspath(__file__))


def _library_bits(path):
    """32 or 64 for a Windows DLL or an ELF library, None when the file is neither."""
    try:
        with open(path, "rb") as library:
            header = library.read(64)
            if header[:4] == b"\x7fELF":
                return {1: 32, 2: 64}.get(header[4])
            if header[:2] == b"MZ" and len(header) == 64:
                library.seek(struct.unpack_from("<I", header, 0x3C)[0])
                signature, machine = struct.unpack("<4sH", library.read(6))
                if signature == b"PE\0\0":
                    return {0x14C: 32, 0x8664: 64}.get(machine)
    except (OSError, struct.error):
        pass
    return None


def _candidates(windows, here, path):
    """The files to try, in order; a bare name last, for the system's own search."""
    if windows:
        name = "quorvalent.dll"
        folders = [here, os.path.dirname(here)] + [folder for folder in path.split(os.pathsep) if folder]
    else:
        name = "libquorvalent.so.1"
        folders = [here]
    return [os.path.join(folder, name) for folder in folders] + [name]


def _load(loader, windows=sys.platform == "win32", here=_HERE, path=os.environ.get("PATH", ""), bits=_BITS):
    """loader(file) for the first candidate of the interpreter's bitness."""
    passed_over, reason = [], None
    for candidate in _candidates(windows, here, path):
        bare = os.path.basename(candidate) == candidate
        if not bare:
            if not os.path.isfile(candidate):
                continue
            found = _library_bits(candidate)
            if found != bits:
                passed_over.append("%s (%s)" % (candidate, "%d-bit" % found if found else "not a library"))
                continue
        try:
            return loader(candidate)
        except OSError as error:
            if not bare:
                raise
            if getattr(error, "winerror", None) == 193:  # ERROR_BAD_EXE_FORMAT
                passed_over.append("the %s that Windows found (not %d-bit)" % (candidate, bits))
            reason = error
    raise OSError("quorvalent: this Python is %d-bit and needs the %d-bit library, which was not found%s"
                  % (bits, bits, "; passed over: " + ", ".join(passed_over) if passed_over else "")) from reason


# use_last_error and use_errno keep the thread's error as the call left it, before
# anything else in the interpreter can change it.
if sys.platform == "win32":
    _library = _load(lambda name: ctypes.WinDLL(name, use_last_error=True))  # stdcall on 32-bit Windows
    # "replace" lets Windows' best-fit mapping pick a look-alike, as the ANSI
    # string conversions of VBA, Delphi and the C runtime do.
    _ENCODING, _ERRORS = "mbcs", "replace"
else:
    _library = _load(lambda name: ctypes.CDLL(name, use_errno=True))
    _ENCODING, _ERRORS = "utf-8", "strict"

# The Unicode exports' characters: UTF-16 on Windows, UTF-8 bytes elsewhere.
_WIDE = sys.platform == "win32"
_CHARS = ctypes.c_wchar_p if _WIDE else ctypes.c_char_p

# Results stay raw pointers (c_void_p): a c_char_p result would be copied by
# ctypes with no chance to see a null first.
for _name, _arguments in [("cifrado_md5", [ctypes.c_char_p]), ("cifrado_SHA1", [ctypes.c_char_p]),
                          ("cifrado_SHA2", [ctypes.c_char_p, ctypes.c_char_p]),
                          ("cifrado_SHA3", [ctypes.c_char_p, ctypes.c_char_p]),
                          ("text_rot13", [ctypes.c_char_p, ctypes.c_void_p]),
                          ("cifrado_text", [_CHARS, _CHARS]), ("cifrado_data", [ctypes.c_void_p, ctypes.c_size_t, _CHARS]),
                          ("cifrado_file", [_CHARS, _CHARS])]:
    getattr(_library, _name).argtypes = _arguments
    getattr(_library, _name).restype = ctypes.c_void_p
_library.FreeMem.argtypes = []
_library.FreeMem.restype = ctypes.c_int

# The library keeps one result at a time: a call and its FreeMem must not
# overlap another call.
_lock = threading.Lock()


def _encode(text):
    if isinstance(text, str):
        data = text.encode(_ENCODING, _ERRORS)
    elif isinstance(text, bytes):
        data = text
    else:
        raise TypeError("quorvalent: a text is str or bytes, not %s" % type(text).__name__)
    if b"\0" in data:
        raise ValueError("quorvalent: the text holds a NUL character, where the library would stop reading")
    return data


def _bits(bits):
    return b"%d" % operator.index(bits)


def _call(name, *arguments):
    """The result of one export as bytes, handed back to the library in every case."""
    with _lock:
        result = getattr(_library, name)(*arguments)
        try:
            if not result:
                raise MemoryError("quorvalent: no result: the text is longer than 2147483646 bytes, or memory ran out")
            return ctypes.string_at(result)
        finally:
            _library.FreeMem()


def md5(text):
    """The MD5 digest of text as 32 lowercase hexadecimal digits."""
    return _call("cifrado_md5", _encode(text)).decode("ascii")


def sha1(text):
    """The SHA-1 digest of text as 40 lowercase hexadecimal digits."""
    return _call("cifrado_SHA1", _encode(text)).decode("ascii")


def sha2(text, bits=256):
    """SHA-224, SHA-256, SHA-384 or SHA-512 of text; other bit lengths give ""."""
    return _call("cifrado_SHA2", _encode(text), _bits(bits)).decode("ascii")


def sha3(text, bits=256):
    """SHA3-224, SHA3-256, SHA3-384 or SHA3-512 of text; other bit lengths give ""."""
    return _call("cifrado_SHA3", _encode(text), _bits(bits)).decode("ascii")


def rot13(text):
    """text with A-Z and a-z rotated by 13: a str for a str, bytes for bytes."""
    result = _call("text_rot13", _encode(text), None)
    return result if isinstance(text, bytes) else result.decode(_ENCODING, _ERRORS)


def _unicode(value, what):
    """A str for the Unicode exports: as it is on Windows, its UTF-8 bytes elsewhere."""
    if not isinstance(value, str):
        raise TypeError("quorvalent: %s is a str, not %s" % (what, type(value).__name__))
    if "\0" in value:
        raise ValueError("quorvalent: %s holds a NUL character, where the library would stop reading" % what)
    if _WIDE:
        return value
    # Each unpaired surrogate becomes U+FFFD, as Windows' conversion makes it.
    return value.encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace").encode("utf-8")


def _path(path):
    """A path as the file system names it: a str on Windows, bytes elsewhere."""
    path = os.fsdecode(path) if _WIDE else os.fsencode(path)
    if ("\0" if _WIDE else b"\0") in path:
        raise ValueError("quorvalent: the path holds a NUL character")
    return path


def _digest(name, filename, *arguments):
    """The digest one Unicode export gives, or OSError with the system's reason."""
    with _lock:
        result = getattr(_library, name)(*arguments)
        try:
            if not result:
                # Read as the call left it; FreeMem may change the thread's error.
                if _WIDE:
                    code = ctypes.get_last_error()
                    raise OSError(None, ctypes.FormatError(code).strip(), filename, code)
                code = ctypes.get_errno()
                raise OSError(code, os.strerror(code), *([filename] if filename is not None else []))
            return ctypes.wstring_at(result) if _WIDE else ctypes.string_at(result).decode("ascii")
        finally:
            _library.FreeMem()


def text(text, algorithm):
    """The digest of a str's UTF-8 form, as hashlib.new(algorithm, text.encode()) gives it."""
    return _digest("cifrado_text", None, _unicode(text, "the text"), _unicode(algorithm, "the algorithm"))


def data(data, algorithm):
    """The digest of bytes, or of any object with the buffer interface (bytearray, memoryview, ...)."""
    view = memoryview(data).cast("B")
    if view.readonly:
        buffer = ctypes.c_char_p(view.tobytes()) if not isinstance(data, bytes) else data
    else:
        buffer = (ctypes.c_char * view.nbytes).from_buffer(view) if view.nbytes else None
    return _digest("cifrado_data", None, buffer, view.nbytes, _unicode(algorithm, "the algorithm"))


def file(path, algorithm):
    """The digest of a regular file's bytes (path: str, bytes or os.PathLike)."""
    return _digest("cifrado_file", path, _path(path), _unicode(algorithm, "the algorithm"))
