// SPDX-License-Identifier: MIT
// Messages in pieces: bytes, texts as UTF-8, files.
#include "runtime/streams.h"

#include <cstring>

#include "runtime/heaps.h"
#include "runtime/utf8.h"

namespace {

// The largest piece of bytes handed over at once, almost 1 GiB: a whole number
// of every block and rate (254592 is their least common multiple), so the
// plugins take each piece without keeping a partial block.
constexpr uint32_t MostBytePiece = 254592u * 4096;

// A file's buffer holds at least this much, for files whose size says nothing
// of their content (those of /proc, or one still growing).
constexpr uint32_t LeastFileBuffer = 4096;

}  // namespace

void ReportError(PlatformError error) { PlatformSetError(error); }

void HandBytes(const void* data, size_t length, PieceSink take, void* sink)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (length) {
        const uint32_t count = length < MostBytePiece ? static_cast<uint32_t>(length) : MostBytePiece;
        take(sink, bytes, count);
        bytes += count;
        length -= count;
    }
}

void HandTextAsUtf8(const CallerChar* text, PieceSink take, void* sink)
{
#if defined(_WIN32)
    char first[TextPieceBytes];
    Utf8Piece encoded = EncodeUtf8(text, first, sizeof first);
    if (encoded.bytes) take(sink, reinterpret_cast<const uint8_t*>(first), encoded.bytes);
    if (encoded.ended) return;
    // Larger pieces for a longer text: fewer calls into the plugin, which then
    // keeps fewer partial blocks.
    char* chunk = TakeScratch(TextChunkBytes).bytes;
    char* piece = chunk ? chunk : first;
    const uint32_t capacity = chunk ? TextChunkBytes : static_cast<uint32_t>(sizeof first);
    do {
        encoded = EncodeUtf8(encoded.rest, piece, capacity);
        if (encoded.bytes) take(sink, reinterpret_cast<const uint8_t*>(piece), encoded.bytes);
    } while (!encoded.ended);
    GiveBackScratch(chunk);
#else
    HandBytes(text, std::strlen(text), take, sink);
#endif
}

bool HandFileBytes(const CallerChar* path, PieceSink take, void* sink)
{
    PlatformFile file = PlatformFileOpen(path);
    if (!file) return false;
    uint64_t size = 0;
    bool whole = PlatformFileIsRegular(file, size);
    if (whole) {
        // Room for the whole file and the read that finds its end.
        uint32_t capacity = size < MostChunkBytes ? static_cast<uint32_t>(size) + 1 : MostChunkBytes;
        if (capacity < LeastFileBuffer) capacity = LeastFileBuffer;
        void* buffer = TakeScratch(capacity).bytes;
        if (!buffer) {
            PlatformSetError(PlatformError::NotEnoughMemory);
            whole = false;
        }
        while (buffer) {
            const int32_t count = PlatformFileRead(file, buffer, capacity);
            if (count <= 0) {
                whole = count == 0;
                break;
            }
            take(sink, static_cast<const uint8_t*>(buffer), static_cast<uint32_t>(count));
        }
        GiveBackScratch(buffer);
    }
    PlatformFileClose(file);
    return whole;
}
