// SPDX-License-Identifier: MIT
// On Linux the dynamic loader's constructor and destructor stand in for the
// Windows loader's process attach and detach notifications.
#include "boundary/entry.h"

__attribute__((constructor)) static void NotifyProcessAttach() { DllMain(nullptr, ProcessAttach, nullptr); }
__attribute__((destructor)) static void NotifyProcessDetach() { DllMain(nullptr, ProcessDetach, nullptr); }
