// SPDX-License-Identifier: MIT
// What the lenient integer reader must give, found another way than the reader
// finds it: the sign, the prefix and the digits are cut out of the text as
// strings, and the value comes from the digit string as a number of any size,
// whose low 64 bits are taken only at the end.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace integer_model {

// The value's bits from the lowest up, from a string of digits of any length:
// a binary string is its own bits; a hexadecimal digit is four; decimal digits
// are halved again and again, each remainder being the next bit.
inline std::string LowBitsOf(std::string digits, unsigned base, size_t count)
{
    std::string bits;
    if (base == 2) {
        for (size_t i = digits.size(); i-- > 0 && bits.size() < count;) bits.push_back(digits[i]);
    } else if (base == 16) {
        for (size_t i = digits.size(); i-- > 0 && bits.size() < count;) {
            const char digit = digits[i];
            const unsigned nibble = static_cast<unsigned>(digit <= '9'   ? digit - '0'
                                                          : digit <= 'F' ? digit - 'A' + 10
                                                                         : digit - 'a' + 10);
            for (unsigned b = 0; b < 4; ++b) bits.push_back(nibble >> b & 1 ? '1' : '0');
        }
    } else {
        while (bits.size() < count && digits.find_first_not_of('0') != std::string::npos) {
            unsigned carry = 0;
            for (char& digit : digits) {
                const unsigned value = carry * 10 + static_cast<unsigned>(digit - '0');
                digit = static_cast<char>('0' + value / 2);
                carry = value % 2;
            }
            bits.push_back(carry ? '1' : '0');
        }
    }
    bits.resize(count, '0');
    return bits.substr(0, count);
}

}  // namespace integer_model

// Reads units[0..length), stopping early at a zero unit; any unit type.
template <typename Unit>
int64_t ModelParseInteger(const Unit* units, size_t length)
{
    // Only ASCII units mean anything; every other one becomes a byte that is no
    // space, sign, prefix or digit.
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const auto unit = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(units[i]));
        if (unit == 0) break;
        text.push_back(unit < 0x80 ? static_cast<char>(unit) : '\x7f');
    }
    // Spaces and tabs, at most one sign right before the number, then $ and
    // hexadecimal digits, % and binary digits, or decimal digits.
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos) return 0;
    const bool negative = text[at] == '-';
    if (negative || text[at] == '+') ++at;
    unsigned base = 10;
    const char* digitSet = "0123456789";
    if (at < text.size() && (text[at] == '$' || text[at] == '%')) {
        base = text[at] == '$' ? 16 : 2;
        digitSet = base == 16 ? "0123456789ABCDEFabcdef" : "01";
        ++at;
    }
    const size_t end = std::min(text.find_first_not_of(digitSet, at), text.size());
    const std::string digits = at < end ? text.substr(at, end - at) : std::string();
    const std::string bits = integer_model::LowBitsOf(digits, base, 64);
    uint64_t value = 0;
    for (size_t b = 0; b < 64; ++b) value |= uint64_t{bits[b] == '1'} << b;
    // A negative number is its two's complement, modulo 2^64.
    if (negative) value = (UINT64_MAX - value) + 1;
    return static_cast<int64_t>(value);
}
