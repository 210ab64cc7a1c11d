// SPDX-License-Identifier: MIT
// Every form of every compression this build carries, read from the library's
// own tables (digest/forms.h), for tests that run each form in turn. Each such
// test's name ends in its form's key; where this processor cannot run the form,
// the test fails, and tools/form-run runs it again under qemu.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "digest/forms.h"

struct TestForm {
    std::string compression;  // sha1, sha256, sha512 or keccak
    std::string name;         // the table's name for it
    uint32_t needs;
    size_t index;  // in its table
    // What a test's name ends in when it runs this form: sha256_shaext.
    std::string Key() const { return compression + "_" + name; }
};

// All forms, table by table; or those of the compression that a digest of the
// plugin id and bits runs on (none for MD5, which has one form).
const std::vector<TestForm>& AllTestForms();
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

// A GoogleTest filter of the tests of the forms this processor cannot run;
// empty when it runs them all. test_main prints it for --qv_lacking_forms.
std::string LackingFormsFilter();
