// SPDX-License-Identifier: MIT
// ResultHolder: the one result block lent to the caller until FreeMem.
#pragma once

#include "quorvalent.h"
#include "runtime/text.h"

// Converts the result text into a new result block, stores it in ResultHolder
// and returns it; null when the block cannot be allocated.
char* HandOutResult(const TextUnit* result);

// The Unicode exports' result: the digits as a result block of the caller's
// characters (UTF-16 on Windows, bytes elsewhere), in ResultHolder as every
// result; null when the block cannot be allocated.
QuorvalentChar* HandOutDigits(const TextUnit* digits);

// For a call that returns null: the holder is emptied too, so the FreeMem that
// follows releases nothing, not a result the caller may still hold. Returns null.
char* RefuseResult();

// Drops the holder when the heaps go away at detach; the block went with them.
void ForgetResult();
