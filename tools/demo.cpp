// SPDX-License-Identifier: MIT
// Demo: loads quorvalent.dll by name, as any foreign caller would, and prints
// every result the library offers for the text on the command line.
#include <windows.h>

#include <cstdio>
#include <initializer_list>

#include "quorvalent.h"

template <typename Function>
static Function Resolve(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
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

    // Print each result, then hand it back before the next call.
    auto show = [&](const char* label, char* result) {
        std::printf("%-9s %s\n", label, result ? result : "(out of memory)");
        freeMem();
    };
    std::printf("%-9s %s\n", "text", text);
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
