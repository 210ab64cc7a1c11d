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
    alignas(16) char first[TextPieceBytes];
    Utf8Piece encoded = EncodeUtf8(text, first, sizeof first);
    if (encoded.ended) {
        if (encoded.bytes) take(sink, reinterpret_cast<const uint8_t*>(first), encoded.bytes);
        return;
    }
    // Larger pieces for a longer text: fewer calls into the plugin.
    char* chunk = TakeScratch(TextChunkBytes).bytes;
    char* piece = chunk ? chunk : first;
    const uint32_t capacity = chunk ? TextChunkBytes : static_cast<uint32_t>(sizeof first);
    // Each piece but the last is whole runs of TextPieceRun bytes, its rest carried
    // to the start of the next: the plugins then take every whole block where it
    // lies, at an aligned address. After a piece of any length they would keep
    // part of a block, and the SHA-2 and SHA-3 plugins would copy every block
    // of the next piece, which would no longer start at a word.
    const char* filled = first;
    uint32_t bytes = encoded.bytes;
    for (;;) {
        const uint32_t whole = bytes - bytes % TextPieceRun;
        take(sink, reinterpret_cast<const uint8_t*>(filled), whole);
        // A piece holds far more than a run, so the rest never overlaps what it moves to.
        std::memcpy(piece, filled + whole, bytes - whole);
        bytes -= whole;
        encoded = EncodeUtf8(encoded.rest, piece + bytes, capacity - bytes);
        bytes += encoded.bytes;
        filled = piece;
        if (encoded.ended) break;
    }
    if (bytes) take(sink, reinterpret_cast<const uint8_t*>(piece), bytes);
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
