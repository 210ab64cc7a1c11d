// SPDX-License-Identifier: MIT
// quorvalent.dll as a foreign caller sees it: LoadLibraryA, GetProcAddress,
// 32-bit standard calls, the library's private heaps and the ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "quorvalent.h"
#include "tests/support/long_texts.h"
#include "tests/wine/dll_library.h"

namespace {

std::string Rot13(const Library& library, const std::string& text)
{
    auto rot13 = library.Resolve<QuorvalentRot13>("text_rot13");
    return rot13 ? library.Take(rot13(text.c_str(), nullptr)) : "<no export>";
}

struct ExportRow {
    const char* name;
    WORD ordinal;
    uint32_t argumentBytes;
};
const ExportRow Exports[] = {
    {"FreeMem", 1, 0},      {"cifrado_SHA1", 2, 4},  {"cifrado_SHA2", 3, 8},
    {"cifrado_SHA3", 4, 8}, {"cifrado_md5", 5, 4},   {"text_rot13", 6, 8},
    {"cifrado_text", 7, 8}, {"cifrado_data", 8, 12}, {"cifrado_file", 9, 8},
};

}  // namespace

TEST(DllExports, ResolveByNameAndOrdinalToTheSameAddress)
{
    Library library;
    ASSERT_NE(library.module, nullptr) << "quorvalent.dll did not load";
    for (const ExportRow& row : Exports) {
        FARPROC byName = GetProcAddress(library.module, row.name);
        FARPROC byOrdinal = GetProcAddress(library.module, MAKEINTRESOURCEA(row.ordinal));
        EXPECT_NE(byName, nullptr) << row.name;
        EXPECT_EQ(byName, byOrdinal) << row.name;
        std::string decorated = std::string(row.name) + "@" + std::to_string(row.argumentBytes);
        EXPECT_EQ(GetProcAddress(library.module, decorated.c_str()), nullptr) << decorated;
    }
    for (const char* wrongCase : {"TEXT_ROT13", "cifrado_MD5", "cifrado_sha1", "freemem"})
        EXPECT_EQ(GetProcAddress(library.module, wrongCase), nullptr) << wrongCase << ": names are case sensitive";
    EXPECT_EQ(GetProcAddress(library.module, MAKEINTRESOURCEA(10)), nullptr) << "exactly nine exports";
}

TEST(DllHeaps, LoadAddsThreePrivateHeapsAndUnloadRemovesThem)
{
    const size_t before = ProcessHeaps().size();
    {
        Library library;
        ASSERT_NE(library.module, nullptr);
        EXPECT_EQ(ProcessHeaps().size(), before + 3);
        EXPECT_EQ(library.heaps.size(), 3u);
    }
    EXPECT_EQ(ProcessHeaps().size(), before);
}

TEST(DllHeaps, AnUnreleasedResultIsOneBusyBlockUntilUnload)
{
    Library library;
    ASSERT_NE(library.module, nullptr);
    auto freeMem = library.Resolve<QuorvalentFreeMem>("FreeMem");
    auto rot13 = library.Resolve<QuorvalentRot13>("text_rot13");
    const int baseline = library.BusyBlocksInHeaps();

    EXPECT_EQ(freeMem(), 0) << "FreeMem before any call";
    EXPECT_EQ(library.BusyBlocksInHeaps(), baseline);

    ASSERT_NE(rot13("kept", nullptr), nullptr);
    EXPECT_EQ(library.BusyBlocksInHeaps(), baseline + 1) << "only the result block outlives the call";
    ASSERT_NE(rot13("released", nullptr), nullptr);
    EXPECT_EQ(library.BusyBlocksInHeaps(), baseline + 2);
    EXPECT_EQ(freeMem(), 0);
    EXPECT_EQ(library.BusyBlocksInHeaps(), baseline + 1);
    EXPECT_EQ(freeMem(), 0) << "FreeMem twice";
    EXPECT_EQ(library.BusyBlocksInHeaps(), baseline + 1);
}

TEST(DllHeaps, DigestExportsLeaveNoBlockBehindAfterFreeMem)
{
    Library library;
    ASSERT_NE(library.module, nullptr);
    auto freeMem = library.Resolve<QuorvalentFreeMem>("FreeMem");
    const int baseline = library.BusyBlocksInHeaps();
    // Scratch blocks, contexts (refused ones too) and internal texts all go before the call returns.
    struct Call {
        const char* name;
        const char* text;
        const char* bits;
    };
    const Call calls[] = {
        {"cifrado_md5", "abc", nullptr}, {"cifrado_SHA1", "abc", nullptr}, {"cifrado_SHA2", "abc", "384"},
        {"cifrado_SHA3", "abc", "224"},  {"cifrado_SHA2", "abc", "100"},   {"cifrado_SHA3", "abc", "-256"},
        {"cifrado_md5", "", nullptr},    {"cifrado_SHA3", "", "512"},
    };
    for (const Call& call : calls) {
        char* result = call.bits ? library.Resolve<QuorvalentSizedDigest>(call.name)(call.text, call.bits)
                                 : library.Resolve<QuorvalentDigest>(call.name)(call.text);
        ASSERT_NE(result, nullptr) << call.name;
        EXPECT_EQ(library.BusyBlocksInHeaps(), baseline + 1) << call.name << ": only the result outlives the call";
        freeMem();
        EXPECT_EQ(library.BusyBlocksInHeaps(), baseline) << call.name << " " << call.text << " " << call.bits;
    }
}

