// Demo: loads quorvalent.dll by name, as any foreign caller would, and prints
// every result the library offers for the text on the command line.
#include <windows.h>

#include <cstdio>

using FreeMemFunction = int(WINAPI*)();
using TextFunction2 = char*(WINAPI*)(const char*, const void*);

int main(int argc, char** argv)
{
    const char* text = argc > 1 ? argv[1] : "Hello, World!";
    HMODULE library = LoadLibraryA("quorvalent.dll");
    if (!library) {
        std::fprintf(stderr, "cannot load quorvalent.dll (error %lu)\n", GetLastError());
        return 1;
    }
    auto freeMem = reinterpret_cast<FreeMemFunction>(reinterpret_cast<void*>(GetProcAddress(library, "FreeMem")));
    auto rot13 = reinterpret_cast<TextFunction2>(reinterpret_cast<void*>(GetProcAddress(library, "text_rot13")));
    if (!freeMem || !rot13) {
        std::fprintf(stderr, "quorvalent.dll lacks an export\n");
        return 1;
    }
    std::printf("text:    %s\n", text);
    // Copy or print the result, then hand it back before the next call.
    char* result = rot13(text, nullptr);
    std::printf("ROT13:   %s\n", result ? result : "(no memory)");
    freeMem();
    FreeLibrary(library);
    return 0;
}
