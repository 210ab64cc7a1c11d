// The library's exports: texts in, a library-owned result block out until FreeMem.
#pragma once
#include <cstdint>

#include "runtime/callconv.h"

extern "C" {
QV_EXPORT int32_t QV_STDCALL FreeMem();
QV_EXPORT char* QV_STDCALL text_rot13(const char* text, const void* second);
}
