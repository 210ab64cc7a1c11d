// SPDX-License-Identifier: MIT
// The exports of the real libquorvalent.so at the limits: a text whose bit count
// passes 2^32, and allocations that fail under a small address-space limit.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/differential/shared_library.h"
#include "tests/support/long_texts.h"
#include "tests/support/reference.h"

namespace {

// Every nonzero byte; the i / 251 term shifts the cycle so it lines up with no block.
std::string ShiftedPatternText(size_t length)
{
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(1 + (i * 7 + i / 251) % 255);
    return text;
}

// 2^29 bytes are 2^32 bits; 4099 more make the length field's upper 32-bit word 1
// and leave a partial last block, in one update as the exports feed it.
TEST(ExportLimits, TextPast2To32BitsMatchesLibcrypto)
{
    const SharedLibrary& library = LoadSharedLibrary();
    ASSERT_NE(library.handle, nullptr) << QV_SHARED_LIBRARY << ": " << library.error;
    const std::string text = ShiftedPatternText((size_t{1} << 29) + 4099);
    // One function per length-field layout: MD5's little-endian 64 bits, SHA-1 and
    // SHA-256's big-endian 64, SHA-512's 128; SHA-3 counts its position in the rate.
    for (size_t index : {0, 1, 3, 5, 7}) {
        const DigestFunction& function = DigestFunctions[index];
        EXPECT_EQ(library.Take(CallExport(library, function, text.c_str())), ReferenceHex(function, text))
            << function.name << " of " << text.size() << " bytes";
    }
}

// The longest text the exports read is 2 GiB - 2 bytes: with its zero byte it
// fills the largest memory block (one byte more gives null: the export suite).
// As the bits text it is read in full, 4 GiB as UTF-16, and parsed, without the
// cost of digesting it.
TEST(ExportLimits, TheLongestTextIsRead)
{
    const SharedLibrary& library = LoadSharedLibrary();
    ASSERT_NE(library.handle, nullptr) << QV_SHARED_LIBRARY << ": " << library.error;
    std::string bits(size_t{INT32_MAX} - 1, 'q');
    bits.replace(0, 3, "512");
    EXPECT_EQ(library.Take(library.sha2("abc", bits.c_str())), DigestFunctions[5].abc);
}

size_t AddressSpaceInUse()
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0;
    statm >> pages;
    return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The capped calls: one digest per plugin, then ROT13, which needs the most.
constexpr size_t CappedDigests[] = {0, 1, 3, 7};  // MD5, SHA-1, SHA-256, SHA3-256
constexpr size_t CappedCalls = std::size(CappedDigests) + 1;

// In a child, with the address space capped at what it uses plus headroom: each
// capped call once over the text, then the cap lifted and a small call that must
// work. One letter per call comes back: n(ull), e(mpty), r(ight) or w(rong).
std::string RunCapped(const SharedLibrary& library, const std::string& text, const std::string* expected,
                      size_t headroom, int& status)
{
    int channel[2];
    if (pipe(channel) != 0) return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        char outcomes[CappedCalls + 1];
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        const rlim_t original = limit.rlim_cur;
        limit.rlim_cur = AddressSpaceInUse() + headroom;
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        for (size_t i = 0; i < CappedCalls; ++i) {
            const char* result = i < std::size(CappedDigests)
                                     ? CallExport(library, DigestFunctions[CappedDigests[i]], text.c_str())
                                     : library.rot13(text.c_str(), nullptr);
            outcomes[i] = !result ? 'n' : !*result ? 'e' : expected[i] == result ? 'r' : 'w';
            library.freeMem();
        }
        limit.rlim_cur = original;
        setrlimit(RLIMIT_AS, &limit);
        char* small = library.md5("abc");
        outcomes[CappedCalls] = small && std::strcmp(small, DigestFunctions[0].abc) == 0 ? 'r' : 'w';
        library.freeMem();
        if (write(channel[1], outcomes, sizeof outcomes) != static_cast<ssize_t>(sizeof outcomes)) _exit(4);
        _exit(0);
    }
    close(channel[1]);
    char outcomes[CappedCalls + 1] = {};
    const ssize_t got = read(channel[0], outcomes, sizeof outcomes);
    close(channel[0]);
    waitpid(child, &status, 0);
    return got == static_cast<ssize_t>(sizeof outcomes) ? std::string(outcomes, sizeof outcomes) : "no report";
}

// An 8 MiB text needs 16 MiB as UTF-16, 8 more as scratch, 16 more for ROT13's
// output and 8 for its result: the sweep makes each of those allocations fail in
// turn. Every call must give null, an empty text or the right result, never crash.
TEST(ExportLimits, FailedAllocationsGiveNullOrEmptyAndNoCrash)
{
    const SharedLibrary& library = LoadSharedLibrary();
    ASSERT_NE(library.handle, nullptr) << QV_SHARED_LIBRARY << ": " << library.error;
    const std::string text = ShiftedPatternText(size_t{8} << 20);
    std::string expected[CappedCalls];
    for (size_t i = 0; i < std::size(CappedDigests); ++i)
        expected[i] = ReferenceHex(DigestFunctions[CappedDigests[i]], text);
    expected[CappedCalls - 1] = Rot13Model(text);
    int counts[4] = {};  // n, e, r, w
    for (size_t headroom = 0; headroom <= (size_t{64} << 20); headroom += size_t{2} << 20) {
        int status = 0;
        const std::string outcomes = RunCapped(library, text, expected, headroom, status);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "headroom " << (headroom >> 20) << " MiB: child "
            << (WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                    : "exited " + std::to_string(WEXITSTATUS(status)));
        ASSERT_EQ(outcomes.size(), CappedCalls + 1) << outcomes;
        for (char outcome : outcomes.substr(0, CappedCalls)) ++counts[std::string("nerw").find(outcome)];
        EXPECT_EQ(outcomes.find('w'), std::string::npos)
            << "headroom " << (headroom >> 20) << " MiB: outcomes " << outcomes
            << " (MD5, SHA-1, SHA-256, SHA3-256, ROT13, then a small call once the cap is lifted)";
    }
    std::printf("capped calls: %d null, %d empty, %d right, %d wrong\n", counts[0], counts[1], counts[2], counts[3]);
    EXPECT_GT(counts[0], 0) << "no call ran out of memory for its text";
    EXPECT_GT(counts[1], 0) << "no call ran out of memory for its scratch block alone";
    EXPECT_GT(counts[2], 0) << "no call had room enough";
}

}  // namespace
