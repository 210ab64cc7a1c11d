// The six exports of the real libquorvalent.so, loaded with dlopen so that it runs
// with its own heaps and loader hooks. QV_SHARED_LIBRARY is its path, from CMake.
#pragma once
#include <dlfcn.h>

#include <string>

#include "quorvalent.h"

struct SharedLibrary {
    void* handle = nullptr;
    std::string error;  // why handle is null
    QuorvalentFreeMem freeMem = nullptr;
    QuorvalentDigest md5 = nullptr;
    QuorvalentDigest sha1 = nullptr;
    QuorvalentSizedDigest sha2 = nullptr;
    QuorvalentSizedDigest sha3 = nullptr;
    QuorvalentRot13 rot13 = nullptr;

    // The result as a string ("<null>" for null), then FreeMem.
    std::string Take(char* result) const
    {
        std::string copy = result ? result : "<null>";
        freeMem();
        return copy;
    }
};

template <typename Pointer>
bool ResolveExport(SharedLibrary& library, const char* name, Pointer& pointer)
{
    pointer = reinterpret_cast<Pointer>(dlsym(library.handle, name));
    if (!pointer) library.error += std::string(" missing ") + name + ";";
    return pointer != nullptr;
}

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
        bool all = ResolveExport(loaded, "FreeMem", loaded.freeMem);
        all = ResolveExport(loaded, "cifrado_md5", loaded.md5) && all;
        all = ResolveExport(loaded, "cifrado_SHA1", loaded.sha1) && all;
        all = ResolveExport(loaded, "cifrado_SHA2", loaded.sha2) && all;
        all = ResolveExport(loaded, "cifrado_SHA3", loaded.sha3) && all;
        all = ResolveExport(loaded, "text_rot13", loaded.rot13) && all;
        if (!all) loaded.handle = nullptr;
        return loaded;
    }();
    return library;
}
