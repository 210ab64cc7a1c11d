// SPDX-License-Identifier: MIT
// What the zip's README says of code pages and UTF-8, measured on the real DLL
// in the locale's ANSI code page QV_EXPECTED_ACP: 1252, 1251, 932 or 65001. The
// MD5 values are Python hashlib's of the bytes named beside them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "quorvalent.h"
#include "tests/wine/dll_library.h"

namespace {

struct Utf8Text {
    const char* name;
    const char* utf8;
    const char* md5OfUtf8;
    bool survives932;  // its bytes come back unchanged from code page 932
};
// MD5 of the 255 bytes 01 to FF.
constexpr const char* EveryByteMd5 = "2a43f79ceb44831d96f6e456839744e4";
const Utf8Text Utf8Texts[] = {
    {"café", "caf\xC3\xA9", "07117fe4a1ebd544965dc19573183da2", true},
    {"Grüße",
     "Gr\xC3\xBC\xC3\x9F"
     "e",
     "49c5f675b49037b6044b803ac9d1a6d7", true},
    {"日本語", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "00110af8b4393ef3f72c50be5b332bec", false},
    {"Привет", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "8a669e9418750c81ab90ae159a8ec410", false},
    {"—", "\xE2\x80\x94", "26aeabd0c99c77002e55825fbcd435af", false},
    {"Ærøskøbing",
     "\xC3\x86r\xC3\xB8sk\xC3\xB8"
     "bing",
     "6acc80f0899aab5bae32aa05e60488fe", false},
};

struct CodePage {
    unsigned number;
    bool keepsEveryByte;
    // The lone byte E9 as the page reads it: "é" in 1252, elsewhere the page's
    // replacement of a sequence that is no character; and its MD5.
    const char* loneE9ReadAs;
    const char* loneE9Md5;
    // What a host with UTF-16 strings hands over for "€é".
    const char* euroAndE;
};
const CodePage CodePages[] = {
    {1252, true, "\xE9", "3406877694691ddd1dfb0aca54681407", "\x80\xE9"},
    {1251, true, "\xE9", "3406877694691ddd1dfb0aca54681407",
     "\x88"
     "e"},
    {932, false, "\x81\x45", "9a2106b6e675ca895a1617246a5eaac4", "?e"},
    {65001, false, "\xEF\xBF\xBD", "9b759040321a408a5c7768b4511287a6", "\xE2\x82\xAC\xC3\xA9"},
};

class CodePageClaims : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(library.module, nullptr) << "quorvalent.dll did not load";
        ASSERT_NE(ExpectedCodePage(), 0u) << "set QV_EXPECTED_ACP to the code page that the locale should give";
        ASSERT_EQ(GetACP(), ExpectedCodePage()) << "is the locale generated? (localedef -i ll_CC -f UTF-8 ll_CC.UTF-8)";
        for (const CodePage& known : CodePages)
            if (known.number == GetACP()) page = &known;
        ASSERT_NE(page, nullptr) << "no row for code page " << GetACP();
    }
    std::string Md5(const char* text) const
    {
        auto md5 = library.Resolve<QuorvalentDigest>("cifrado_md5");
        return md5 ? library.Take(md5(text)) : "<no export>";
    }

    Library library;
    const CodePage* page = nullptr;
};

// A single-byte page gives every byte back, so any bytes are digested as they are.
TEST_F(CodePageClaims, SingleBytePagesKeepEveryByte)
{
    std::string bytes;
    for (int b = 1; b <= 255; ++b) bytes.push_back(static_cast<char>(b));
    if (page->keepsEveryByte)
        EXPECT_EQ(Md5(bytes.c_str()), EveryByteMd5);
    else
        EXPECT_NE(Md5(bytes.c_str()), EveryByteMd5);
}

// 1252, 1251 and 65001 keep UTF-8 bytes as they are; 932 keeps only some texts.
TEST_F(CodePageClaims, Utf8BytesAreDigestedAsTheyAreUnlessTheCodePageIsDoubleByte)
{
    for (const Utf8Text& text : Utf8Texts) {
        if (GetACP() == 932 && !text.survives932)
            EXPECT_NE(Md5(text.utf8), text.md5OfUtf8) << text.name;
        else
            EXPECT_EQ(Md5(text.utf8), text.md5OfUtf8) << text.name;
    }
}

TEST_F(CodePageClaims, ALoneByteIsReadAsTheCodePageHasIt)
{
    EXPECT_EQ(Md5("\xE9"), page->loneE9Md5);
    EXPECT_EQ(Md5(page->loneE9ReadAs), page->loneE9Md5);
}

// A character the code page lacks becomes "?" or a look-alike on its way in.
TEST_F(CodePageClaims, AHostsConversionSubstitutesWhatTheCodePageLacks)
{
    char converted[8] = {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, L"\u20AC\u00E9", 2, converted, 7, nullptr, nullptr);
    EXPECT_EQ(std::string(converted, static_cast<size_t>(bytes > 0 ? bytes : 0)), page->euroAndE);
}

}  // namespace
