// SPDX-License-Identifier: MIT
// The buffering and closing MD5 and SHA-1 share: the message length as a 64-bit
// count of bits in two halves, and a 64-byte block that holds the bytes of an
// incomplete block between calls (bitCountLow / 8 mod 64 of them, never a whole block).
#pragma once
#include <cstdint>
#include <cstring>

#include "digest/byte_order.h"
#include "digest/wipe.h"

// Feeds length bytes. compress(blocks, count) takes count whole 64-byte blocks:
// the filled block, then the caller's whole blocks in one call, where they lie.
template <typename Context, typename Compress>
void AbsorbCountedBlocks(Context* context, uint8_t* data, uint32_t length, Compress compress)
{
    if (length == 0) return;
    const uint32_t index = (context->bitCountLow >> 3) & 63;
    // The carry into the high half comes from the wrap of the low half.
    const uint32_t bits = length << 3;
    context->bitCountLow += bits;
    if (context->bitCountLow < bits) ++context->bitCountHigh;
    context->bitCountHigh += length >> 29;

    const uint32_t room = 64 - index;
    if (length < room) {
        std::memcpy(context->block + index, data, length);
        return;
    }
    std::memcpy(context->block + index, data, room);
    compress(context->block, 1);
    const uint32_t whole = (length - room) / 64;
    if (whole > 0) compress(data + room, whole);
    const uint32_t position = room + 64 * whole;
    std::memcpy(context->block, data + position, length - position);
}

// Closes the message in one feed: 0x80, zeros up to 56 bytes of a block (1 to 64
// padding bytes), then the message length in bits as it stood before them, a
// 64-bit number in the digest's byte order. Writes the digest's bytes to the
// header and wipes the chaining values, the count and the block: what is left
// of the message goes with the call that closed it.
template <bool BigEndian, typename Context, typename Compress>
void FinishCountedBlocks(Context* context, Compress compress, uint32_t digestBytes)
{
    const uint32_t index = (context->bitCountLow >> 3) & 63;
    const uint32_t padLength = index < 56 ? 56 - index : 120 - index;
    uint8_t tail[72] = {0x80};
    if constexpr (BigEndian) {
        const uint32_t halves[2] = {context->bitCountHigh, context->bitCountLow};
        StoreBigEndian32(tail + padLength, halves, 8);
    } else {
        const uint32_t halves[2] = {context->bitCountLow, context->bitCountHigh};
        StoreLittleEndian32(tail + padLength, halves, 8);
    }
    AbsorbCountedBlocks(context, tail, padLength + 8, compress);
    WipeMemory(tail, sizeof tail);
    if constexpr (BigEndian) {
        StoreBigEndian32(context->header.digest, context->chain, digestBytes);
    } else {
        StoreLittleEndian32(context->header.digest, context->chain, digestBytes);
    }
    WipeMemory(context->chain, sizeof context->chain);
    WipeMemory(context->block, sizeof context->block);
    context->bitCountLow = 0;
    context->bitCountHigh = 0;
}
