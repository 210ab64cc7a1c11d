// SPDX-License-Identifier: MIT
// ParseInteger: a lenient reader for the digest exports' bit-length argument.
#include "runtime/parse_integer.h"

namespace {

// The digit's value in the base, or -1 when the code unit is not one of its digits.
int32_t DigitValue(TextUnit unit, uint32_t base)
{
    int32_t value = -1;
    if (unit >= '0' && unit <= '9')
        value = unit - '0';
    else if (base == 16 && unit >= 'a' && unit <= 'f')
        value = unit - 'a' + 10;
    else if (base == 16 && unit >= 'A' && unit <= 'F')
        value = unit - 'A' + 10;
    return value >= 0 && static_cast<uint32_t>(value) < base ? value : -1;
}

}  // namespace

int64_t ParseInteger(const TextUnit* text)
{
    if (!text) return 0;
    while (*text == ' ' || *text == '\t') ++text;

    bool negative = false;
    if (*text == '-' || *text == '+') {
        negative = *text == '-';
        ++text;
    }

    uint32_t base = 10;
    if (*text == '$') {
        base = 16;
        ++text;
    } else if (*text == '%') {
        base = 2;
        ++text;
    }

    // Unsigned arithmetic wraps modulo 2^64 by definition: no overflow to check.
    uint64_t accumulator = 0;
    for (int32_t digit; (digit = DigitValue(*text, base)) >= 0; ++text)
        accumulator = accumulator * base + static_cast<uint64_t>(digit);

    if (negative) accumulator = 0 - accumulator;
    return static_cast<int64_t>(accumulator);
}
