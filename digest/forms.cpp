// SPDX-License-Identifier: MIT
// The forms in use: each chosen once, by the first block that needs it.
#include "digest/form_tables.h"

constinit DigestForms digestForms = {
    ChooseOnFirstUse<digestForms, &DigestForms::sha1, Sha1CompressForms>::Run,
    ChooseOnFirstUse<digestForms, &DigestForms::sha256, Sha256CompressForms>::Run,
    ChooseOnFirstUse<digestForms, &DigestForms::sha512, Sha512CompressForms>::Run,
    ChooseOnFirstUse<digestForms, &DigestForms::keccak, KeccakPermuteForms>::Run,
    ChooseOnFirstUse<digestForms, &DigestForms::hex, HexDigitsForms>::Run,
};
