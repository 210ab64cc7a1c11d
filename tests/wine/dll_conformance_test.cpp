// SPDX-License-Identifier: MIT
// quorvalent.dll called the way foreign callers call it: from assembly, with the
// stack at each 4-byte alignment, sentinels in the registers a callee must keep,
// the caller's floating-point modes, and a painted stack to measure its depth.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "long_text_digests.h"
#include "quorvalent.h"
#include "runtime/cpu.h"
#include "tests/support/long_texts.h"
#include "tests/support/unicode_texts.h"
#include "tests/wine/dll_library.h"

namespace {

// One call made by ConformanceCall. The assembly reaches the fields by offset.
struct CallFrame {
    uintptr_t function;
    uintptr_t count;  // of arguments, at most three
    uintptr_t arguments[3];
    uintptr_t adjust;   // 32-bit: bytes above a 16-byte boundary where the pushes start
    uintptr_t savedSp;  // the thunk's own stack pointer, for the way back
    uintptr_t entrySp;  // the stack pointer at the callee's first instruction
    uintptr_t afterSp;  // the stack pointer right after the callee returned
    uintptr_t result;
    uintptr_t untouched;  // painted words below entrySp never written, counted from the bottom
    uintptr_t registersIn[8];
    uintptr_t registersOut[8];
    alignas(16) uint8_t vectorsIn[10][16];  // win64: XMM6 to XMM15
    alignas(16) uint8_t vectorsOut[10][16];
};

constexpr size_t PaintBytes = 64 * 1024;
constexpr size_t StackLimit = 8 * 1024;
constexpr size_t Word = sizeof(uintptr_t);

#define QV_STRING(x) #x
#define QV_EXPAND(x) QV_STRING(x)
#define QV_PAINT_WORDS 16384  // PaintBytes / Word on 32-bit x86
#define QV_PAINT_QWORDS 8192  // PaintBytes / Word on x86-64

}  // namespace

extern "C" {
// Where the thunk finds the frame again after the call: every register it
// could keep it in holds a sentinel then.
CallFrame* qvConformanceFrame = nullptr;
void ConformanceCall(CallFrame* frame);
}

#if defined(__i386__)
static_assert(offsetof(CallFrame, adjust) == 20 && offsetof(CallFrame, savedSp) == 24 &&
                  offsetof(CallFrame, entrySp) == 28 && offsetof(CallFrame, afterSp) == 32 &&
                  offsetof(CallFrame, result) == 36 && offsetof(CallFrame, untouched) == 40 &&
                  offsetof(CallFrame, registersIn) == 44 && offsetof(CallFrame, registersOut) == 76,
              "the offsets the assembly uses");
static_assert(PaintBytes / Word == QV_PAINT_WORDS);
constexpr int SavedRegisters = 4;
const char* const RegisterNames[] = {"EBX", "ESI", "EDI", "EBP"};
constexpr int SavedVectors = 0;
constexpr uintptr_t Alignments[] = {0, 4, 8, 12};

