#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a C++ header with the digests of the export tests' long texts and of
the pattern texts at every block boundary, of the Unicode texts' UTF-8 forms,
of byte buffers with zeros and of a file past 4 GiB, taken from Python's codecs
and hashlib: an outside reference for the library's results in every build."""
import hashlib
import sys

FUNCTIONS = ["md5", "sha1", "sha224", "sha256", "sha384", "sha512",
             "sha3_224", "sha3_256", "sha3_384", "sha3_512"]


def pattern(length):
    return bytes(1 + i % 255 for i in range(length))


TEXTS = [("pattern 4998 bytes", pattern(4998)),
         ("pattern 4999 bytes", pattern(4999)),
         ("pattern 5000 bytes", pattern(5000)),
         ("pattern 5001 bytes", pattern(5001)),
         ("pattern 5002 bytes", pattern(5002)),
         ("one million a", b"a" * 1000000),
         ("bytes 0x80 to 0xFF", bytes(range(0x80, 0x100)))]

# Pattern texts where padding changes shape: MD5, SHA-1 and SHA-256 blocks of
# 64 bytes (55 still pads in one block, 56 needs two), SHA-512 blocks of 128,
# each SHA-3 rate (144, 136, 104, 72) less one, exactly, and plus one; then a
# few more lengths, past one scratch block (5000) and past 64 KiB.
BOUNDARY_LENGTHS = sorted({0, 3, 55, 56, 63, 64, 65, 111, 112, 127, 128, 200, 5000, 70000} |
                          {rate + step for rate in (72, 104, 136, 144) for step in (-1, 0, 1)})


def zero_pattern(length):
    """Bytes with a zero at every seventh place, from the first on."""
    return bytes(0 if i % 7 == 0 else (i * 37 + 11) % 256 for i in range(length))


# Byte buffers at every length to 300 and around 1 MiB, the file reader's chunk.
ZERO_PATTERN_LENGTHS = list(range(301)) + [(1 << 20) + step for step in (-1, 0, 1)]

# A file of zeros with "end" as its last three bytes, past 4 GiB, and its SHA-1.
LONG_FILE_BYTES = (1 << 32) + 4096


def utf8(text):
    """The UTF-8 form a text takes from Windows' conversion: each unpaired surrogate as U+FFFD."""
    return "".join("\ufffd" if 0xD800 <= ord(c) <= 0xDFFF else c for c in text).encode("utf-8")


def units(text):
    """The text's UTF-16 code units; a lone surrogate stays one unit."""
    data = text.encode("utf-16-le", "surrogatepass")
    return [int.from_bytes(data[i:i + 2], "little") for i in range(0, len(data), 2)]


def from_units(values):
    """A text from UTF-16 units: pairs join into one character, lone surrogates stay."""
    return b"".join(v.to_bytes(2, "little") for v in values).decode("utf-16-le", "surrogatepass")


def sized(length):
    """A text of 2-, 3- and 4-byte characters and ASCII whose UTF-8 form is length bytes."""
    text, size = "", 0
    for c in "aж€😀" * length:
        if size + len(c.encode()) > length:
            break
        text, size = text + c, size + len(c.encode())
    return text + "a" * (length - size)


# (name, head, body, repeats, tail): the text is head, body repeated, tail. Lone
# surrogates are written as units, which Python keeps as lone code points.
UNICODE_TEXTS = [
    ("empty", "", "", 0, ""),
    ("e acute", "é", "", 0, ""),
    ("Latin letters with accents", "Grüße, café, naïve, Œuvre", "", 0, ""),
    ("Cyrillic", "Съешь же ещё этих мягких французских булок", "", 0, ""),
    ("Greek", "Ξεσκεπάζω τὴν ψυχοφθόρα βδελυγμία", "", 0, ""),
    ("Chinese and Japanese", "日本語のテキスト、中文字符，世界", "", 0, ""),
    ("Arabic and Hebrew", "مرحبا بالعالم שלום עולם", "", 0, ""),
    ("Devanagari", "नमस्ते दुनिया", "", 0, ""),
    ("combining marks", "e\u0301 a\u0308 n\u0303 Z\u0336\u0335 \u0915\u094d", "", 0, ""),
    ("outside the Basic Multilingual Plane", "😀🎉 𝄞 𐍈 🇩🇪 👩‍👩‍👧", "", 0, ""),
    ("U+FEFF and U+FFFF", "\ufeffBOM\uffff\ufffe", "", 0, ""),
    ("high surrogate at the start", "\ud800abc", "", 0, ""),
    ("high surrogate in the middle", "ab\udbffcd", "", 0, ""),
    ("high surrogate at the end", "abc\ud83d", "", 0, ""),
    ("low surrogate at the start", "\udc00abc", "", 0, ""),
    ("low surrogate in the middle", "ab\udfffcd", "", 0, ""),
    ("low surrogate at the end", "abc\ude00", "", 0, ""),
    ("low then high surrogate", "\ude00\ud83d", "", 0, ""),
    ("two high surrogates, then a pair", "\ud800\ud83d\ude00", "", 0, ""),
    ("a pair, then a lone high surrogate", "\ud83d\ude00\ud800", "", 0, ""),
] + [("%d UTF-8 bytes, at a block boundary" % n, sized(n), "", 0, "")
     for n in sorted({55, 56, 63, 64, 65, 71, 72, 73, 103, 104, 105, 111, 112, 113, 127, 128, 129,
                      135, 136, 137, 143, 144, 145})] + [
    # Across the pieces of the conversion (1024 bytes, then 16384 after what the
    # first leaves beyond its whole 128-byte runs, 125 bytes of ASCII): characters
    # of every length, and a lone surrogate, at and around each piece's end.
    ("%d ASCII, then characters of every length" % n, "", "a", n, "😀€жa\ud800é")
    for n in list(range(1017, 1025)) + list(range(17273, 17281)) + list(range(17401, 17409))
] + [
    ("long mixed text (Cyrillic, Chinese, emoji, ASCII)", "", "Съешь 日本語 😀 ok, ", 3000, "end"),
    ("long ASCII text", "x", "The quick brown fox jumps over the lazy dog. ", 2500, "\udc00"),
    ("long text of lone surrogates", "", "a\udc00", 3000, "\ud800"),
]


