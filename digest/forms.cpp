// SPDX-License-Identifier: MIT
// The forms in use: each chosen once, by the first block that needs it.
#include "digest/forms.h"

namespace {

template <auto Slot, const auto& Forms, typename Routine>
struct ChooseOnFirstUse;

// Stands in Slot until its first call: chooses from Forms, keeps the choice in
// Slot and hands the call on to it. Only that slot changes, so a form a test has
// put in another slot stays there.
template <auto Slot, const auto& Forms, typename... Arguments>
struct ChooseOnFirstUse<Slot, Forms, void (*)(Arguments...)> {
    static void Run(Arguments... arguments)
    {
        digestForms.*Slot = ChooseForm(Forms);
        (digestForms.*Slot)(arguments...);
    }
};

}  // namespace

constinit DigestForms digestForms = {
    ChooseOnFirstUse<&DigestForms::sha1, Sha1CompressForms, Sha1CompressRoutine>::Run,
    ChooseOnFirstUse<&DigestForms::sha256, Sha256CompressForms, Sha256CompressRoutine>::Run,
    ChooseOnFirstUse<&DigestForms::sha512, Sha512CompressForms, Sha512CompressRoutine>::Run,
    ChooseOnFirstUse<&DigestForms::keccak, KeccakPermuteForms, KeccakPermuteRoutine>::Run,
};
