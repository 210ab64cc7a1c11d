// SPDX-License-Identifier: MIT
// quorvalent.dll in a locale whose ANSI code page is QV_EXPECTED_ACP (1251, 932, ...):
// digests of the caller's bytes and ROT13 of the Latin letters alone, against
// values computed outside by Python's codecs and hashlib.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "codepage_texts.h"
#include "quorvalent.h"
#include "tests/support/digests.h"
#include "tests/wine/dll_library.h"

namespace {

class CodePage : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(library.module, nullptr) << "quorvalent.dll did not load";
        ASSERT_NE(library.Resolve<QuorvalentFreeMem>("FreeMem"), nullptr);
    }

    std::string Digest(const DigestFunction& function, const char* text) const
    {
        if (!function.bitsText) {
            auto digest = library.Resolve<QuorvalentDigest>(function.exportName);
            return digest ? library.Take(digest(text)) : "<no export>";
        }
        auto digest = library.Resolve<QuorvalentSizedDigest>(function.exportName);
        return digest ? library.Take(digest(text, function.bitsText)) : "<no export>";
    }
    std::string Rot13(const char* text) const
    {
        auto rot13 = library.Resolve<QuorvalentRot13>("text_rot13");
        return rot13 ? library.Take(rot13(text, nullptr)) : "<no export>";
    }

    Library library;
};

TEST_F(CodePage, WineRunsInTheExpectedAnsiCodePage)
{
    const unsigned expected = ExpectedCodePage();
    ASSERT_NE(expected, 0u) << "set QV_EXPECTED_ACP to the code page that the locale should give";
    EXPECT_EQ(GetACP(), expected) << "LC_ALL=" << (std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "")
                                  << ": is that locale generated? (localedef -i ll_CC -f UTF-8 ll_CC.UTF-8)";
}

TEST_F(CodePage, DigestsAreOfTheCallersBytes)
{
    int texts = 0;
    for (const CodePageText& row : CodePageTexts) {
        if (row.codePage != GetACP()) continue;
        ++texts;
        for (size_t f = 0; f < std::size(DigestFunctions); ++f)
            EXPECT_EQ(Digest(DigestFunctions[f], row.text), row.digests[f])
                << DigestFunctions[f].name << ", " << row.name;
    }
    EXPECT_GE(texts, 2) << "no texts for code page " << GetACP();
}

// Only A-Z and a-z turn; every character of the code page, the halves of a
// double-byte character included, comes back unchanged.
TEST_F(CodePage, Rot13TurnsOnlyTheLatinLetters)
{
    int texts = 0;
    for (const CodePageText& row : CodePageTexts) {
        if (row.codePage != GetACP()) continue;
        ++texts;
        const std::string once = Rot13(row.text);
        EXPECT_EQ(once, row.rot13) << row.name;
        EXPECT_EQ(Rot13(once.c_str()), row.text) << row.name << ", twice";
    }
    EXPECT_GE(texts, 2) << "no texts for code page " << GetACP();
}

// The digest is of the text after the code page's round trip. An invalid
// double-byte sequence comes back as the platform's replacement, so in 932 the
// lead byte 0x81 before a space reads as the character 81 45 and both byte
// strings give one digest; in a single-byte page the bytes come back as they were.
TEST_F(CodePage, DigestsAreOfTheTextAfterTheRoundTrip)
{
    const char* invalid =
        "ab\x81\x20"
        "cd";
    wchar_t wide[16];
    char back[32];
    const int units = MultiByteToWideChar(CP_ACP, 0, invalid, 6, wide, 16);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, units, back, 31, nullptr, nullptr);
    ASSERT_GT(bytes, 0);
    back[bytes] = 0;
    for (const DigestFunction& function : DigestFunctions)
        EXPECT_EQ(Digest(function, invalid), Digest(function, back)) << function.name;
    if (GetACP() == 932) {
        EXPECT_STREQ(back,
                     "ab\x81\x45"
                     "cd")
            << "the replacement of 81 20";
        EXPECT_EQ(Digest(DigestFunctions[0], invalid), Digest(DigestFunctions[0],
                                                              "ab\x81\x45"
                                                              "cd"));
    } else {
        EXPECT_STREQ(back, invalid) << "a single-byte code page keeps every byte";
    }
}

}  // namespace
