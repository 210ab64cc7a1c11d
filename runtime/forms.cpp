// SPDX-License-Identifier: MIT
// The text passes' forms in use: each chosen once, by the pass's first call.
#include "runtime/form_tables.h"

constinit TextPasses textPasses = {
    ChooseOnFirstUse<textPasses, &TextPasses::scan, ScanTextForms>::Run,
    ChooseOnFirstUse<textPasses, &TextPasses::copy, CopyAsciiForms>::Run,
    ChooseOnFirstUse<textPasses, &TextPasses::widen, WidenAsciiForms>::Run,
    ChooseOnFirstUse<textPasses, &TextPasses::narrow, NarrowAsciiForms>::Run,
};

#if !defined(_WIN32)
constinit Latin1Passes latin1Passes = {
    ChooseOnFirstUse<latin1Passes, &Latin1Passes::widen, WidenLatin1Forms>::Run,
    ChooseOnFirstUse<latin1Passes, &Latin1Passes::narrow, NarrowLatin1Forms>::Run,
};
#endif

constinit Utf8Passes utf8Passes = {ChooseOnFirstUse<utf8Passes, &Utf8Passes::encode, EncodeUtf8Forms>::Run};
