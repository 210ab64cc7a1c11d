// SPDX-License-Identifier: MIT
// The long texts of the export tests, made the same way by the test programs and
// by tests/helpers/expected_digests.py, which computes their digests outside the project;
// and the ROT13 the exports must give for any text.
#pragma once
#include <cstddef>
#include <string>

// Bytes 1 to 255 in turn, so every byte value a text can carry appears.
inline std::string PatternText(size_t length)
{
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(1 + i % 255);
    return text;
}

// The bytes 0x80 to 0xFF, which a single-byte code page must pass unchanged.
inline std::string HighBytesText()
{
    std::string text;
    for (int b = 0x80; b <= 0xFF; ++b) text.push_back(static_cast<char>(b));
    return text;
}

// ROT13 of the Latin letters; every other byte stays as it is.
inline std::string Rot13Model(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>((c - 'A' + 13) % 26 + 'A');
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>((c - 'a' + 13) % 26 + 'a');
    }
    return text;
}

// Known answers of the ROT13 export, for every build to run; the high bytes hold
// in a single-byte code page.
struct Rot13Case {
    const char* why;
    std::string in;
    std::string out;
};
inline const Rot13Case Rot13Cases[] = {
    {"classic", "Hello, World!", "Uryyb, Jbeyq!"},
    {"wraps at the end", "Zz", "Mm"},
    {"wraps to the start", "Nn", "Aa"},
    {"neighbours of the letter ranges", "@[`{", "@[`{"},
    {"digits and spaces", "0123 456789", "0123 456789"},
    {"empty", "", ""},
    {"bytes 0x80 to 0xFF are never rotated", HighBytesText(), HighBytesText()},
    {"accented letters stay", "\xC9t\xE9", "\xC9g\xE9"},
};
