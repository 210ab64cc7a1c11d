// SPDX-License-Identifier: MIT
// The digest plugin table and the driver that runs one plugin over a message.
#pragma once
#include <cstddef>
#include <cstdint>

#include "quorvalent.h"
#include "runtime/text.h"

enum DigestId : int32_t {
    Md5 = 1,
    Sha1 = 3,
    Sha2 = 4,
    Sha3 = 5,
};

// The common beginning of every plugin's context.
struct DigestContext {
    int32_t digestBits;
    uint8_t digest[64];
};

// A plugin may use the message bytes as working space unless create was given a
// nonzero flag; the driver always passes 1, so the caller's bytes stay intact.
using DigestCreateOp = DigestContext*(QUORVALENT_CALL*)(int32_t bits, int32_t flag);
using DigestUpdateOp = void(QUORVALENT_CALL*)(DigestContext* context, uint8_t* data, uint32_t length);
using DigestFinishOp = void(QUORVALENT_CALL*)(DigestContext* context);
using DigestReleaseOp = void(QUORVALENT_CALL*)(DigestContext* context);

// create's work after its allocation: initialises a context in memory the caller
// provides. Null, with the memory untouched, where create refuses bits.
using DigestInitOp = DigestContext* (*)(void* memory, int32_t bits, int32_t flag);

struct DigestPlugin {
    int32_t id;
    DigestCreateOp create;
    DigestUpdateOp update;
    DigestFinishOp finish;
    DigestReleaseOp release;
};

// Null when the id is already registered (or the table is full).
DigestPlugin* RegisterDigestPlugin(int32_t id);
DigestPlugin* FindDigestPlugin(int32_t id);
int32_t DigestPluginCount();

// Registers the plugin with these operations unless its id is registered already.
// Idempotent; always 1.
int32_t EnsureDigestPlugin(const DigestPlugin& operations);

// One per algorithm, each in its plugin's file: EnsureDigestPlugin with its operations.
int32_t EnsureMd5Plugin();
int32_t EnsureSha1Plugin();
int32_t EnsureSha2Plugin();
int32_t EnsureSha3Plugin();

// Runs the plugin over the whole message and returns the digest as a new
// internal text of lowercase hexadecimal digits; empty when there is no plugin
// for the id or it refuses bits. Null only when the text cannot be allocated.
TextUnit* ComputeDigestHex(uint8_t* data, uint32_t length, int32_t id, int32_t bits = 0);
TextUnit* HexEncodeDigest(const DigestContext* context);

// Room for any plugin's context (digest/names.cpp checks that each fits).
struct DigestFrame {
    alignas(8) uint8_t bytes[480];
};

// A message fed to a plugin in pieces: begun, fed any number of times, then
// finished into digits or abandoned. The context is null when there is no plugin
// for the id, it refuses bits, or the internal heap cannot supply the context.
struct DigestRun {
    DigestPlugin* plugin;
    DigestContext* context;
    bool inFrame;  // the context lives in the caller's DigestFrame: wiped, not released
};
DigestRun BeginDigest(int32_t id, int32_t bits);
// The same run with its context in frame, which must outlive it: the plugin's
// create without the allocation, so the run takes nothing from the heaps.
DigestRun BeginDigestIn(DigestFrame& frame, int32_t id, int32_t bits);
// Flag 1 at create: the plugin never writes the message, so a constant one is safe.
void FeedDigest(const DigestRun& run, const uint8_t* data, uint32_t length);
// Finishes, encodes and releases the context: the digits as ComputeDigestHex gives them.
TextUnit* FinishDigestHex(const DigestRun& run);
// Releases the context of a message that will not be finished; one in a frame
// is wiped, as a release wipes.
void AbandonDigest(const DigestRun& run);

// The algorithms by the names the Unicode exports accept.
struct DigestName {
    const char* name;  // upper case
    int32_t id;
    int32_t bits;  // create's length; 0 for MD5 and SHA-1, which have one
    int32_t (*ensurePlugin)();
};
// Each plugin's initialisation in place, by id; null for an id without a plugin.
DigestInitOp FindDigestInit(int32_t id);

// The algorithm that name spells, length characters compared without regard to
// ASCII case; null for none. Only the spellings of DigestNames are accepted.
const DigestName* FindDigestName(const char* name, size_t length);
