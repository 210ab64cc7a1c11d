// SPDX-License-Identifier: MIT
// Seeded random messages through the plugins and through the real shared library,
// each digest compared with libcrypto's over the same bytes. QV_SEED picks the seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "digest/plugin.h"
#include "tests/differential/shared_library.h"
#include "tests/support/forms.h"
#include "tests/support/long_texts.h"
#include "tests/support/reference.h"
#include "tests/support/vectors.h"

namespace {

// splitmix64: tiny, fast, and the same sequence everywhere for a given seed.
class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }
    uint32_t Between(uint32_t low, uint32_t high) { return low + Below(high - low + 1); }

private:
    uint64_t state;
};

uint64_t Seed()
{
    static const uint64_t seed = [] {
        const char* text = std::getenv("QV_SEED");
        uint64_t value = text && *text ? std::strtoull(text, nullptr, 0) : 20240611ull;
        std::printf("QV_SEED=%llu\n", static_cast<unsigned long long>(value));
        return value;
    }();
    return seed;
}

// Most messages are short; many sit within a few bytes of a multiple of a block
// or rate, where padding spills into an extra block.
uint32_t PickLength(Random& random)
{
    static constexpr uint32_t Boundaries[] = {64, 128, 144, 136, 104, 72};
    constexpr uint32_t Longest = 20000;
    const uint32_t kind = random.Below(100);
    if (kind < 50) return random.Below(301);
    if (kind < 85) {
        const uint32_t block = Boundaries[random.Below(6)];
        const uint32_t multiple = random.Below(4) ? random.Between(1, 4) : random.Between(1, Longest / block);
        const int64_t length = int64_t{block} * multiple + random.Between(0, 22) - 17;
        return static_cast<uint32_t>(length < 0 ? 0 : length > Longest ? Longest : length);
    }
    if (kind < 97) return random.Below(2001);
    return random.Below(Longest + 1);
}

// Update sizes adding up to length; zero-length updates are part of the pattern.
std::vector<uint32_t> PickSplit(Random& random, uint32_t length, uint32_t blockSize)
{
    std::vector<uint32_t> pieces;
    switch (random.Below(8)) {
    case 0:
    case 1:
        pieces.push_back(length);
        break;
    case 2:
    case 3:
    case 4: {  // random cuts; equal cuts make empty updates
        std::vector<uint32_t> cuts{0, length};
        for (uint32_t n = random.Between(1, 7); n; --n) cuts.push_back(random.Below(length + 1));
        std::sort(cuts.begin(), cuts.end());
        for (size_t i = 1; i < cuts.size(); ++i) pieces.push_back(cuts[i] - cuts[i - 1]);
        break;
    }
    case 5: {  // pieces a byte either side of the block size
        for (uint32_t done = 0; done < length;) {
            uint32_t piece = std::min(length - done, blockSize - 1 + random.Below(3));
            pieces.push_back(piece);
            done += piece;
        }
        break;
    }
    default: {  // small pieces that straddle every block boundary
        for (uint32_t done = 0; done < length;) {
            uint32_t piece = std::min(length - done, random.Below(blockSize + 1));
            pieces.push_back(piece);
            done += piece;
        }
        break;
    }
    }
    if (random.Below(4) == 0) pieces.insert(pieces.begin(), 0);
    if (random.Below(4) == 0) pieces.push_back(0);
    return pieces;
}

std::string Describe(const std::vector<uint32_t>& pieces)
{
    std::string text;
    for (size_t i = 0; i < pieces.size() && i < 40; ++i) text += (i ? "," : "") + std::to_string(pieces[i]);
    if (pieces.size() > 40) text += ",... (" + std::to_string(pieces.size()) + " updates)";
    return text;
}

std::string RunPieces(const DigestFunction& function, int32_t flag, uint8_t* data, const std::vector<uint32_t>& pieces)
{
    DigestPlugin* plugin = FindDigestPlugin(function.id);
    if (!plugin) return "<no plugin>";
    DigestContext* context = plugin->create(function.bits, flag);
    if (!context) return "<create refused>";
    for (uint32_t piece : pieces) {
        plugin->update(context, data, piece);
        data += piece;
    }
    plugin->finish(context);
    std::string hex = ToHex(context->digest, static_cast<size_t>(context->digestBits / 8));
    plugin->release(context);
    return hex;
}

constexpr uint32_t EngineCasesPerFunction = 100000;

// The functions that run on one form of one compression (MD5 has a single form).
struct EngineRun {
    std::string name;  // the form's key, or md5
    std::vector<size_t> functions;
    std::optional<TestForm> form;  // none for MD5
};

std::vector<EngineRun> EngineRuns()
{
    std::vector<EngineRun> runs{{"md5", {0}, std::nullopt}};
    for (const TestForm& form : AllTestForms()) {
        EngineRun run{form.Key(), {}, form};
        for (size_t f = 0; f < std::size(DigestFunctions); ++f)
            for (const TestForm& other : TestFormsFor(DigestFunctions[f].id, DigestFunctions[f].bits))
                if (other.Key() == form.Key()) run.functions.push_back(f);
        runs.push_back(run);
    }
    return runs;
}

class Differential : public testing::TestWithParam<EngineRun> {};

