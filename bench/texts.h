// SPDX-License-Identifier: MIT
// The texts every benchmark hashes: printable ASCII, or the same with Windows-1252
// accented letters (é, è, à, ç, ü, ö, ñ) as every eighth character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

enum class BenchTextKind { Ascii, Accents };

inline const char* BenchTextName(BenchTextKind kind) { return kind == BenchTextKind::Ascii ? "ascii" : "accents"; }

inline std::string BenchText(size_t size, BenchTextKind kind)
{
    static constexpr char Accented[] = "\xE9\xE8\xE0\xE7\xFC\xF6\xF1";
    std::string text(size, ' ');
    uint32_t state = 0x2545f491u;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        text[i] = kind == BenchTextKind::Accents && i % 8 == 7 ? Accented[(state >> 24) % 7]
                                                               : static_cast<char>('!' + (state >> 24) % 94);
    }
    return text;
}
