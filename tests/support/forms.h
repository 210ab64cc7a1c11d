// SPDX-License-Identifier: MIT
// Every form of every compression and text pass this build carries, read from the
// library's own tables (digest/form_tables.h, runtime/form_tables.h), for tests
// that run each form in turn. Each such test's name ends in its form's key;
// where this processor cannot run the form, the test fails, and
// tests/helpers/form_run.sh runs it again under qemu.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "digest/form_tables.h"
#include "runtime/form_tables.h"
#include "tests/support/ymm_state.h"

struct TestForm {
    // The routine: sha1, sha256, sha512, keccak, hex (the digest's digits); scan, copy, widen, narrow, utf8;
    // widen_latin1, narrow_latin1 (Linux).
    std::string compression;
    std::string name;  // the table's name for it
    uint32_t needs;
    size_t index;       // in its table
    uintptr_t address;  // of its routine
    // What a test's name ends in when it runs this form: sha256_shaext.
    std::string Key() const { return compression + "_" + name; }
};

// All forms, table by table; or those of the compression that a digest of the
// plugin id and bits runs on (none for MD5, which has one form).
const std::vector<TestForm>& AllTestForms();
std::vector<TestForm> TestFormsOf(const std::string& compression);
std::vector<TestForm> TestFormsFor(int32_t id, int32_t bits);

// Empty when this processor runs the form, otherwise why it cannot. Features
// named in QV_PRETEND_LACKING (comma-separated: sha,avx2) count as absent, so
// that the qemu run can be tried on a processor that has everything.
std::string WhyFormCannotRun(const TestForm& form);

// The library runs the form from construction to destruction; then whatever
// ran before is back.
class UsingForm {
public:
    explicit UsingForm(const TestForm& form);
    ~UsingForm();
    UsingForm(const UsingForm&) = delete;
    UsingForm& operator=(const UsingForm&) = delete;

private:
    DigestForms saved;
};

// The forms each compression runs now, as "sha1 shaext, sha256 shaext, ...".
std::string DescribeDigestForms();

// The fixture of a test run once per form: it fails, saying why, where this
// processor cannot run the form. Instantiate with TestFormsOf and TestFormKey.
class EachForm : public testing::TestWithParam<TestForm> {
protected:
    void SetUp() override
    {
        const std::string why = WhyFormCannotRun(GetParam());
        ASSERT_TRUE(why.empty()) << why;
    }
    const TestForm& form = GetParam();
};
inline std::string TestFormKey(const testing::TestParamInfo<TestForm>& info) { return info.param.Key(); }

// Runs call() from a clean upper YMM state and returns what it returns; the test
// fails, naming what ran, when the call leaves the upper halves in use.
template <typename Call>
auto LeavingYmmClean(const std::string& what, Call call)
{
    ClearUpperYmm();
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        EXPECT_FALSE(UpperYmmInUse()) << what << " returned with the upper YMM state in use";
    } else {
        const auto result = call();
        EXPECT_FALSE(UpperYmmInUse()) << what << " returned with the upper YMM state in use";
        return result;
    }
}

// Under a run on a chosen processor model, QV_EXPECT_FORM names the form each
// routine must have chosen there: a bare name for every routine not listed, and
// routine=form for one that differs (sse2,utf8=ssse3); empty when unset.
std::string ExpectedForm(const std::string& routine);

// The pass's slot, once used, holds the first form of its table this processor
// runs, and under a chosen processor model the one QV_EXPECT_FORM names.
template <typename Routine, size_t Count>
void ExpectChosen(const char* pass, const CpuForm<Routine> (&forms)[Count], Routine slot)
{
    const char* name = FormName(forms, slot);
    ASSERT_NE(name, nullptr) << pass << ": no form chosen yet";
    EXPECT_STREQ(name, ChosenForm(forms).name) << pass;
    const std::string expected = ExpectedForm(pass);
    if (!expected.empty()) {
        EXPECT_EQ(name, expected) << pass;
    }
}

// A GoogleTest filter of the tests of the forms this processor cannot run;
// empty when it runs them all. test_main prints it for --qv_lacking_forms.
std::string LackingFormsFilter();
