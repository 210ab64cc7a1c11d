// SPDX-License-Identifier: MIT
// Digest and ROT13 exports checked through whatever Exports() resolves to.
#include "tests/support/export_suite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "long_text_digests.h"
#include "tests/support/long_texts.h"
#include "tests/support/memory_shortage.h"
#include "tests/support/vectors.h"
#include "tests/support/ymm_state.h"

std::string CallDigest(int32_t id, const char* text, const char* bits)
{
    const ExportTable& exports = Exports();
    return TakeResult(CallExport(exports, id, text, bits), exports.freeMem);
}

TEST(DigestExports, AbcGivesThePublishedDigests)
{
    for (const DigestFunction& function : DigestFunctions)
        EXPECT_EQ(CallDigest(function, "abc"), function.abc) << function.name;
}

TEST(DigestExports, AnEmptyOrNullTextGivesAnEmptyResult)
{
    for (const DigestFunction& function : DigestFunctions) {
        EXPECT_EQ(CallDigest(function, ""), "") << function.name;
        EXPECT_EQ(CallDigest(function, nullptr), "") << function.name;
    }
    for (const char* bits : {"256", "100", "", "abc"}) {
        EXPECT_EQ(CallDigest(Sha2, "", bits), "") << bits;
        EXPECT_EQ(CallDigest(Sha3, "", bits), "") << bits;
    }
}

TEST(DigestExports, BitsTextsSelectTheLength)
{
    struct Row {
        const char* bits;
        int function;
    };  // index into DigestFunctions for SHA-2; -1: refused
    // Every number whose low 32 bits are 0 ("$0", "-0", "4294967296") reads as 0, and so as 256.
    const Row rows[] = {
        {"224", 2},  {"256", 3},  {"384", 4},  {"512", 5},   {"0256", 3},       {"  $100", 3},     {"256xyz", 3},
        {"0", 3},    {"", 3},     {"abc", 3},  {nullptr, 3}, {"4294967808", 5}, {"4294967552", 3}, {"%100000000", 3},
        {"$200", 5}, {"100", -1}, {"160", -1}, {"1024", -1}, {"-256", -1},      {"128", -1},       {"225", -1},
        {"$0", 3},   {"%0", 3},   {"-0", 3},   {"+0", 3},    {"-$0", 3},        {"4294967296", 3}, {"\t0", 3},
    };
    for (const Row& row : rows) {
        const char* bits = row.bits ? row.bits : "(null)";
        const std::string sha2 = row.function < 0 ? "" : DigestFunctions[row.function].abc;
        const std::string sha3 = row.function < 0 ? "" : DigestFunctions[row.function + 4].abc;
        EXPECT_EQ(CallDigest(Sha2, "abc", row.bits), sha2) << "SHA-2 bits " << bits;
        EXPECT_EQ(CallDigest(Sha3, "abc", row.bits), sha3) << "SHA-3 bits " << bits;
    }
}

TEST(DigestExports, ZeroFreeShortMessagesAsTexts)
{
    for (const DigestFunction& function : DigestFunctions) {
        VectorFile file;
        std::string error;
        ASSERT_TRUE(ReadVectorFile(function.shortVectors, file, error)) << error;
        int checked = 0;
        for (const VectorRecord& record : file.records) {
            // A text cannot carry a zero byte, and the empty text has a result of its own.
            if (record.message.empty() || std::count(record.message.begin(), record.message.end(), 0)) continue;
            const std::string text(record.message.begin(), record.message.end());
            EXPECT_EQ(CallDigest(function, text.c_str()), ToHex(record.digest))
                << function.name << " " << function.shortVectors << ":" << record.line;
            ++checked;
        }
        EXPECT_GT(checked, 0) << function.shortVectors;
    }
}

