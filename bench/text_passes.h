// SPDX-License-Identifier: MIT
// The passes a text's round trip through UTF-16 is made of, on plain ASCII of one
// size, beside the C runtime's copy and length: time(name, pass) is called once
// for each, and the benchmark times pass(), which works on the buffers of data.
#pragma once
#include <cstring>
#include <string>

#include "bench/texts.h"
#include "runtime/ascii.h"

// Keeps the compiler from dropping work whose result nothing reads.
inline void KeepWritten(const void* memory) { asm volatile("" : : "r"(memory) : "memory"); }

struct TextPassData {
    explicit TextPassData(size_t length)
        : size(length),
          text(BenchText(length, BenchTextKind::Ascii)),
          units(length + 1, TextUnit{0}),
          bytes(length + 1, '\0')
    {
        WidenAscii(text.c_str(), static_cast<int32_t>(size), units.data());
    }
    size_t size;
    std::string text;
    std::basic_string<TextUnit> units;
    std::string bytes;
};

template <typename Time>
void ForEachTextPass(TextPassData& data, Time time)
{
    TextPassData* d = &data;  // what the passes use, captured by value
    time("memcpy", [d] {
        std::memcpy(d->bytes.data(), d->text.data(), d->size);
        KeepWritten(d->bytes.data());
    });
    time("strlen", [d] {
        size_t length = std::strlen(d->text.c_str());
        KeepWritten(&length);
    });
    time("scan", [d] {
        TextScan scan = ScanText(d->text.c_str());
        KeepWritten(&scan);
    });
    time("copy", [d] {
        TextCopy copy = CopyAsciiText(d->text.c_str(), d->bytes.data(), d->size + 1);
        KeepWritten(&copy);
        KeepWritten(d->bytes.data());
    });
    time("widen", [d] {
        WidenAscii(d->text.c_str(), static_cast<int32_t>(d->size), d->units.data());
        KeepWritten(d->units.data());
    });
    time("narrow", [d] {
        NarrowAscii(d->units.data(), static_cast<int32_t>(d->size), d->bytes.data());
        KeepWritten(d->bytes.data());
    });
}
