// SPDX-License-Identifier: MIT
// Demo: loads quorvalent.dll by name, as any foreign caller would, and prints
// every result the library offers for the text on the command line.
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <vector>

#include "quorvalent.h"

template <typename Function>
static Function Resolve(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Under Wine the terminal is a Unix one, whose charset Wine converts to as the
// code page CP_UNIXCP; elsewhere a file or pipe gets the ANSI bytes as they are.
static UINT OutputCodePage()
{
    constexpr UINT UnixCodePage = 65010;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") ? UnixCodePage : CP_ACP;
}

// A text in the ANSI code page as the terminal shows it: through UTF-16 to the
// console, or to the output's code page. "(empty)" for an empty one.
static void PrintText(const char* label, const char* text)
{
    std::printf("%-9s ", label);
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 1) {
        std::printf("(empty)\n");
        return;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), units);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        std::fflush(stdout);
        DWORD written = 0;
        WriteConsoleW(output, wide.data(), static_cast<DWORD>(units - 1), &written, nullptr);
        std::printf("\n");
        return;
    }
    const UINT page = OutputCodePage();
    const int bytes = WideCharToMultiByte(page, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> shown(static_cast<size_t>(bytes > 0 ? bytes : 1));
    if (bytes <= 0 || !WideCharToMultiByte(page, 0, wide.data(), -1, shown.data(), bytes, nullptr, nullptr)) {
        std::printf("%s\n", text);
        return;
    }
    std::printf("%s\n", shown.data());
}

int main(int argc, char** argv)
{
    const char* text = argc > 1 ? argv[1] : "Hello, World!";
    HMODULE library = LoadLibraryA("quorvalent.dll");
    if (!library) {
        std::fprintf(stderr, "cannot load quorvalent.dll (error %lu)\n", GetLastError());
        return 1;
    }
    auto freeMem = Resolve<QuorvalentFreeMem>(library, "FreeMem");
    auto md5 = Resolve<QuorvalentDigest>(library, "cifrado_md5");
    auto sha1 = Resolve<QuorvalentDigest>(library, "cifrado_SHA1");
    auto sha2 = Resolve<QuorvalentSizedDigest>(library, "cifrado_SHA2");
    auto sha3 = Resolve<QuorvalentSizedDigest>(library, "cifrado_SHA3");
    auto rot13 = Resolve<QuorvalentRot13>(library, "text_rot13");
    if (!freeMem || !md5 || !sha1 || !sha2 || !sha3 || !rot13) {
        std::fprintf(stderr, "quorvalent.dll lacks an export\n");
        return 1;
    }

    // Print each result, then hand it back before the next call. The digests
    // are of the text's bytes in the ANSI code page, whatever the terminal shows.
    auto show = [&](const char* label, char* result) {
        if (result)
            PrintText(label, result);
        else
            std::printf("%-9s (out of memory)\n", label);
        freeMem();
    };
    PrintText("text", text);
    show("MD5", md5(text));
    show("SHA-1", sha1(text));
    for (const char* bits : {"224", "256", "384", "512"}) {
        char label[16];
        std::snprintf(label, sizeof label, "SHA-%s", bits);
        show(label, sha2(text, bits));
    }
    for (const char* bits : {"224", "256", "384", "512"}) {
        char label[16];
        std::snprintf(label, sizeof label, "SHA3-%s", bits);
        show(label, sha3(text, bits));
    }
    show("ROT13", rot13(text, nullptr));
    FreeLibrary(library);
    return 0;
}