TEST(DigestExports, LongTextsAndHighBytesMatchAnOutsideReference)
{
    const std::string texts[] = {PatternText(4998), PatternText(4999),         PatternText(5000), PatternText(5001),
                                 PatternText(5002), std::string(1000000, 'a'), HighBytesText()};
    static_assert(std::size(texts) == std::size(ExpectedLongTexts));
    for (size_t t = 0; t < std::size(texts); ++t)
        for (size_t f = 0; f < std::size(DigestFunctions); ++f)
            EXPECT_EQ(CallDigest(DigestFunctions[f], texts[t].c_str()), ExpectedLongTexts[t].digests[f])
                << DigestFunctions[f].name << ", " << ExpectedLongTexts[t].name;
}

TEST(DigestExports, TextsAtEveryBlockBoundaryMatchAnOutsideReference)
{
    for (const ExpectedPatternText& expected : ExpectedPatternTexts) {
        const std::string text = PatternText(expected.length);
        for (size_t f = 0; f < std::size(DigestFunctions); ++f) {
            // The empty text has a result of its own: the empty text.
            const std::string digest = expected.length == 0 ? "" : expected.digests[f];
            EXPECT_EQ(CallDigest(DigestFunctions[f], text.c_str()), digest)
                << DigestFunctions[f].name << ", pattern text of " << expected.length << " bytes";
        }
    }
}

TEST(Rot13Export, TwiceGivesBackTheText)
{
    const ExportTable& exports = Exports();
    const std::string text = PatternText(600);
    char* once = exports.rot13(text.c_str(), nullptr);
    ASSERT_NE(once, nullptr);
    const std::string rotated = once;
    exports.freeMem();
    char* twice = exports.rot13(rotated.c_str(), nullptr);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(std::string(twice), text);
    exports.freeMem();
}

namespace {

// Every export as a caller makes it: a new export joins with one row. The
// one-text exports take no bits; ROT13 takes them as its unread second argument.
struct ExportCall {
    const char* name;
    char* (*call)(const ExportTable& exports, const char* text, const char* bits);
};
const ExportCall ExportCalls[] = {
    {"cifrado_md5", [](const ExportTable& exports, const char* text, const char*) { return exports.md5(text); }},
    {"cifrado_SHA1", [](const ExportTable& exports, const char* text, const char*) { return exports.sha1(text); }},
    {"cifrado_SHA2",
     [](const ExportTable& exports, const char* text, const char* bits) { return exports.sha2(text, bits); }},
    {"cifrado_SHA3",
     [](const ExportTable& exports, const char* text, const char* bits) { return exports.sha3(text, bits); }},
    {"text_rot13",
     [](const ExportTable& exports, const char* text, const char* bits) { return exports.rot13(text, bits); }},
};

}  // namespace

// Texts that take every text pass in its widest form (ASCII, the code page, the
// Linux code page's Latin-1 runs, ROT13 of high bytes), through every digest form.
// Each call is checked the second time: the first may grow a heap, and under
// 32-bit Wine the memory system calls behind that leave the state in use
// themselves (measured without the library); the second makes none.
TEST(EveryExport, ReturnsWithTheUpperYmmStateClean)
{
    if (!UpperYmmReadable()) GTEST_SKIP() << "the upper YMM state cannot be read here";
    const ExportTable& exports = Exports();
    const std::string texts[] = {"abc", std::string(5000, 'q'), std::string(5000, '\xE9'), HighBytesText(),
                                 PatternText(5000)};
    for (const ExportCall& row : ExportCalls) {
        for (const std::string& text : texts) {
            for (const char* bits : {"256", "512"}) {
                TakeResult(row.call(exports, text.c_str(), bits), exports.freeMem);
                ClearUpperYmm();
                char* result = row.call(exports, text.c_str(), bits);
                const bool afterCall = UpperYmmInUse();
                ClearUpperYmm();
                exports.freeMem();
                const bool afterFreeMem = UpperYmmInUse();
                const std::string what =
                    std::string(row.name) + ", " + bits + ", " + std::to_string(text.size()) + " bytes";
                EXPECT_NE(result, nullptr) << what;
                EXPECT_FALSE(afterCall) << what << ": upper YMM state in use";
                EXPECT_FALSE(afterFreeMem) << "FreeMem after " << what << ": upper YMM state in use";
            }
        }
    }
}

