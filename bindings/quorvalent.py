# SPDX-License-Identifier: MIT
"""quorvalent from Python, through ctypes.

    import quorvalent
    print(quorvalent.sha2("abc", 384))      # cb00753f45a35e8b...
    print(quorvalent.rot13("Hello, World!"))  # Uryyb, Jbeyq!

The library is loaded by name: quorvalent.dll on Windows (the one matching the
interpreter's bitness, next to the program or on PATH), libquorvalent.so.1
elsewhere (after ldconfig, or found through LD_LIBRARY_PATH). A str is passed
in the ANSI code page on Windows, where a character it lacks becomes "?", and
as UTF-8 elsewhere; bytes are passed as they are. An empty text gives "" from
every call. Calls are serialised by a lock, so threads may share the module.
"""
import ctypes
import operator
import sys
import threading

__all__ = ["md5", "sha1", "sha2", "sha3", "rot13"]

if sys.platform == "win32":
    _library = ctypes.WinDLL("quorvalent.dll")  # stdcall on 32-bit Windows
    _ENCODING, _ERRORS = "mbcs", "replace"
else:
    _library = ctypes.CDLL("libquorvalent.so.1")
    _ENCODING, _ERRORS = "utf-8", "strict"

# Results stay raw pointers (c_void_p): a c_char_p result would be copied by
# ctypes with no chance to see a null first.
for _name, _arguments in [("cifrado_md5", [ctypes.c_char_p]), ("cifrado_SHA1", [ctypes.c_char_p]),
                          ("cifrado_SHA2", [ctypes.c_char_p, ctypes.c_char_p]),
                          ("cifrado_SHA3", [ctypes.c_char_p, ctypes.c_char_p]),
                          ("text_rot13", [ctypes.c_char_p, ctypes.c_void_p])]:
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
                raise MemoryError("quorvalent: the library ran out of memory")
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
