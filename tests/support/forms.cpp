// SPDX-License-Identifier: MIT
// The library's form tables as test cases, and the choice put into digestForms.
#include "tests/support/forms.h"

#include <cstdlib>
#include <sstream>

#include "digest/plugin.h"

namespace {

std::string Names(uint32_t features)
{
    std::string names;
    for (const CpuFeatureName& feature : CpuFeatureNames)
        if (features & feature.feature) names += (names.empty() ? "" : ", ") + std::string(feature.name);
    return names;
}

uint32_t PretendedLacking()
{
    static const uint32_t lacking = [] {
        uint32_t features = 0;
        const char* text = std::getenv("QV_PRETEND_LACKING");
        std::stringstream list(text ? text : "");
        for (std::string name; std::getline(list, name, ',');)
            for (const CpuFeatureName& feature : CpuFeatureNames)
                if (name == feature.name) features |= feature.feature;
        return features;
    }();
    return lacking;
}

template <typename Routine, size_t Count>
void AddTable(std::vector<TestForm>& forms, const char* compression, const CpuForm<Routine> (&table)[Count])
{
    for (size_t i = 0; i < Count; ++i)
        forms.push_back({compression, table[i].name, table[i].needs, i, reinterpret_cast<uintptr_t>(table[i].routine)});
}

// The table entry that slot holds, or "unchosen" while it still holds the routine that chooses.
template <typename Routine, size_t Count>
std::string Describe(const char* compression, const CpuForm<Routine> (&table)[Count], Routine slot)
{
    const char* name = FormName(table, slot);
    return std::string(compression) + " " + (name ? name : "unchosen");
}

}  // namespace

const std::vector<TestForm>& AllTestForms()
{
    static const std::vector<TestForm> forms = [] {
        std::vector<TestForm> all;
        AddTable(all, "sha1", Sha1CompressForms);
        AddTable(all, "sha256", Sha256CompressForms);
        AddTable(all, "sha512", Sha512CompressForms);
        AddTable(all, "keccak", KeccakPermuteForms);
        AddTable(all, "hex", HexDigitsForms);
        AddTable(all, "scan", ScanTextForms);
        AddTable(all, "copy", CopyAsciiForms);
        AddTable(all, "widen", WidenAsciiForms);
        AddTable(all, "narrow", NarrowAsciiForms);
        AddTable(all, "utf8", EncodeUtf8Forms);
#if !defined(_WIN32)
        AddTable(all, "widen_latin1", WidenLatin1Forms);
        AddTable(all, "narrow_latin1", NarrowLatin1Forms);
#endif
        return all;
    }();
    return forms;
}

std::vector<TestForm> TestFormsOf(const std::string& compression)
{
    std::vector<TestForm> forms;
    for (const TestForm& form : AllTestForms())
        if (form.compression == compression) forms.push_back(form);
    return forms;
}

std::vector<TestForm> TestFormsFor(int32_t id, int32_t bits)
{
    if (id == Sha1) return TestFormsOf("sha1");
    if (id == Sha2) return TestFormsOf(bits == 384 || bits == 512 ? "sha512" : "sha256");
    if (id == Sha3) return TestFormsOf("keccak");
    return {};
}

std::string ExpectedForm(const std::string& routine)
{
    // "sse2,utf8=ssse3": a pass named in the list expects its own form, the others the bare one.
    const char* list = std::getenv("QV_EXPECT_FORM");
    std::stringstream entries(list ? list : "");
    std::string expected;
    for (std::string entry; std::getline(entries, entry, ',');) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (expected.empty()) expected = entry;
        } else if (entry.compare(0, equals, routine) == 0) {
            return entry.substr(equals + 1);
        }
    }
    return expected;
}

std::string WhyFormCannotRun(const TestForm& form)
{
    const uint32_t missing = form.needs & ~(CpuFeatures() & ~PretendedLacking());
    if (missing == 0) return "";
    return "this processor lacks " + Names(missing) + (missing & PretendedLacking() ? " (QV_PRETEND_LACKING)" : "") +
           ", which the form " + form.Key() +
           " needs: tests/helpers/form_run.sh runs its tests under qemu with every extension that qemu "
           "emulates (-cpu max)";
}

UsingForm::UsingForm(const TestForm& form) : saved(digestForms)
{
    if (form.compression == "sha1") digestForms.sha1 = Sha1CompressForms[form.index].routine;
    if (form.compression == "sha256") digestForms.sha256 = Sha256CompressForms[form.index].routine;
    if (form.compression == "sha512") digestForms.sha512 = Sha512CompressForms[form.index].routine;
    if (form.compression == "keccak") digestForms.keccak = KeccakPermuteForms[form.index].routine;
}

UsingForm::~UsingForm() { digestForms = saved; }

std::string DescribeDigestForms()
{
    return Describe("sha1", Sha1CompressForms, digestForms.sha1) + ", " +
           Describe("sha256", Sha256CompressForms, digestForms.sha256) + ", " +
           Describe("sha512", Sha512CompressForms, digestForms.sha512) + ", " +
           Describe("keccak", KeccakPermuteForms, digestForms.keccak) + ", " +
           Describe("hex", HexDigitsForms, digestForms.hex);
}

std::string LackingFormsFilter()
{
    std::string filter;
    for (const TestForm& form : AllTestForms())
        if (!WhyFormCannotRun(form).empty()) filter += (filter.empty() ? "*" : ":*") + form.Key();
    return filter;
}
