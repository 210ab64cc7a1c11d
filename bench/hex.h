// SPDX-License-Identifier: MIT
// The caller's own hexadecimal encoding of a reference digest: the same
// lowercase digits the library writes, so both sides do the same work.
#pragma once

template <typename Count>
inline void HexEncode(const unsigned char* bytes, Count count, char* out)
{
    static constexpr char HexDigits[] = "0123456789abcdef";
    for (Count i = 0; i < count; ++i) {
        out[2 * i] = HexDigits[bytes[i] >> 4];
        out[2 * i + 1] = HexDigits[bytes[i] & 15];
    }
    out[2 * count] = 0;
}