TEST(DllHeaps, BetweenCallsTheHeapsKeepOnlyTheWorkingStorageTheShortCallsKeepersAndTheScratchBlock)
{
    Library library;
    ASSERT_NE(library.module, nullptr);
    auto freeMem = library.Resolve<QuorvalentFreeMem>("FreeMem");
    auto md5 = library.Resolve<QuorvalentDigest>("cifrado_md5");
    // The block heap keeps two blocks, in front of which a short call's blocks
    // find room, and the scratch block.
    EXPECT_EQ(library.BusyBlocksInHeaps(), 4)
        << "after load: the working storage, the block heap's keepers and its scratch block";
    // Texts larger than the storage take blocks of their own, which go at the end
    // of the call; the storage and the scratch block grow and stay one block each.
    struct Row {
        const char* why;
        size_t bytes;
    };
    const Row rows[] = {{"short", 3},
                        {"larger than the first storage", 40000},
                        {"again, now fitting", 40000},
                        {"larger still", 300000},
                        {"short again", 3}};
    for (const Row& row : rows) {
        const std::string text(row.bytes, 'q');
        ASSERT_NE(md5(text.c_str()), nullptr) << row.why;
        EXPECT_EQ(library.BusyBlocksInHeaps(), 5)
            << row.why << ": the storage, the keepers, the scratch and the result";
        freeMem();
        EXPECT_EQ(library.BusyBlocksInHeaps(), 4) << row.why;
    }
}

TEST(DllRot13, RotatesLettersAndKeepsEveryOtherByte)
{
    Library library;
    ASSERT_NE(library.module, nullptr);
    for (const Rot13Case& row : Rot13Cases) EXPECT_EQ(Rot13(library, row.in), row.out) << row.why;
    EXPECT_EQ(GetACP(), 1252u) << "the tests expect Wine's default Western code page";
}

TEST(DllVersion, ResourceNamesTheProductAndItsVersion)
{
    char path[MAX_PATH];
    Library library;
    ASSERT_NE(library.module, nullptr);
    ASSERT_GT(GetModuleFileNameA(library.module, path, MAX_PATH), 0u);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(QV_VERSION_MAJOR << 16 | QV_VERSION_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS >> 16, static_cast<DWORD>(QV_VERSION_PATCH));

    struct {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    struct Row {
        const char* key;
        const char* value;
    };
    const Row rows[] = {{"ProductName", "quorvalent"},
                        {"OriginalFilename", "quorvalent.dll"},
                        {"FileVersion", QV_VERSION},
                        {"ProductVersion", QV_VERSION}};
    for (const Row& row : rows) {
        char* value = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), (std::string(block) + row.key).c_str(),
                                   reinterpret_cast<void**>(&value), &length))
            << row.key;
        EXPECT_STREQ(value, row.value) << row.key;
    }
}

TEST(WineFacts, EveryByteRoundTripsThroughTheAnsiCodePage)
{
    std::string bytes;
    for (int b = 1; b <= 255; ++b) bytes.push_back(static_cast<char>(b));
    wchar_t wide[256];
    int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), 255, wide, 256);
    ASSERT_EQ(units, 255);
    char back[256];
    int written = WideCharToMultiByte(CP_ACP, 0, wide, units, back, 256, nullptr, nullptr);
    ASSERT_EQ(written, 255);
    EXPECT_EQ(std::string(back, 255), bytes);
}

#if defined(_WIN64)
// The longest text the exports read is 2 GiB - 2 bytes: with its zero byte it
// fills the largest memory block. Given as the bits text, it is read in full
// (4 GiB as UTF-16) and parsed, without the cost of digesting it.
TEST(DllLimits, TheLongestTextIsRead)
{
    Library library;
    auto sha2 = library.Resolve<QuorvalentSizedDigest>("cifrado_SHA2");
    ASSERT_NE(sha2, nullptr);
    std::string bits(size_t{INT32_MAX} - 1, 'q');
    bits.replace(0, 3, "512");
    EXPECT_EQ(library.Take(sha2("abc", bits.c_str())),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423"
              "643ce80e2a9ac94fa54ca49f");
}
#endif
