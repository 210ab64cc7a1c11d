// SPDX-License-Identifier: MIT
// The result block handed to the caller, and FreeMem, which takes it back.
#include "boundary/result.h"

#include "quorvalent.h"
#include "runtime/heaps.h"
#include "runtime/text.h"

namespace {

char* ResultHolder = nullptr;

}  // namespace

char* HandOutResult(const TextUnit* result)
{
    // The previous result is overwritten, not released: a caller who skipped
    // FreeMem keeps that block until unload.
    ResultHolder = NewAnsiBlock(result);
    return ResultHolder;
}

QuorvalentChar* HandOutDigits(const TextUnit* digits)
{
#if defined(_WIN32)
    ResultHolder = reinterpret_cast<char*>(NewUnitBlock(digits));
    return reinterpret_cast<QuorvalentChar*>(ResultHolder);
#else
    // Digits are ASCII: their ANSI form is their UTF-8 one.
    return HandOutResult(digits);
#endif
}

char* RefuseResult()
{
    ResultHolder = nullptr;
    return nullptr;
}

void ForgetResult() { ResultHolder = nullptr; }

extern "C" int QUORVALENT_CALL FreeMem()
{
    // Clearing the holder makes a second FreeMem release nothing, instead of
    // handing a released block to the heap again.
    FreeBlock(ResultHolder);
    ResultHolder = nullptr;
    return 0;
}