def c_units(values):
    return "{" + ", ".join("0x%x" % v for v in values) + "}"


def c_bytes(data):
    return '"' + "".join("\\%03o" % b for b in data) + '"'


def unicode_header(out):
    out += ["", "// The Unicode texts: head, then body repeated, then tail, as UTF-16 units.",
            "struct UnicodeText {", "    const char* name;", "    const char16_t* head;", "    size_t headLength;",
            "    const char16_t* body;", "    size_t bodyLength;", "    size_t repeats;", "    const char16_t* tail;",
            "    size_t tailLength;", "    // The UTF-8 forms of head, body and tail (each unpaired surrogate as EF BF BD).",
            "    const char* headUtf8;", "    size_t headUtf8Length;", "    const char* bodyUtf8;",
            "    size_t bodyUtf8Length;", "    const char* tailUtf8;", "    size_t tailUtf8Length;",
            "    const char* digests[10];  // of the whole text's UTF-8 form", "};", ""]
    rows = []
    for index, (name, head, body, repeats, tail) in enumerate(UNICODE_TEXTS):
        # As units, an escaped pair (\\ud83d\\ude00) is the character it stands for.
        head, body, tail = (from_units(units(part)) for part in (head, body, tail))
        whole = from_units(units(head) + units(body) * repeats + units(tail))
        assert utf8(whole) == utf8(head) + utf8(body) * repeats + utf8(tail), name
        parts = []
        for part, text in (("Head", head), ("Body", body), ("Tail", tail)):
            out.append("inline constexpr char16_t Unicode%s%d[] = %s;" % (part, index, c_units(units(text) + [0])))
            parts.append("Unicode%s%d, %d" % (part, index, len(units(text))))
        digests = ", ".join('"%s"' % hashlib.new(f, utf8(whole)).hexdigest() for f in FUNCTIONS)
        rows.append('    {"%s", %s, %s, %d, %s, %s, %d, %s, %d, %s, %d, {%s}},' % (
            name, parts[0], parts[1], repeats, parts[2], c_bytes(utf8(head)), len(utf8(head)),
            c_bytes(utf8(body)), len(utf8(body)), c_bytes(utf8(tail)), len(utf8(tail)), digests))
    out += ["", "inline constexpr UnicodeText UnicodeTexts[] = {"] + rows + ["};"]


def zero_pattern_header(out):
    out += ["", "// ZeroPattern(length): a zero at every seventh byte from the first, else (i * 37 + 11) mod 256.",
            "struct ExpectedZeroPattern {", "    size_t length;", "    const char* digests[10];", "};", "",
            "inline constexpr ExpectedZeroPattern ExpectedZeroPatterns[] = {"]
    for length in ZERO_PATTERN_LENGTHS:
        data = zero_pattern(length)
        out.append("    {%d, {%s}}," % (length, ", ".join('"%s"' % hashlib.new(f, data).hexdigest() for f in FUNCTIONS)))
    out.append("};")
    long_file = hashlib.sha1()
    zeros = bytes(1 << 20)
    remaining = LONG_FILE_BYTES - 3
    while remaining:
        step = min(remaining, len(zeros))
        long_file.update(zeros[:step])
        remaining -= step
    long_file.update(b"end")
    out += ["", "// A file of %d bytes, zeros but for its last three, \"end\": its SHA-1." % LONG_FILE_BYTES,
            "inline constexpr unsigned long long LongFileBytes = %dull;" % LONG_FILE_BYTES,
            'inline constexpr const char* LongFileSha1 = "%s";' % long_file.hexdigest()]


def main():
    out = ["// Generated by tests/helpers/expected_digests.py from Python's hashlib. Do not edit.",
           "#pragma once", "#include <cstddef>", "", "struct ExpectedLongText {", "    const char* name;",
           "    const char* digests[10];  // " + ", ".join(FUNCTIONS), "};", "",
           "inline constexpr ExpectedLongText ExpectedLongTexts[] = {"]
    for name, data in TEXTS:
        digests = ", ".join('"%s"' % hashlib.new(f, data).hexdigest() for f in FUNCTIONS)
        out.append('    {"%s", {%s}},' % (name, digests))
    out.append("};")
    out += ["", "struct ExpectedPatternText {", "    unsigned length;",
            "    const char* digests[10];  // as above", "};", "",
            "// PatternText(length) for every length of the boundary table.",
            "inline constexpr ExpectedPatternText ExpectedPatternTexts[] = {"]
    for length in BOUNDARY_LENGTHS:
        digests = ", ".join('"%s"' % hashlib.new(f, pattern(length)).hexdigest() for f in FUNCTIONS)
        out.append('    {%d, {%s}},' % (length, digests))
    out.append("};")
    unicode_header(out)
    zero_pattern_header(out)
    with open(sys.argv[1], "w") as header:
        header.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
