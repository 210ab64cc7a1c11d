// SPDX-License-Identifier: MIT
// The library's entry point, which the platform's loader notifies.
#pragma once
#include <cstdint>

#include "quorvalent.h"

// Why the loader calls; its thread notices (2 and 3) need nothing here.
enum LoaderReason : uint32_t {
    ProcessDetach = 0,
    ProcessAttach = 1,
};

extern "C" int32_t QUORVALENT_CALL DllMain(void* instance, uint32_t reason, void* reserved);