// Each function's cases come from its own seed, so every form of it meets the same ones.
TEST_P(Differential, PluginsMatchLibcryptoOnRandomSplitsAndAlignments)
{
    std::optional<UsingForm> running;
    if (const std::optional<TestForm>& form = GetParam().form) {
        const std::string why = WhyFormCannotRun(*form);
        ASSERT_TRUE(why.empty()) << why;
        running.emplace(*form);
    }
    EnsureMd5Plugin();
    EnsureSha1Plugin();
    EnsureSha2Plugin();
    EnsureSha3Plugin();
    const uint64_t seed = Seed();
    std::vector<uint8_t> pool(65536);
    std::vector<uint8_t> buffer(20000 + 64);
    uint64_t cases = 0;
    uint64_t mismatches = 0;
    for (size_t f : GetParam().functions) {
        const DigestFunction& function = DigestFunctions[f];
        Random random(seed * 31 + f);
        for (uint32_t index = 0; index < EngineCasesPerFunction; ++index) {
            if (index % 256 == 0)
                for (size_t i = 0; i < pool.size(); i += 8) {
                    const uint64_t word = random.Next();
                    std::memcpy(&pool[i], &word, 8);
                }
            const uint32_t length = PickLength(random);
            const uint8_t* message = pool.data() + random.Below(static_cast<uint32_t>(pool.size()) - length + 1);
            const std::vector<uint32_t> pieces = PickSplit(random, length, function.blockSize);
            const uint32_t offset = random.Below(16);
            // Flag 0 lets a plugin work inside the bytes it is given, so they are a copy.
            const int32_t flag = static_cast<int32_t>(random.Below(2));
            uint8_t* base = buffer.data() + (16 - reinterpret_cast<uintptr_t>(buffer.data()) % 16) % 16;
            std::memcpy(base + offset, message, length);

            const std::string actual = RunPieces(function, flag, base + offset, pieces);
            const std::string expected = ReferenceHex(function, message, length);
            ++cases;
            if (actual != expected) {
                ++mismatches;
                ADD_FAILURE() << function.name << " seed " << seed << " case " << index << ": length " << length
                              << ", offset " << offset << ", flag " << flag << ", updates [" << Describe(pieces)
                              << "]\n  library   " << actual << "\n  libcrypto " << expected;
                if (mismatches >= 20) return;
            }
        }
    }
    std::printf("engine on %s: %llu cases, %llu mismatches\n", GetParam().name.c_str(),
                static_cast<unsigned long long>(cases), static_cast<unsigned long long>(mismatches));
}

INSTANTIATE_TEST_SUITE_P(Engine, Differential, testing::ValuesIn(EngineRuns()),
                         [](const auto& run) { return run.param.name; });

// The same length written the ways the exports accept: decimal with leading
// zeros, $hexadecimal in either case, %binary, plus 2^32, after spaces and tabs,
// with trailing characters that end the number.
std::string BitsText(Random& random, uint32_t bits)
{
    std::string digits;
    uint64_t value = random.Below(8) == 0 ? bits + (uint64_t{1} << 32) : bits;
    switch (random.Below(4)) {
    case 0: {
        const char* hexDigits = random.Below(2) ? "0123456789abcdef" : "0123456789ABCDEF";
        digits = "$";
        for (int shift = 60; shift >= 0; shift -= 4)
            if (value >> shift || shift == 0) digits += hexDigits[(value >> shift) & 15];
        break;
    }
    case 1:
        digits = "%";
        for (int shift = 63; shift >= 0; --shift)
            if (value >> shift || shift == 0) digits += static_cast<char>('0' + ((value >> shift) & 1));
        break;
    default:
        digits = std::string(random.Below(3), '0') + std::to_string(value);
        break;
    }
    std::string text;
    for (uint32_t n = random.Below(3); n; --n) text += random.Below(2) ? ' ' : '\t';
    if (random.Below(4) == 0) text += '+';
    text += digits;
    if (random.Below(4) == 0) text += random.Below(2) ? "xyz" : " 1";
    return text;
}

uint32_t PickTextLength(Random& random)
{
    const uint32_t kind = random.Below(100);
    if (kind < 5) return 0;
    if (kind < 70) return random.Below(301);
    if (kind < 97) return random.Below(5001);
    return random.Between(5001, 70000);  // past every fixed scratch size
}

constexpr uint32_t ExportTexts = 12000;

TEST(DifferentialExports, SharedLibraryExportsMatchLibcrypto)
{
    const SharedLibrary& library = LoadSharedLibrary();
    ASSERT_NE(library.handle, nullptr) << QV_SHARED_LIBRARY << ": " << library.error;
    const uint64_t seed = Seed();
    Random random(seed ^ 0x5eed0f7e57ull);
    uint64_t calls = 0;
    uint64_t mismatches = 0;
    auto check = [&](const std::string& what, uint32_t index, const std::string& text, const std::string& actual,
                     const std::string& expected) {
        ++calls;
        if (actual == expected) return;
        ++mismatches;
        ADD_FAILURE() << what << " seed " << seed << " text " << index << " (length " << text.size() << ")\n  library  "
                      << actual << "\n  expected " << expected;
    };
    for (uint32_t index = 0; index < ExportTexts && mismatches < 20; ++index) {
        std::string text(PickTextLength(random), '\0');
        for (char& c : text) c = static_cast<char>(random.Between(1, 255));

        for (const DigestFunction& function : DigestFunctions) {
            const std::string expected = text.empty() ? "" : ReferenceHex(function, text);
            const std::string bits = function.bits ? BitsText(random, static_cast<uint32_t>(function.bits)) : "";
            const std::string actual = library.Take(CallExport(library, function.id, text.c_str(), bits.c_str()));
            check(std::string(function.name) + (bits.empty() ? "" : " bits \"" + bits + "\""), index, text, actual,
                  expected);
        }
        const std::string once = library.Take(library.rot13(text.c_str(), nullptr));
        check("ROT13", index, text, once, Rot13Model(text));
        check("ROT13 twice", index, text, library.Take(library.rot13(once.c_str(), &random)), text);
    }
    std::printf("exports: %u texts, %llu calls, %llu mismatches\n", ExportTexts, static_cast<unsigned long long>(calls),
                static_cast<unsigned long long>(mismatches));
}

}  // namespace
