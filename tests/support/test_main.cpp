// SPDX-License-Identifier: MIT
// Test programs link the library statically, so they deliver the loader's
// attach and detach notifications themselves around the tests.
#include <gtest/gtest.h>

#include "boundary/entry.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    DllMain(nullptr, ProcessAttach, nullptr);
    int status = RUN_ALL_TESTS();
    DllMain(nullptr, ProcessDetach, nullptr);
    return status;
}
