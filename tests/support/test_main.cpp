// SPDX-License-Identifier: MIT
// Test programs link the library statically, so they deliver the loader's
// attach and detach notifications themselves around the tests.
// --qv_lacking_forms prints, instead of testing, the filter of the tests whose
// forms this processor cannot run (tests/helpers/form_run.sh runs those under qemu).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "boundary/entry.h"
#include "tests/support/forms.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--qv_lacking_forms") == 0) {
        std::printf("%s\n", LackingFormsFilter().c_str());
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    DllMain(nullptr, ProcessAttach, nullptr);
    int status = RUN_ALL_TESTS();
    DllMain(nullptr, ProcessDetach, nullptr);
    return status;
}
