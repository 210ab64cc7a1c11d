// SPDX-License-Identifier: MIT
// The private heaps' handles, for tests that count their live blocks with the
// platform layer; the library itself reaches the heaps only through heaps.h.
#pragma once

#include "runtime/heaps.h"
#include "runtime/platform.h"

PlatformHeap InternalHeap();
PlatformHeap StringHeap();
PlatformHeap BlockHeap();
