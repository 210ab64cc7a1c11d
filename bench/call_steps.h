// SPDX-License-Identifier: MIT
// The steps of one export call, each made alone with the library's own routines,
// so that a benchmark can time them in the process that times the whole call:
// the three heap pairs, the text steps, the hash and the hexadecimal digits.
// bench/bench_report.py turns them into the time a short call spends on each.
#pragma once
#include <cstring>
#include <string>

#include "digest/plugin.h"
#include "runtime/heaps.h"
#include "runtime/parse_integer.h"
#include "runtime/text.h"

// One digest on one text, with what the steps keep between runs.
class CallSteps {
public:
    CallSteps(int32_t id, int32_t digestBits, const char* digestBitsText, const std::string& message)
        : bits(digestBits),
          bitsText(digestBitsText),
          text(message),
          scratch(message.c_str(), message.size() + 1),
          plugin(FindDigestPlugin(id)),
          finished(plugin ? plugin->create(digestBits, 1) : nullptr)
    {
        if (finished) {
            plugin->update(finished, Bytes(), static_cast<uint32_t>(text.size()));
            plugin->finish(finished);
        }
    }
    ~CallSteps()
    {
        if (finished) plugin->release(finished);
    }
    CallSteps(const CallSteps&) = delete;
    CallSteps& operator=(const CallSteps&) = delete;

    bool Ready() const { return finished != nullptr; }

    // The scratch memory of the text's size, which the block heap keeps, and the
    // zero-filled result block of the digest's digits: two of the three heap pairs.
    void ScratchPair() { GiveBackScratch(TakeScratch(text.size() + 1).bytes); }
    void ResultPair() { FreeBlock(AllocBlock(finished->digestBits / 4 + 1)); }
    // The third, the context, with the plugin's own work in create and release.
    void ContextPair() { plugin->release(plugin->create(bits, 1)); }
    // The text into the scratch memory (for ASCII one copy), and the bits.
    void Texts()
    {
        const ScratchText input = ReadTextIntoScratch(text.c_str());
        if (bitsText) ParseInteger(ReadText(bitsText));
        GiveBackScratch(input.bytes);
        ReleaseAllTexts();
    }
    // The hash: create, update, finish, release (the context pair among them).
    void Hash()
    {
        DigestContext* context = plugin->create(bits, 1);
        plugin->update(context, Bytes(), static_cast<uint32_t>(text.size()));
        plugin->finish(context);
        plugin->release(context);
    }
    // The digest's digits as an internal text.
    void Hex()
    {
        HexEncodeDigest(finished);
        ReleaseAllTexts();
    }
    // The digits, then the result block written from them and released.
    void HexAndResult()
    {
        FreeBlock(NewAnsiBlock(HexEncodeDigest(finished)));
        ReleaseAllTexts();
    }

private:
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(scratch.data()); }

    int32_t bits;
    const char* bitsText;
    std::string text;
    std::string scratch;  // holds the text's bytes for the hash, as the scratch block does
    DigestPlugin* plugin;
    DigestContext* finished;
};

// The steps by name, as the reports know them.
struct CallStep {
    const char* name;
    void (CallSteps::*run)();
};
inline constexpr CallStep CallStepList[] = {
    {"scratch_pair", &CallSteps::ScratchPair},
    {"context_pair", &CallSteps::ContextPair},
    {"result_pair", &CallSteps::ResultPair},
    {"texts", &CallSteps::Texts},
    {"hash", &CallSteps::Hash},
    {"hex", &CallSteps::Hex},
    {"hex_and_result", &CallSteps::HexAndResult},
};
