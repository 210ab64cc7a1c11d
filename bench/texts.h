// SPDX-License-Identifier: MIT
// The texts every benchmark hashes: printable ASCII, or the same with Windows-1252
// accented letters (é, è, à, ç, ü, ö, ñ) as every eighth character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
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

// UTF-16 texts for the Unicode exports: printable ASCII, or mixed words of
// Cyrillic, Chinese and emoji with ASCII between them; size is the length of
// the UTF-8 form, which the text reaches within a character.
enum class BenchWideKind { Ascii, Mixed };

inline const char* BenchWideName(BenchWideKind kind) { return kind == BenchWideKind::Ascii ? "ascii" : "mixed"; }

inline std::u16string BenchWideText(size_t size, BenchWideKind kind)
{
    if (kind == BenchWideKind::Ascii) {
        const std::string text = BenchText(size, BenchTextKind::Ascii);
        return std::u16string(text.begin(), text.end());
    }
    // Each word with its UTF-8 length: 2-byte Cyrillic, 3-byte Chinese, 4-byte emoji.
    static const struct {
        const char16_t* units;
        size_t bytes;
    } Words[] = {
        {u"\u0421\u044a\u0435\u0448\u044c ", 11}, {u"\u65e5\u672c\u8a9e ", 10}, {u"\U0001F600 ", 5}, {u"ok, ", 4},
        {u"\u0431\u0443\u043b\u043e\u043a ", 11}, {u"\u4e16\u754c ", 7}};
    std::u16string text;
    size_t bytes = 0;
    for (size_t word = 0; bytes < size; word = (word + 1) % std::size(Words)) {
        text += Words[word].units;
        bytes += Words[word].bytes;
    }
    return text;
}
