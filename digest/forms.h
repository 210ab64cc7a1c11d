// SPDX-License-Identifier: MIT
// The slot each compression, and the digits of every digest, run through; the
// engines call through it. digest/form_tables.h lists the forms that fill it.
#pragma once
#include <cstdint>

#include "runtime/text_unit.h"

// SHA-1: count whole blocks into the chaining values; copy is null or the
// 64-byte area that holds each block's schedule (digest/sha1.h).
using Sha1CompressRoutine = void (*)(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t* copy);
// SHA-256 and SHA-512: count whole blocks into the chaining values, only read.
using Sha256CompressRoutine = void (*)(uint32_t chain[8], const uint8_t* blocks, uint32_t count);
using Sha512CompressRoutine = void (*)(uint64_t chain[8], const uint8_t* blocks, uint32_t count);
// Keccak-f[1600] in place.
using KeccakPermuteRoutine = void (*)(uint64_t state[25]);
// Writes 2 * count lowercase digits at out and nothing past them.
using HexDigitsRoutine = void (*)(const uint8_t* bytes, uint32_t count, TextUnit* out);

// The form each compression, and the digits, run. Each starts at a routine that
// chooses from the table the first time a block is compressed (the first
// context's) or digits are written, keeps the choice here and runs it, so later
// calls ask nothing. Tests put each form of a table here in turn.
struct DigestForms {
    Sha1CompressRoutine sha1;
    Sha256CompressRoutine sha256;
    Sha512CompressRoutine sha512;
    KeccakPermuteRoutine keccak;
    HexDigitsRoutine hex;
};
extern DigestForms digestForms;
