// SPDX-License-Identifier: MIT
// Tests over the forms of a routine (runtime/cpu.h): each form runs where this
// processor has what it needs, and fails where it does not. ctest runs such
// tests under qemu's model of a processor that has them where this one lacks
// them (tools/cpu-run), so every form is tried on every machine.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/cpu.h"

template <typename Routine, size_t Count, typename Check>
void ForEachForm(const CpuForm<Routine> (&forms)[Count], Check check)
{
    for (const CpuForm<Routine>& form : forms) {
        if (!CpuHas(form.needs)) {
            ADD_FAILURE() << "form " << form.name << ": this processor cannot run it";
            continue;
        }
        check(form);
    }
}

// ChooseForm takes the first form this processor runs; a run on a chosen
// processor model names in QV_EXPECT_FORM the form it must get.
template <typename Routine, size_t Count>
void ExpectChosen(const CpuForm<Routine> (&forms)[Count], const char* pass)
{
    const CpuForm<Routine>* first = nullptr;
    for (const CpuForm<Routine>& form : forms)
        if (!first && CpuHas(form.needs)) first = &form;
    ASSERT_NE(first, nullptr) << pass << ": no form runs here";
    EXPECT_TRUE(ChooseForm(forms) == first->routine) << pass << ": not the first form this processor runs";
    const char* expected = std::getenv("QV_EXPECT_FORM");
    if (expected) {
        EXPECT_STREQ(first->name, expected) << pass;
    }
}
