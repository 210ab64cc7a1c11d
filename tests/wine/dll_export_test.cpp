// SPDX-License-Identifier: MIT
// The export-level suite against the real DLL, loaded once by name for the whole run.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/export_suite.h"
#include "tests/wine/dll_library.h"

const ExportTable& Exports()
{
    static const Library library;
    static const ExportTable table = [] {
        if (!library.module) {
            std::fprintf(stderr, "cannot load quorvalent.dll (error %lu)\n", GetLastError());
            std::exit(1);
        }
        ExportTable resolved;
        const std::string missing =
            ResolveExports(resolved, [](const char* name) { return library.Resolve<void*>(name); });
        if (!missing.empty()) {
            std::fprintf(stderr, "quorvalent.dll does not export%s\n", missing.c_str());
            std::exit(1);
        }
        return resolved;
    }();
    return table;
}