namespace {

// The calls that return null when a text cannot be read or a result cannot be
// made; text is the argument that may be unreadable.
struct NullableCall {
    const char* name;
    char* (*call)(const ExportTable& exports, const char* text);
};
const NullableCall NullableCalls[] = {
    {"MD5", [](const ExportTable& exports, const char* text) { return exports.md5(text); }},
    {"SHA-1", [](const ExportTable& exports, const char* text) { return exports.sha1(text); }},
    {"SHA-256", [](const ExportTable& exports, const char* text) { return exports.sha2(text, "256"); }},
    {"SHA3-256", [](const ExportTable& exports, const char* text) { return exports.sha3(text, "256"); }},
    {"SHA-2 bits text", [](const ExportTable& exports, const char* text) { return exports.sha2("abc", text); }},
    {"SHA-3 bits text", [](const ExportTable& exports, const char* text) { return exports.sha3("abc", text); }},
    {"ROT13", [](const ExportTable& exports, const char* text) { return exports.rot13(text, nullptr); }},
};

// A result the caller keeps without FreeMem, as the README allows: a null result
// right after it, and the FreeMem after that, must leave it allocated and
// unchanged. It stays allocated until the library is unloaded.
class KeptResult {
public:
    KeptResult() : block(Exports().md5("abc")), busyBlocks(LibraryBusyBlocks()) {}
    void ExpectIntact(const std::string& after) const
    {
        ASSERT_NE(block, nullptr);
        EXPECT_STREQ(block, DigestFunctions[0].abc) << after;
        EXPECT_EQ(LibraryBusyBlocks(), busyBlocks) << after << ": the kept block was released";
    }

private:
    const char* block;
    int busyBlocks;
};

}  // namespace

#if defined(QV_MEMORY_SHORTAGE)
// Each step of the sweep makes another allocation fail (see memory_shortage.h);
// every call is repeated until it goes through. One letter per step: n(ull),
// e(mpty), r(ight, as without a shortage) or w(rong).
TEST(NullResults, FreeMemAfterOneLeavesAKeptResultAlone)
{
    const ExportTable& exports = Exports();
    const std::string text = PatternText(ShortageTextBytes);
    for (const NullableCall& call : NullableCalls) {
        const std::string right = TakeResult(call.call(exports, text.c_str()), exports.freeMem);
        std::string outcomes;
        for (int step = 0; step < 64 && outcomes.find('r') == std::string::npos; ++step) {
            const KeptResult kept;
            char* result;
            {
                const MemoryShortage shortage(step);
                result = call.call(exports, text.c_str());
            }
            outcomes += !result ? 'n' : !*result ? 'e' : result == right ? 'r' : 'w';
            exports.freeMem();
            if (!result) kept.ExpectIntact(std::string(call.name) + ", step " + std::to_string(step));
        }
        std::printf("%s under a shortage: %s\n", call.name, outcomes.c_str());
        EXPECT_NE(outcomes.find('n'), std::string::npos) << call.name << ": no step gave null: " << outcomes;
        EXPECT_EQ(outcomes.find('w'), std::string::npos) << call.name << ": " << outcomes;
        EXPECT_EQ(outcomes.back(), 'r') << call.name << ": never went through: " << outcomes;
    }
}
#endif

#if UINTPTR_MAX > 0xFFFFFFFFu
// The longest text is 2 GiB - 2 bytes (its bytes and a zero byte fill the
// largest memory block); one byte more is refused whatever memory there is.
// Only a 64-bit program holds such a text beside the library with ease.
TEST(NullResults, ATextPastTheLongestIsRefusedAndLeavesAKeptResultAlone)
{
    const ExportTable& exports = Exports();
    const std::string text(size_t{INT32_MAX}, 'a');
    for (const NullableCall& call : NullableCalls) {
        const KeptResult kept;
        EXPECT_EQ(call.call(exports, text.c_str()), nullptr) << call.name;
        exports.freeMem();
        kept.ExpectIntact(call.name);
    }
}
#endif
