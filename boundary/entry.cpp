// SPDX-License-Identifier: MIT
// Start-up and shut-down: the heaps come and go in a fixed order.
#include "boundary/entry.h"

#include "boundary/result.h"
#include "runtime/heaps.h"

extern "C" int32_t QUORVALENT_CALL DllMain(void*, uint32_t reason, void*)
{
    switch (reason) {
    case ProcessAttach:
        CreateInternalHeap();
        CreateStringHeap();
        CreateBlockHeap();
        break;
    case ProcessDetach:
        DestroyBlockHeap();
        DestroyStringHeap();
        DestroyInternalHeap();
        ForgetResult();
        break;
    default:
        break;
    }
    // Success whatever happened: a missing heap is handled by the exports.
    return 1;
}
