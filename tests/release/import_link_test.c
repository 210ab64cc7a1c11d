/* SPDX-License-Identifier: MIT */
/* A C caller that links quorvalent.dll through an import library, without
 * LoadLibrary: the header's declarations must match the DLL's exports. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "quorvalent.h"

static int failures = 0;

static void Expect(const char* what, char* result, const char* expected)
{
    if (!result || strcmp(result, expected) != 0) {
        printf("FAIL %s: got %s, want %s\n", what, result ? result : "(null)", expected);
        ++failures;
    }
    FreeMem();
}

/* The Unicode exports' results are UTF-16 here: digits, compared as such. */
static void ExpectWide(const char* what, wchar_t* result, const char* expected)
{
    size_t i = 0;
    while (result && expected[i] && result[i] == (wchar_t)expected[i]) ++i;
    if (!result || expected[i] || result[i]) {
        printf("FAIL %s: got %s, want %s\n", what, result ? "other digits" : "(null)", expected);
        ++failures;
    }
    FreeMem();
}

int main(void)
{
    Expect("cifrado_md5", cifrado_md5("abc"), "900150983cd24fb0d6963f7d28e17f72");
    Expect("cifrado_SHA1", cifrado_SHA1("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    Expect("cifrado_SHA2", cifrado_SHA2("abc", "224"), "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7");
    Expect("cifrado_SHA2 384", cifrado_SHA2("abc", "384"),
           "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
    Expect("cifrado_SHA3", cifrado_SHA3("abc", "256"),
           "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532");
    Expect("text_rot13", text_rot13("Hello, World!", NULL), "Uryyb, Jbeyq!");
    ExpectWide("cifrado_text", cifrado_text(L"\u00e9", L"MD5"), "66ddcd97cfdeabb2f6fb8a999b4bc76f");
    ExpectWide("cifrado_data", cifrado_data("a\0b", 3, L"sha-1"), "4a3dec2d1f8245280855c42db0ee4239f917fdb8");
    if (cifrado_file(L"NUL", L"MD5") || GetLastError() != 222) {
        printf("FAIL cifrado_file: NUL is not refused as a bad file type\n");
        ++failures;
    }
    FreeMem();
    if (FreeMem() != 0) {
        printf("FAIL FreeMem did not return 0\n");
        ++failures;
    }
    printf("%d passed, %d failed\n", 10 - failures, failures);
    return failures != 0;
}
