// SPDX-License-Identifier: MIT
// The export-level suite against the real DLL, loaded once by name for the whole run.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/export_suite.h"
#include "tests/wine/dll_library.h"

namespace {

const Library& LoadedLibrary()
{
    static const Library library;
    return library;
}

}  // namespace

int LibraryBusyBlocks() { return LoadedLibrary().BusyBlocksInHeaps(); }

const ExportTable& Exports()
{
    static const ExportTable table = [] {
        const Library& library = LoadedLibrary();
        if (!library.module) {
            std::fprintf(stderr, "cannot load quorvalent.dll (error %lu)\n", GetLastError());
            std::exit(1);
        }
        ExportTable resolved;
        const std::string missing =
            ResolveExports(resolved, [&library](const char* name) { return library.Resolve<void*>(name); });
        if (!missing.empty()) {
            std::fprintf(stderr, "quorvalent.dll does not export%s\n", missing.c_str());
            std::exit(1);
        }
        return resolved;
    }();
    return table;
}
