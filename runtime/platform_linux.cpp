// SPDX-License-Identifier: MIT
// The platform layer on Linux: private heaps that release all their blocks when
// destroyed, Windows-1252 as the fixed ANSI code page, errno and POSIX files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/latin1.h"
#include "runtime/platform.h"

namespace {

// Every block carries links to its neighbours so that destroying the heap can
// free whatever is still alive, as HeapDestroy does. 32 bytes keep 16-byte alignment.
struct BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
    size_t size;
    size_t reserved;
};
static_assert(sizeof(BlockHeader) % 16 == 0, "blocks must stay 16-byte aligned");

struct LinuxHeap {
    BlockHeader ring;  // sentinel of the circular list of live blocks
    int32_t liveBlocks;
};

LinuxHeap* AsHeap(PlatformHeap heap) { return reinterpret_cast<LinuxHeap*>(heap); }

// A file is its descriptor plus one, so that descriptor 0 is not the null file.
int AsDescriptor(PlatformFile file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }

// glibc's first threshold for serving a block from pages of its own.
constexpr size_t FreshPagesFrom = 128 * 1024;

// Windows-1252 bytes 0x80 to 0x9F; the five bytes the code page leaves undefined
// decode to the C1 control of the same value, as Windows does, so every byte round-trips.
// clang-format off
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

char16_t DecodeByte(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? Windows1252High[byte - 0x80] : char16_t{byte};
}

// The byte for one code unit, or '?' when the code page has no such character.
char EncodeUnit(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (unsigned i = 0; i < 32; ++i)
        if (Windows1252High[i] == unit) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

PlatformHeap PlatformHeapCreate()
{
    LinuxHeap* heap = static_cast<LinuxHeap*>(std::malloc(sizeof(LinuxHeap)));
    if (!heap) return nullptr;
    heap->ring.previous = heap->ring.next = &heap->ring;
    heap->liveBlocks = 0;
    return reinterpret_cast<PlatformHeap>(heap);
}

void PlatformHeapDestroy(PlatformHeap handle)
{
    LinuxHeap* heap = AsHeap(handle);
    if (!heap) return;
    for (BlockHeader* block = heap->ring.next; block != &heap->ring;) {
        BlockHeader* next = block->next;
        std::free(block);
        block = next;
    }
    std::free(heap);
}

void* PlatformHeapAlloc(PlatformHeap handle, bool zeroFill, size_t size)
{
    LinuxHeap* heap = AsHeap(handle);
    if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    // glibc's calloc passes by the per-thread cache that serves malloc, which
    // makes a short zero-filled block cost twice a plain one: below the size
    // from which glibc maps fresh pages, zero pages it need not fill, malloc and
    // a fill of the block alone are cheaper.
    const bool fresh = zeroFill && size >= FreshPagesFrom;
    void* memory = fresh ? std::calloc(1, sizeof(BlockHeader) + size) : std::malloc(sizeof(BlockHeader) + size);
    if (!memory) return nullptr;
    BlockHeader* block = static_cast<BlockHeader*>(memory);
    if (zeroFill && !fresh) std::memset(block + 1, 0, size);
    block->size = size;
    block->reserved = 0;
    block->next = heap->ring.next;
    block->previous = &heap->ring;
    heap->ring.next->previous = block;
    heap->ring.next = block;
    ++heap->liveBlocks;
    return block + 1;
}

void* PlatformHeapReAlloc(PlatformHeap, void* memory, size_t size)
{
    if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    BlockHeader* block = static_cast<BlockHeader*>(memory) - 1;
    BlockHeader* previous = block->previous;
    BlockHeader* next = block->next;
    void* moved = std::realloc(block, sizeof(BlockHeader) + size);
    if (!moved) return nullptr;
    // The block may have moved: its neighbours learn the new address.
    block = static_cast<BlockHeader*>(moved);
    block->size = size;
    previous->next = block;
    next->previous = block;
    return block + 1;
}

void PlatformHeapFree(PlatformHeap handle, void* memory)
{
    if (!memory) return;
    BlockHeader* block = static_cast<BlockHeader*>(memory) - 1;
    block->previous->next = block->next;
    block->next->previous = block->previous;
    --AsHeap(handle)->liveBlocks;
    std::free(block);
}

int32_t PlatformHeapLiveBlocks(PlatformHeap handle) { return handle ? AsHeap(handle)->liveBlocks : 0; }

// Texts reach the code page only when they hold a character beyond ASCII, and
// Windows-1252 is Latin-1 but for 0x80 to 0x9F: runs of the text convert as
// Latin-1, 16 characters at a time, and only those bytes go through the table.
int32_t PlatformAnsiToText(const char* bytes, int32_t byteCount, TextUnit* out, int32_t capacity)
{
    if (byteCount <= 0) return 0;
    if (!out) return byteCount;  // one code unit per byte
    const int32_t count = byteCount < capacity ? byteCount : capacity;
    for (int32_t at = 0; at < count; ++at) {
        at += WidenLatin1(bytes + at, count - at, out + at);
        if (at < count) out[at] = DecodeByte(static_cast<unsigned char>(bytes[at]));
    }
    return count;
}

int32_t PlatformTextToAnsi(const TextUnit* units, int32_t unitCount, char* out, int32_t capacity)
{
    if (unitCount == 0) return 0;
    // Every code unit becomes one byte, so measuring is counting; with -1 the
    // terminator is converted too. Each half of a surrogate pair becomes a
    // substitute of its own, as on Windows.
    const int32_t count =
        unitCount < 0 ? static_cast<int32_t>(std::char_traits<TextUnit>::length(units)) + 1 : unitCount;
    if (!out) return count;
    if (count > capacity) return 0;  // too small: the platform reports 0
    for (int32_t at = 0; at < count; ++at) {
        at += NarrowLatin1(units + at, count - at, out + at);
        if (at < count) out[at] = EncodeUnit(units[at]);
    }
    return count;
}

void PlatformSetError(PlatformError error)
{
    switch (error) {
    case PlatformError::InvalidParameter:
    case PlatformError::BadFileType:
        errno = EINVAL;
        break;
    case PlatformError::NotEnoughMemory:
        errno = ENOMEM;
        break;
    }
}

PlatformFile PlatformFileOpen(const CallerChar* path)
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer; a regular
    // file's reads ignore the flag.
    int descriptor;
    do descriptor = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (descriptor < 0 && errno == EINTR);
    return descriptor < 0 ? nullptr : reinterpret_cast<PlatformFile>(static_cast<intptr_t>(descriptor) + 1);
}

bool PlatformFileIsRegular(PlatformFile file, uint64_t& size)
{
    struct stat status;
    if (fstat(AsDescriptor(file), &status) != 0) return false;
    if (S_ISREG(status.st_mode)) {
        size = static_cast<uint64_t>(status.st_size);
        posix_fadvise(AsDescriptor(file), 0, 0, POSIX_FADV_SEQUENTIAL);
        return true;
    }
    // A folder opens here; reading it would fail with EISDIR, which is what the
    // caller hears. Devices, FIFOs and sockets are never read.
    errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    return false;
}

int32_t PlatformFileRead(PlatformFile file, void* buffer, uint32_t capacity)
{
    ssize_t count;
    do count = read(AsDescriptor(file), buffer, capacity);
    while (count < 0 && errno == EINTR);
    return count < 0 ? -1 : static_cast<int32_t>(count);
}

void PlatformFileClose(PlatformFile file)
{
    const int error = errno;
    close(AsDescriptor(file));
    errno = error;
}
