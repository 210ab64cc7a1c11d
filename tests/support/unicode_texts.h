// SPDX-License-Identifier: MIT
// The Unicode texts of tests/helpers/expected_digests.py, whole, as UTF-16 units and as
// the UTF-8 they must give; and the byte buffers with zeros.
#pragma once
#include <cstddef>
#include <string>

#include "long_text_digests.h"

inline std::u16string UnitsOf(const UnicodeText& text)
{
    std::u16string units(text.head, text.headLength);
    for (size_t i = 0; i < text.repeats; ++i) units.append(text.body, text.bodyLength);
    return units.append(text.tail, text.tailLength);
}

inline std::string Utf8Of(const UnicodeText& text)
{
    std::string bytes(text.headUtf8, text.headUtf8Length);
    for (size_t i = 0; i < text.repeats; ++i) bytes.append(text.bodyUtf8, text.bodyUtf8Length);
    return bytes.append(text.tailUtf8, text.tailUtf8Length);
}

// A zero at every seventh byte from the first, as tests/helpers/expected_digests.py makes them.
inline std::string ZeroPattern(size_t length)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = i % 7 == 0 ? '\0' : static_cast<char>((i * 37 + 11) % 256);
    return bytes;
}

inline const ExpectedZeroPattern* ExpectedZeroPatternOf(size_t length)
{
    for (const ExpectedZeroPattern& expected : ExpectedZeroPatterns)
        if (expected.length == length) return &expected;
    return nullptr;
}
