// SPDX-License-Identifier: MIT
// ResultHolder: the one result block lent to the caller until FreeMem.
#pragma once

#include "runtime/text.h"

// Converts the result text into a new result block, stores it in ResultHolder
// and returns it; null when the block cannot be allocated.
char* HandOutResult(const TextUnit* result);

// For a call that returns null: the holder is emptied too, so the FreeMem that
// follows releases nothing, not a result the caller may still hold. Returns null.
char* RefuseResult();

// Drops the holder when the heaps go away at detach; the block went with them.
void ForgetResult();