// The stack pointer at the callee's first instruction is entry = S - 4 * count - 4,
// where S = a 16-byte boundary + adjust: the caller picks entry mod 16.
// The 64 KiB below entry are painted a word at a time downwards, so a new stack
// page is always touched right below the last one, as the guard page wants.
asm(R"(
    .text
    .globl _ConformanceCall
_ConformanceCall:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 20(%esp), %eax
    movl %eax, _qvConformanceFrame
    movl %esp, 24(%eax)
    movl %esp, %edx
    subl $64, %edx
    andl $-16, %edx
    addl 20(%eax), %edx
    movl 4(%eax), %ecx
    leal 4(,%ecx,4), %ecx
    movl %edx, %edi
    subl %ecx, %edi
    movl %edi, 28(%eax)
    movl $)" QV_EXPAND(QV_PAINT_WORDS) R"(, %ecx
1:  subl $4, %edi
    movl $0xa5a5a5a5, (%edi)
    decl %ecx
    jnz 1b
    movl %edx, %esp
    movl 4(%eax), %ecx
2:  testl %ecx, %ecx
    jz 3f
    decl %ecx
    pushl 8(%eax,%ecx,4)
    jmp 2b
3:  movl 44(%eax), %ebx
    movl 48(%eax), %esi
    movl 52(%eax), %edi
    movl 56(%eax), %ebp
    call *(%eax)
    movl _qvConformanceFrame, %ecx
    movl %esp, 32(%ecx)
    movl %eax, 36(%ecx)
    movl %ebx, 76(%ecx)
    movl %esi, 80(%ecx)
    movl %edi, 84(%ecx)
    movl %ebp, 88(%ecx)
    movl 28(%ecx), %edi
    subl $)" QV_EXPAND(QV_PAINT_WORDS) R"(*4, %edi
    xorl %eax, %eax
4:  cmpl $0xa5a5a5a5, (%edi,%eax,4)
    jne 5f
    incl %eax
    cmpl $)" QV_EXPAND(QV_PAINT_WORDS) R"(, %eax
    jne 4b
5:  movl %eax, 40(%ecx)
    movl 24(%ecx), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
#elif defined(__x86_64__)
static_assert(offsetof(CallFrame, adjust) == 40 && offsetof(CallFrame, savedSp) == 48 &&
                  offsetof(CallFrame, entrySp) == 56 && offsetof(CallFrame, afterSp) == 64 &&
                  offsetof(CallFrame, result) == 72 && offsetof(CallFrame, untouched) == 80 &&
                  offsetof(CallFrame, registersIn) == 88 && offsetof(CallFrame, registersOut) == 152 &&
                  offsetof(CallFrame, vectorsIn) == 224 && offsetof(CallFrame, vectorsOut) == 384,
              "the offsets the assembly uses");
static_assert(PaintBytes / Word == QV_PAINT_QWORDS);
constexpr int SavedRegisters = 8;
const char* const RegisterNames[] = {"RBX", "RBP", "RDI", "RSI", "R12", "R13", "R14", "R15"};
constexpr int SavedVectors = 10;
// The x64 convention fixes the alignment: RSP is 8 mod 16 at entry.
constexpr uintptr_t Alignments[] = {8};

// The callee gets its 32 bytes of home space above the return address.
asm(R"(
    .text
    .globl ConformanceCall
ConformanceCall:
    pushq %rbp
    pushq %rbx
    pushq %rdi
    pushq %rsi
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    subq $168, %rsp
    movdqa %xmm6, 0(%rsp)
    movdqa %xmm7, 16(%rsp)
    movdqa %xmm8, 32(%rsp)
    movdqa %xmm9, 48(%rsp)
    movdqa %xmm10, 64(%rsp)
    movdqa %xmm11, 80(%rsp)
    movdqa %xmm12, 96(%rsp)
    movdqa %xmm13, 112(%rsp)
    movdqa %xmm14, 128(%rsp)
    movdqa %xmm15, 144(%rsp)
    movq %rcx, %rax
    movq %rax, qvConformanceFrame(%rip)
    movq %rsp, 48(%rax)
    movq %rsp, %rdx
    subq $64, %rdx
    andq $-16, %rdx
    leaq -40(%rdx), %rdi
    movq %rdi, 56(%rax)
    movabsq $0xa5a5a5a5a5a5a5a5, %r8
    movl $)" QV_EXPAND(QV_PAINT_QWORDS) R"(, %ecx
1:  subq $8, %rdi
    movq %r8, (%rdi)
    decl %ecx
    jnz 1b
    leaq -32(%rdx), %rsp
    movq 16(%rax), %rcx
    movq 24(%rax), %rdx
    movq 88(%rax), %rbx
    movq 96(%rax), %rbp
    movq 104(%rax), %rdi
    movq 112(%rax), %rsi
    movq 120(%rax), %r12
    movq 128(%rax), %r13
    movq 136(%rax), %r14
    movq 144(%rax), %r15
    movdqu 224(%rax), %xmm6
    movdqu 240(%rax), %xmm7
    movdqu 256(%rax), %xmm8
    movdqu 272(%rax), %xmm9
    movdqu 288(%rax), %xmm10
    movdqu 304(%rax), %xmm11
    movdqu 320(%rax), %xmm12
    movdqu 336(%rax), %xmm13
    movdqu 352(%rax), %xmm14
    movdqu 368(%rax), %xmm15
    movq 32(%rax), %r8
    callq *(%rax)
    movq qvConformanceFrame(%rip), %rcx
    movq %rsp, 64(%rcx)
    movq %rax, 72(%rcx)
    movq %rbx, 152(%rcx)
    movq %rbp, 160(%rcx)
    movq %rdi, 168(%rcx)
    movq %rsi, 176(%rcx)
    movq %r12, 184(%rcx)
    movq %r13, 192(%rcx)
    movq %r14, 200(%rcx)
    movq %r15, 208(%rcx)
    movdqu %xmm6, 384(%rcx)
    movdqu %xmm7, 400(%rcx)
    movdqu %xmm8, 416(%rcx)
    movdqu %xmm9, 432(%rcx)
    movdqu %xmm10, 448(%rcx)
    movdqu %xmm11, 464(%rcx)
    movdqu %xmm12, 480(%rcx)
    movdqu %xmm13, 496(%rcx)
    movdqu %xmm14, 512(%rcx)
    movdqu %xmm15, 528(%rcx)
    movq 56(%rcx), %rdi
    subq $)" QV_EXPAND(QV_PAINT_QWORDS) R"(*8, %rdi
    movabsq $0xa5a5a5a5a5a5a5a5, %r8
    xorl %eax, %eax
4:  cmpq %r8, (%rdi,%rax,8)
    jne 5f
    incq %rax
    cmpq $)" QV_EXPAND(QV_PAINT_QWORDS) R"(, %rax
    jne 4b
5:  movq %rax, 80(%rcx)
    movq 48(%rcx), %rsp
    movdqa 0(%rsp), %xmm6
    movdqa 16(%rsp), %xmm7
    movdqa 32(%rsp), %xmm8
    movdqa 48(%rsp), %xmm9
    movdqa 64(%rsp), %xmm10
    movdqa 80(%rsp), %xmm11
    movdqa 96(%rsp), %xmm12
    movdqa 112(%rsp), %xmm13
    movdqa 128(%rsp), %xmm14
    movdqa 144(%rsp), %xmm15
    addq $168, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rsi
    popq %rdi
    popq %rbx
    popq %rbp
    ret
)");
#endif

namespace {

// The floating-point modes a caller may run with; the library must hand them back.
struct FloatModes {
    uint16_t x87;
    uint32_t mxcsr;
    bool operator==(const FloatModes&) const = default;
};

FloatModes ReadFloatModes()
{
    FloatModes modes{};
    asm volatile("fnstcw %0" : "=m"(modes.x87));
    asm volatile("stmxcsr %0" : "=m"(modes.mxcsr));
    return modes;
}

void WriteFloatModes(FloatModes modes)
{
    asm volatile("fldcw %0" : : "m"(modes.x87));
    asm volatile("ldmxcsr %0" : : "m"(modes.mxcsr));
}

std::string Describe(FloatModes modes)
{
    char text[48];
    std::snprintf(text, sizeof text, "x87 %04x, MXCSR %08lx", modes.x87, static_cast<unsigned long>(modes.mxcsr));
    return text;
}

// One exported function and what it takes: 1 or 2 arguments; for the digests the
// index of the first of its functions in ExpectedPatternTexts' digests.
struct ExportRow {
    const char* name;
    uintptr_t arguments;
    int digest;  // -1: ROT13; -2: FreeMem
    bool takesBits;
};
const ExportRow ExportRows[] = {
    {"cifrado_md5", 1, 0, false}, {"cifrado_SHA1", 1, 1, false}, {"cifrado_SHA2", 2, 2, true},
    {"cifrado_SHA3", 2, 6, true}, {"text_rot13", 2, -1, false},
};

// The bits texts and the digest each selects, counted from the family's SHA-224.
struct BitsRow {
    const char* text;
    int offset;
};
const BitsRow BitsRows[] = {{"0", 1}, {"224", 0}, {"256", 1}, {"384", 2}, {"512", 3}};

// Up to 127 bytes the pattern is plain ASCII, which the text passes convert in
// their chosen form (AVX2 where the processor has it); past that, the code page.
constexpr unsigned TextLengths[] = {0, 3, 55, 56, 64, 127, 200, 5000, 70000};

const ExpectedPatternText* ExpectedFor(unsigned length)
{
    for (const ExpectedPatternText& expected : ExpectedPatternTexts)
        if (expected.length == length) return &expected;
    return nullptr;
}

// The address the assembly calls; 0 when the DLL did not load or lacks the export.
uintptr_t Address(const Library& library, const char* name)
{
    return reinterpret_cast<uintptr_t>(library.Resolve<void*>(name));
}

// What one call did that a foreign caller would notice; empty when nothing.
struct Outcome {
    std::string result;  // the text, copied before FreeMem
    bool nullResult = false;
    std::string faults;
    size_t depth = 0;  // bytes of stack below the entry pointer the call wrote
};

// wide: the result is a UTF-16 text of digits (the Unicode exports).
Outcome CallLikeAForeignCaller(uintptr_t function, uintptr_t count, const uintptr_t* arguments, uintptr_t alignment,
                               uintptr_t seed, bool wide = false)
{
    CallFrame frame{};
    frame.function = function;
    frame.count = count;
    for (uintptr_t i = 0; i < count; ++i) frame.arguments[i] = arguments[i];
    frame.adjust = (alignment + 4 * count + 4) & 15;
    for (uintptr_t r = 0; r < 8; ++r)
        frame.registersIn[r] = static_cast<uintptr_t>(0x9e3779b97f4a7c15ull * (seed * 8 + r + 1));
    for (int v = 0; v < 10; ++v)
        for (int b = 0; b < 16; ++b) frame.vectorsIn[v][b] = static_cast<uint8_t>(0x40 + v * 16 + b + seed);
    ConformanceCall(&frame);

    Outcome outcome;
    std::string& faults = outcome.faults;
    if (Word == 4 && (frame.entrySp & 15) != alignment) faults += " entered at the wrong alignment (thunk fault);";
    // 32-bit: the callee removes its own arguments; x64: the caller does.
    const uintptr_t removed = frame.afterSp - (frame.entrySp + Word);
    const uintptr_t expectedRemoved = Word == 4 ? 4 * count : 0;
    if (removed != expectedRemoved)
        faults += " removed " + std::to_string(removed) + " bytes, not " + std::to_string(expectedRemoved) + ";";
    for (int r = 0; r < SavedRegisters; ++r)
        if (frame.registersOut[r] != frame.registersIn[r]) faults += std::string(" changed ") + RegisterNames[r] + ";";
    for (int v = 0; v < SavedVectors; ++v)
        if (std::memcmp(frame.vectorsOut[v], frame.vectorsIn[v], 16) != 0)
            faults += " changed XMM" + std::to_string(v + 6) + ";";
    outcome.depth = PaintBytes - frame.untouched * Word;
    if (outcome.depth >= StackLimit) faults += " used " + std::to_string(outcome.depth) + " bytes of stack;";
    if (frame.result && wide)
        for (const wchar_t* unit = reinterpret_cast<const wchar_t*>(frame.result); *unit; ++unit)
            outcome.result += static_cast<char>(*unit);
    else if (frame.result)
        outcome.result = reinterpret_cast<const char*>(frame.result);
    outcome.nullResult = frame.result == 0;
    return outcome;
}

// What the DLL finds in CPUID, which decides the forms of the compressions it runs
// (ctest runs this program under qemu CPU models that lead it to each form).
std::string ProcessorFeatures()
{
    std::string text;
    for (const CpuFeatureName& name : CpuFeatureNames)
        if (CpuHas(name.feature)) text += (text.empty() ? "" : " ") + std::string(name.name);
    return text.empty() ? "no features of note" : text;
}

std::string AlignmentName(uintptr_t alignment)
{
    return "stack pointer " + std::to_string(alignment) + " mod 16 at entry";
}

// One call of a Unicode export as the assembly makes it, and the digits it must
// give; null when want is empty.
struct UnicodeCall {
    std::string what;
    const char* name;
    uintptr_t count;
    uintptr_t arguments[3];
    std::string want;
};

// The texts the conformance calls take: the long ones, and one ending in a lone surrogate.
bool CalledText(const UnicodeText& text)
{
    const std::string name = text.name;
    return name.rfind("long", 0) == 0 || name == "high surrogate at the end";
}

// The Unicode exports' calls: long texts (ASCII, mixed, ending in a lone
// surrogate) and bytes with zeros through every algorithm, a file, and a refused
// path; each argument lives as long as the object.
class UnicodeCalls {
public:
    explicit UnicodeCalls(const std::wstring& path) : file(path), bytes(ZeroPattern(300))
    {
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(handle);
        const ExpectedZeroPattern* expected = ExpectedZeroPatternOf(bytes.size());
        for (const UnicodeText& text : UnicodeTexts) {
            if (!CalledText(text)) continue;
            const std::u16string units = UnitsOf(text);
            texts.emplace_back(units.begin(), units.end());
        }
        for (const DigestFunction& function : DigestFunctions) {
            const std::string name = function.name;
            names.emplace_back(name.begin(), name.end());
        }
        for (size_t f = 0; f < std::size(DigestFunctions); ++f) {
            const uintptr_t name = reinterpret_cast<uintptr_t>(names[f].c_str());
            size_t t = 0;
            for (const UnicodeText& text : UnicodeTexts) {
                if (!CalledText(text)) continue;
                calls.push_back({std::string(text.name) + ", " + DigestFunctions[f].name,
                                 "cifrado_text",
                                 2,
                                 {reinterpret_cast<uintptr_t>(texts[t++].c_str()), name, 0},
                                 text.digests[f]});
            }
            calls.push_back({std::string("300 bytes, ") + DigestFunctions[f].name,
                             "cifrado_data",
                             3,
                             {reinterpret_cast<uintptr_t>(bytes.data()), bytes.size(), name},
                             expected->digests[f]});
            calls.push_back({std::string("a file of 300 bytes, ") + DigestFunctions[f].name,
                             "cifrado_file",
                             2,
                             {reinterpret_cast<uintptr_t>(this->file.c_str()), name, 0},
                             expected->digests[f]});
        }
        calls.push_back(
            {"a missing file",
             "cifrado_file",
             2,
             {reinterpret_cast<uintptr_t>(missing.c_str()), reinterpret_cast<uintptr_t>(names[0].c_str()), 0},
             ""});
    }
    ~UnicodeCalls() { DeleteFileW(file.c_str()); }
    UnicodeCalls(const UnicodeCalls&) = delete;
    UnicodeCalls& operator=(const UnicodeCalls&) = delete;

    std::vector<UnicodeCall> calls;

private:
    const std::wstring file;
    const std::wstring missing = L"C:\\quorvalent-missing-file";
    const std::string bytes;
    std::vector<std::wstring> texts;
    std::vector<std::wstring> names;
};

}  // namespace

TEST(DllConformance, UnicodeExportsAtEveryStackAlignmentKeepTheCallersState)
{
    Library library;
    ASSERT_NE(library.module, nullptr) << "quorvalent.dll did not load";
    const uintptr_t freeMem = Address(library, "FreeMem");
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const UnicodeCalls unicode(std::wstring(folder) + L"quorvalent-conformance-" +
                               std::to_wstring(GetCurrentProcessId()));
    size_t deepest = 0;
    uintptr_t seed = 0;
    for (uintptr_t alignment : Alignments) {
        for (const UnicodeCall& call : unicode.calls) {
            const uintptr_t function = Address(library, call.name);
            ASSERT_NE(function, 0u) << call.name;
            const std::string what = std::string(call.name) + ", " + call.what + ", " + AlignmentName(alignment);
            const Outcome outcome =
                CallLikeAForeignCaller(function, call.count, call.arguments, alignment, ++seed, true);
            EXPECT_EQ(outcome.faults, "") << what;
            EXPECT_EQ(outcome.nullResult, call.want.empty()) << what;
            EXPECT_EQ(outcome.result, call.want) << what;
            deepest = std::max(deepest, outcome.depth);
            EXPECT_EQ(CallLikeAForeignCaller(freeMem, 0, call.arguments, alignment, ++seed).faults, "") << what;
        }
    }
    std::printf("%zu calls; deepest stack use %zu bytes\n", unicode.calls.size() * std::size(Alignments), deepest);
}

TEST(DllConformance, EveryExportAtEveryStackAlignmentKeepsTheCallersState)
{
    Library library;
    ASSERT_NE(library.module, nullptr) << "quorvalent.dll did not load";
    const uintptr_t freeMem = Address(library, "FreeMem");
    ASSERT_NE(freeMem, 0u);
    std::string texts[std::size(TextLengths)];
    for (size_t t = 0; t < std::size(TextLengths); ++t) texts[t] = PatternText(TextLengths[t]);

    size_t deepest = 0;
    std::string deepestCall;
    uintptr_t seed = 0;
    int calls = 0;
    for (uintptr_t alignment : Alignments) {
        for (const ExportRow& row : ExportRows) {
            const uintptr_t function = Address(library, row.name);
            ASSERT_NE(function, 0u) << row.name;
            // Every bits text, also as the ROT13 export's unread second argument;
            // the one-argument exports take the first row only.
            const size_t bitsRows = row.arguments == 2 ? std::size(BitsRows) : 1;
            for (size_t b = 0; b < bitsRows; ++b) {
                for (size_t t = 0; t < std::size(TextLengths); ++t) {
                    const ExpectedPatternText* expected = ExpectedFor(TextLengths[t]);
                    ASSERT_NE(expected, nullptr) << "no outside digest for " << TextLengths[t] << " bytes";
                    std::string want;
                    if (row.digest == -1)
                        want = Rot13Model(texts[t]);
                    else if (TextLengths[t] > 0)
                        want = expected->digests[row.digest + (row.takesBits ? BitsRows[b].offset : 0)];
                    const uintptr_t arguments[3] = {reinterpret_cast<uintptr_t>(texts[t].c_str()),
                                                    reinterpret_cast<uintptr_t>(BitsRows[b].text), 0};
                    const std::string call = std::string(row.name) +
                                             (row.arguments == 2 ? std::string(", ") + BitsRows[b].text : "") + ", " +
                                             std::to_string(TextLengths[t]) + " bytes, " + AlignmentName(alignment);

                    const Outcome outcome =
                        CallLikeAForeignCaller(function, row.arguments, arguments, alignment, ++seed);
                    EXPECT_EQ(outcome.faults, "") << call;
                    EXPECT_FALSE(outcome.nullResult) << call;
                    EXPECT_EQ(outcome.result, want) << call;
                    if (outcome.depth > deepest) {
                        deepest = outcome.depth;
                        deepestCall = call;
                    }
                    const Outcome released = CallLikeAForeignCaller(freeMem, 0, arguments, alignment, ++seed);
                    EXPECT_EQ(released.faults, "") << "FreeMem after " << call;
                    EXPECT_TRUE(released.nullResult) << "FreeMem returns 0";
                    calls += 2;
                }
            }
        }
    }
    std::printf("%d calls; deepest stack use %zu bytes (%s); processor: %s\n", calls, deepest, deepestCall.c_str(),
                ProcessorFeatures().c_str());
}

TEST(DllConformance, FloatingPointModesSurviveLoadCallsAndUnload)
{
    const FloatModes original = ReadFloatModes();
    // A caller built by MSVC (53-bit precision), then callers with other
    // rounding modes, one of them flushing denormals.
    const FloatModes callers[] = {{0x027f, 0x1f80}, {0x067f, 0x3f80}, {0x0e7f, 0xffc0}, {0x037f, 0x5f80}};
    for (const FloatModes& caller : callers) {
        FloatModes seen[3] = {};
        bool loaded = false;
        WriteFloatModes(caller);
        {
            Library library;
            seen[0] = ReadFloatModes();
            loaded = library.module != nullptr;
            if (loaded) {
                WriteFloatModes(caller);
                auto sha2 = library.Resolve<QuorvalentSizedDigest>("cifrado_SHA2");
                auto sha3 = library.Resolve<QuorvalentSizedDigest>("cifrado_SHA3");
                auto freeMem = library.Resolve<QuorvalentFreeMem>("FreeMem");
                if (sha2 && sha3 && freeMem) {
                    sha2("abc", "512");
                    freeMem();
                    sha3("abc", "384");
                    freeMem();
                }
                seen[1] = ReadFloatModes();
                WriteFloatModes(caller);
            }
        }  // FreeLibrary
        if (loaded) seen[2] = ReadFloatModes();
        WriteFloatModes(original);
        ASSERT_TRUE(loaded);
        const char* stages[] = {"LoadLibrary", "the calls", "FreeLibrary"};
        for (int s = 0; s < 3; ++s) EXPECT_EQ(Describe(seen[s]), Describe(caller)) << "across " << stages[s];
    }
}
