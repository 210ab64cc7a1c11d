// SPDX-License-Identifier: MIT
// The features read from constructed CPUID words and XCR0, cases no emulator
// sets up: AVX2 counts only where the operating system saves the YMM registers.
#include <gtest/gtest.h>

#include "runtime/cpu.h"

namespace {

// CPUID leaf 1's ECX and EDX, and leaf 7's EBX.
constexpr uint32_t Ssse3 = 1u << 9, Sse41 = 1u << 19, Osxsave = 1u << 27, Avx = 1u << 28, Sse2 = 1u << 26;
constexpr uint32_t Bmi1 = 1u << 3, Avx2 = 1u << 5, Bmi2 = 1u << 8, Sha = 1u << 29;
constexpr uint32_t Leaf1Ecx = Ssse3 | Sse41 | Osxsave | Avx, Leaf7Ebx = Bmi1 | Avx2 | Bmi2 | Sha;
constexpr uint64_t SseAndYmmSaved = 0x7;
constexpr uint32_t Everything = CpuSse2 | CpuSsse3 | CpuSse41 | CpuAvx2 | CpuBmi1 | CpuBmi2 | CpuSha;

struct FeaturesCase {
    const char* why;
    CpuidWords words;
    uint32_t features;
};

const FeaturesCase FeaturesCases[] = {
    {"everything, the YMM state saved", {Leaf1Ecx, Sse2, Leaf7Ebx, SseAndYmmSaved}, Everything},
    {"XCR0 without the YMM bit: the system does not save the upper halves",
     {Leaf1Ecx, Sse2, Leaf7Ebx, 0x3},
     Everything & ~CpuAvx2},
    {"XCR0 without the SSE bit", {Leaf1Ecx, Sse2, Leaf7Ebx, 0x5}, Everything & ~CpuAvx2},
    {"no OSXSAVE: XCR0 cannot be read", {Leaf1Ecx & ~Osxsave, Sse2, Leaf7Ebx, 0}, Everything & ~CpuAvx2},
    {"no OSXSAVE, whatever XCR0 is taken to say",
     {Leaf1Ecx & ~Osxsave, Sse2, Leaf7Ebx, SseAndYmmSaved},
     Everything & ~CpuAvx2},
    {"AVX2 without AVX", {Leaf1Ecx & ~Avx, Sse2, Leaf7Ebx, SseAndYmmSaved}, Everything & ~CpuAvx2},
    {"AVX2 and BMI1 without BMI2", {Leaf1Ecx, Sse2, Leaf7Ebx & ~Bmi2, SseAndYmmSaved}, Everything & ~CpuBmi2},
    {"BMI2 without BMI1", {Leaf1Ecx, Sse2, Leaf7Ebx & ~Bmi1, SseAndYmmSaved}, Everything & ~CpuBmi1},
    {"the SHA extensions without AVX or XSAVE", {Ssse3 | Sse41, Sse2, Sha, 0}, CpuSse2 | CpuSsse3 | CpuSse41 | CpuSha},
    {"no leaf 7", {Leaf1Ecx, Sse2, 0, SseAndYmmSaved}, CpuSse2 | CpuSsse3 | CpuSse41},
    {"only the bits of other features", {~Leaf1Ecx, ~Sse2, ~Leaf7Ebx, SseAndYmmSaved}, 0},
};

TEST(CpuFeatures, ReadFromTheCpuidWordsAndXcr0)
{
    for (const FeaturesCase& row : FeaturesCases) EXPECT_EQ(CpuFeaturesOf(row.words), row.features) << row.why;
}

}  // namespace
