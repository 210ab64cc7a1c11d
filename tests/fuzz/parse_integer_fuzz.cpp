// SPDX-License-Identifier: MIT
// ParseInteger against values found another way (integer_model.h), over arbitrary UTF-16 texts.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/parse_integer.h"
#include "tests/fuzz/integer_model.h"

// Bytes below 0xFE are code units 0 to 0xFD, so spaces, signs, prefixes and
// digits are one byte each; 0xFE or 0xFF and two more bytes give any code unit
// (full-width digits, non-breaking spaces). A zero unit ends the text early.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<TextUnit> text;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] < 0xFE || i + 2 >= size) {
            text.push_back(static_cast<TextUnit>(data[i]));
        } else {
            text.push_back(static_cast<TextUnit>(data[i + 1] << 8 | data[i + 2]));
            i += 2;
        }
    }
    const size_t length = text.size();
    text.push_back(0);

    const int64_t actual = ParseInteger(text.data());
    const int64_t expected = ModelParseInteger(text.data(), length);
    if (actual != expected) {
        std::fprintf(stderr, "ParseInteger gave %lld, the rules give %lld for units:", static_cast<long long>(actual),
                     static_cast<long long>(expected));
        for (size_t i = 0; i < length; ++i) std::fprintf(stderr, " %04x", static_cast<unsigned>(text[i]));
        std::fprintf(stderr, "\n");
        std::abort();
    }
    if (ParseInteger(nullptr) != 0) std::abort();
    return 0;
}
