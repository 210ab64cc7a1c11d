// SPDX-License-Identifier: MIT
// An independent model of the lenient integer reader, written from its rules:
// spaces and tabs, one sign, $ hexadecimal, % binary or decimal, wrap mod 2^64.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

// Reads units[0..length), stopping early at a zero unit; any unit type.
template <typename Unit>
int64_t ModelParseInteger(const Unit* units, size_t length)
{
    size_t at = 0;
    auto unit = [&](size_t index) -> uint32_t {
        return index < length ? static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(units[index])) : 0;
    };
    while (unit(at) == ' ' || unit(at) == '\t') ++at;
    const bool negative = unit(at) == '-';
    if (negative || unit(at) == '+') ++at;
    uint64_t base = 10;
    if (unit(at) == '$')
        base = 16, ++at;
    else if (unit(at) == '%')
        base = 2, ++at;

    static constexpr char Digits[] = "0123456789abcdef";
    uint64_t value = 0;
    for (;; ++at) {
        uint32_t c = unit(at);
        if (c >= 'A' && c <= 'F') c += 'a' - 'A';
        const char* found = c > 0 && c < 128 ? std::strchr(Digits, static_cast<int>(c)) : nullptr;
        if (!found || static_cast<uint64_t>(found - Digits) >= base) break;
        value = value * base + static_cast<uint64_t>(found - Digits);
    }
    return static_cast<int64_t>(negative ? ~value + 1 : value);
}
