// SPDX-License-Identifier: MIT
// Runs a registered digest plugin over a message in several feeding patterns.
#pragma once
#include <cstdint>
#include <string>

#include "runtime/text.h"
#include "tests/support/vectors.h"

enum class Feed {
    Whole,      // one update with the whole message
    Bytewise,   // one update per byte
    Pieces,     // pseudo-random piece sizes, with zero-length calls between them
    Unaligned,  // the whole message at an address one byte past a multiple of 8
    PieceList,  // 1, 70, 2, 144, 5 and 200 bytes, then the rest, each after an empty update
};

const char* FeedName(Feed feed);
constexpr Feed AllFeeds[] = {Feed::Whole, Feed::Bytewise, Feed::Pieces, Feed::Unaligned, Feed::PieceList};

// The digest bytes (digestBits / 8 of them), or an empty vector when create refuses.
// The plugin must be registered. flag is create's second argument.
Bytes RunPlugin(int32_t id, int32_t bits, const Bytes& message, Feed feed, int32_t flag = 1);

// One known answer through the driver and through every feed with create's flag
// 1 and 0; each failure names where the vector came from and how it was fed.
void ExpectEveryFeed(int32_t id, int32_t bits, const Bytes& message, const std::string& expected,
                     const std::string& where);

// ExpectEveryFeed for each record of a known-answer file, named by file and line.
void ExpectEveryRecord(int32_t id, int32_t bits, const VectorFile& file);

// Reads the CAVP file of one kind ("ShortMsg", "LongMsg", "Monte") for SHA-1 or a
// SHA-2 or SHA-3 length, failing the test when it is missing or its [L = ..] is
// not the digest's length: in bytes in the SHA-1 and SHA-2 files, in bits in the SHA-3 ones.
void LoadCavpFile(int32_t id, int32_t bits, const char* kind, VectorFile& file);

// One SHAVS Monte Carlo chain of SHA-1 or SHA-2 from seed: MD0 = MD1 = MD2 = seed,
// MDi = SHA(MD(i-3) || MD(i-2) || MD(i-1)) for i = 3 to 1002. Returns MD1002, the
// checkpoint and the next chain's seed.
Bytes ShavsMonteCarloChain(int32_t id, int32_t bits, const Bytes& seed);

// Lengths that create must refuse, through the plugin and the driver, without
// leaving a context behind in the internal heap.
void ExpectRefusedLengthsKeepNoStorage(int32_t id);

// ComputeDigestHex over the message, as a narrow string.
std::string DriverHex(int32_t id, int32_t bits, const Bytes& message);
// The same through a run whose context lives in a DigestFrame (the Unicode
// exports' way), which must hold only zeros after a run whose context it held;
// the frame is filled with 0x5A first, and untouched is set to
// whether it still is after the digits (as it must be when create refuses bits).
std::string FrameHex(int32_t id, int32_t bits, const Bytes& message, bool* untouched = nullptr);

// size bytes from a linear congruential generator started at state: the top
// byte of each step, so that Python can make the same bytes.
Bytes PseudoRandomBytes(size_t size, uint32_t state);

// An internal text as a narrow string (code units below 256); frees nothing.
std::string Narrow(const TextUnit* text);
