// SPDX-License-Identifier: MIT
// Demo: loads quorvalent.dll by name, as any foreign caller would, and prints
// for the text on the command line the ANSI exports' digests beside
// cifrado_text's UTF-8 ones, and ROT13; with --file PATH, the file's ten digests.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "quorvalent.h"

namespace {

template <typename Function>
Function Resolve(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Under Wine the terminal is a Unix one, whose charset Wine converts to as the
// code page CP_UNIXCP; elsewhere a file or pipe gets the ANSI bytes as they are.
UINT OutputCodePage()
{
    constexpr UINT UnixCodePage = 65010;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") ? UnixCodePage : CP_ACP;
}

std::wstring Widen(UINT page, const char* text)
{
    const int units = MultiByteToWideChar(page, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 1), L'\0');
    MultiByteToWideChar(page, 0, text, -1, wide.data(), units);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Narrow(UINT page, const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(page, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(page, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

// A text as the terminal shows it: through UTF-16 to the console, or to the
// output's code page. "(empty)" for an empty one.
std::string Shown(const std::wstring& text)
{
    if (text.empty()) return "(empty)";
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        std::fflush(stdout);
        DWORD written = 0;
        WriteConsoleW(output, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return "";
    }
    return Narrow(OutputCodePage(), text);
}

void PrintRow(const char* label, const std::string& first, const std::string& second = "")
{
    std::printf("%-9s %s%s%s\n", label, first.c_str(), second.empty() ? "" : "  ", second.c_str());
}

struct Algorithm {
    const char* label;
    const wchar_t* name;  // for the Unicode exports
    const char* bits;     // for cifrado_SHA2 and cifrado_SHA3; null for MD5 and SHA-1
};
const Algorithm Algorithms[] = {
    {"MD5", L"MD5", nullptr},         {"SHA-1", L"SHA-1", nullptr},     {"SHA-224", L"SHA-224", "224"},
    {"SHA-256", L"SHA-256", "256"},   {"SHA-384", L"SHA-384", "384"},   {"SHA-512", L"SHA-512", "512"},
    {"SHA3-224", L"SHA3-224", "224"}, {"SHA3-256", L"SHA3-256", "256"}, {"SHA3-384", L"SHA3-384", "384"},
    {"SHA3-512", L"SHA3-512", "512"},
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool file = argc > 2 && std::wstring(argv[1]) == L"--file";
    const std::wstring text = file ? argv[2] : argc > 1 ? argv[1] : L"Hello, World!";
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
    auto unicode = Resolve<QuorvalentTextDigest>(library, "cifrado_text");
    auto fileDigest = Resolve<QuorvalentFileDigest>(library, "cifrado_file");
    if (!freeMem || !md5 || !sha1 || !sha2 || !sha3 || !rot13 || !unicode || !fileDigest) {
        std::fprintf(stderr, "quorvalent.dll lacks an export\n");
        return 1;
    }

    // Each result is copied, then handed back before the next call.
    auto ansi = [&](char* result) {
        const std::string copy = result ? Shown(Widen(CP_ACP, result)) : "(out of memory)";
        freeMem();
        return copy;
    };
    auto wide = [&](wchar_t* result) {
        std::string copy;
        if (result)
            copy = Shown(result);
        else
            copy = "(error " + std::to_string(GetLastError()) + ")";
        freeMem();
        return copy;
    };

    if (file) {
        PrintRow("file", Shown(text));
        for (const Algorithm& algorithm : Algorithms)
            PrintRow(algorithm.label, wide(fileDigest(text.c_str(), algorithm.name)));
        FreeLibrary(library);
        return 0;
    }
    // The ANSI exports get the text in the system's code page, where a character
    // it lacks becomes "?"; cifrado_text hashes its UTF-8 form.
    const std::string inAnsi = Narrow(CP_ACP, text);
    PrintRow("text", Shown(text));
    PrintRow("ANSI", Shown(Widen(CP_ACP, inAnsi.c_str())), "(code page " + std::to_string(GetACP()) + ")");
    PrintRow("", "the ANSI exports, then cifrado_text (UTF-8):");
    for (const Algorithm& algorithm : Algorithms) {
        char* result = !algorithm.bits ? (algorithm.label[3] == '-' ? sha1(inAnsi.c_str()) : md5(inAnsi.c_str()))
                       : algorithm.label[3] == '3' ? sha3(inAnsi.c_str(), algorithm.bits)
                                                   : sha2(inAnsi.c_str(), algorithm.bits);
        const std::string fromAnsi = ansi(result);
        PrintRow(algorithm.label, fromAnsi, wide(unicode(text.c_str(), algorithm.name)));
    }
    PrintRow("ROT13", ansi(rot13(inAnsi.c_str(), nullptr)));
    FreeLibrary(library);
    return 0;
}
