// SPDX-License-Identifier: MIT
// The SHA-1 plugin: FIPS 180-4 over the common plugin interface.
#include "digest/sha1.h"

#include <cstddef>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/forms.h"
#include "digest/md5_sha1_blocks.h"
#include "digest/sha1_steps.h"
#include "digest/wipe.h"
#include "runtime/heaps.h"

static_assert(std::is_standard_layout_v<Sha1Context> && offsetof(Sha1Context, header) == 0,
              "the header must start the context");

namespace {

// FIPS 180-4, section 5.3.1; the steps are in digest/sha1_steps.h.
constexpr uint32_t Sha1InitialChain[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};

Sha1Context* Sha1State(DigestContext* context) { return reinterpret_cast<Sha1Context*>(context); }

// What compresses this context's whole blocks: the chosen form when the caller's
// bytes must stay intact. Without that promise the portable form runs, which
// writes each block's schedule over the block itself, the caller's whole blocks
// included.
auto Sha1Compressor(Sha1Context* sha1)
{
    uint8_t* const copy = sha1->preserveInput ? sha1->workspace : nullptr;
    const Sha1CompressRoutine compress = copy ? digestForms.sha1 : Sha1CompressPortable;
    return [=](uint8_t* blocks, uint32_t count) { compress(sha1->chain, blocks, count, copy); };
}

}  // namespace

// The portable form and the BMI2 one run the same written-out steps.
void Sha1CompressPortable(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t* copy)
{
    Sha1StepsOverBlocks(chain, blocks, count, copy);
}

DigestContext* Sha1InitContext(void* memory, int32_t, int32_t flag)
{
    auto* sha1 = static_cast<Sha1Context*>(memory);
    sha1->header.digestBits = 160;
    for (int i = 0; i < 5; ++i) sha1->chain[i] = Sha1InitialChain[i];
    sha1->bitCountLow = 0;
    sha1->bitCountHigh = 0;
    sha1->preserveInput = flag;
    return &sha1->header;
}

DigestContext* QUORVALENT_CALL Sha1Create(int32_t bits, int32_t flag)
{
    void* memory = AllocInternal(sizeof(Sha1Context));
    return memory ? Sha1InitContext(memory, bits, flag) : nullptr;
}

void QUORVALENT_CALL Sha1Update(DigestContext* context, uint8_t* data, uint32_t length)
{
    Sha1Context* sha1 = Sha1State(context);
    AbsorbCountedBlocks(sha1, data, length, Sha1Compressor(sha1));
}

void QUORVALENT_CALL Sha1Finish(DigestContext* context)
{
    Sha1Context* sha1 = Sha1State(context);
    FinishCountedBlocks<true>(sha1, Sha1Compressor(sha1), 20);
    WipeMemory(sha1->workspace, sizeof sha1->workspace);
}

void QUORVALENT_CALL Sha1Release(DigestContext* context) { WipeAndFreeContext(context, sizeof(Sha1Context)); }

int32_t EnsureSha1Plugin()
{
    static constexpr DigestPlugin Operations = {Sha1, Sha1Create, Sha1Update, Sha1Finish, Sha1Release};
    return EnsureDigestPlugin(Operations);
}
