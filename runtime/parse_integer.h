// SPDX-License-Identifier: MIT
// Lenient integer parsing of an internal text: decimal, $hexadecimal or %binary.
#pragma once
#include <cstdint>

#include "runtime/text_unit.h"

// Skips spaces and tabs, takes one sign, then the longest run of digits of the
// base; everything after is ignored. Never fails: no number gives 0, and
// numbers beyond 64 bits keep their low 64 bits.
int64_t ParseInteger(const TextUnit* text);
