// SPDX-License-Identifier: MIT
// Start-up and shut-down: the heaps come and go in a fixed order around the hooks.
#include "boundary/entry.h"

#include "boundary/result.h"
#include "runtime/heaps.h"

static void* moduleHandle = nullptr;

// The hooks are the place for per-module work; this library has none.
static int32_t AttachHook(void*) { return 0; }
static int32_t DetachHook(void*) { return 0; }
static int32_t ThreadAttachHook(void*) { return 0; }
static int32_t ThreadDetachHook(void*) { return 0; }

extern "C" int32_t QUORVALENT_CALL DllMain(void* instance, uint32_t reason, void*)
{
    switch (reason) {
    case ProcessAttach:
        moduleHandle = instance;
        CreateInternalHeap();
        CreateStringHeap();
        CreateBlockHeap();
        AttachHook(moduleHandle);
        break;
    case ThreadAttach:
        ThreadAttachHook(moduleHandle);
        break;
    case ProcessDetach:
        DetachHook(moduleHandle);
        DestroyBlockHeap();
        DestroyStringHeap();
        DestroyInternalHeap();
        ForgetResult();
        break;
    case ThreadDetach:
        ThreadDetachHook(moduleHandle);
        break;
    default:
        break;
    }
    // Success whatever happened: a missing heap is handled by the exports.
    return 1;
}
