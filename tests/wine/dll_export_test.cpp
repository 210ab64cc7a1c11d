// The export-level suite against the real DLL, loaded once by name for the whole run.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/export_suite.h"

template <typename Function>
static Function Resolve(HMODULE module, const char* name)
{
    Function function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function) {
        std::fprintf(stderr, "quorvalent.dll does not export %s\n", name);
        std::exit(1);
    }
    return function;
}

const ExportTable& Exports()
{
    static HMODULE module = LoadLibraryA("quorvalent.dll");
    if (!module) {
        std::fprintf(stderr, "cannot load quorvalent.dll (error %lu)\n", GetLastError());
        std::exit(1);
    }
    static const ExportTable table = {
        Resolve<decltype(ExportTable::freeMem)>(module, "FreeMem"),
        Resolve<decltype(ExportTable::md5)>(module, "cifrado_md5"),
        Resolve<decltype(ExportTable::sha1)>(module, "cifrado_SHA1"),
        Resolve<decltype(ExportTable::sha2)>(module, "cifrado_SHA2"),
        Resolve<decltype(ExportTable::sha3)>(module, "cifrado_SHA3"),
        Resolve<decltype(ExportTable::rot13)>(module, "text_rot13"),
    };
    return table;
}
