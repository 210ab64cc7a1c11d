// SPDX-License-Identifier: MIT
// The six exports of the real libquorvalent.so, loaded with dlopen so that it runs
// with its own heaps and loader hooks. QV_SHARED_LIBRARY is its path, from CMake.
#pragma once
#include <dlfcn.h>

#include <string>

#include "tests/support/export_table.h"

struct SharedLibrary : ExportTable {
    void* handle = nullptr;
    std::string error;  // why handle is null

    // The result as a string ("<null>" for null), then FreeMem.
    std::string Take(char* result) const { return TakeResult(result, freeMem); }
};

inline const SharedLibrary& LoadSharedLibrary()
{
    static const SharedLibrary library = [] {
        SharedLibrary loaded;
        loaded.handle = dlopen(QV_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!loaded.handle) {
            const char* error = dlerror();
            loaded.error = error ? error : "dlopen failed";
            return loaded;
        }
        void* handle = loaded.handle;
        const std::string missing = ResolveExports(loaded, [handle](const char* name) { return dlsym(handle, name); });
        if (!missing.empty()) {
            loaded.error = "missing" + missing;
            loaded.handle = nullptr;
        }
        return loaded;
    }();
    return library;
}
