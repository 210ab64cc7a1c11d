// SPDX-License-Identifier: MIT
// The real quorvalent.dll, loaded by name, timed against the platform's own
// hashing (BCryptHash from bcrypt.dll) with the caller's hexadecimal encoding,
// and against our engine on the same bytes (linked in, the DLL's code generation).
// Usage: windows_bench [--iterations N] [--repetitions R] [--min-ms M] [--only DIGEST,...] [--large 0|1]
// Prints one line per measurement: windows implementation digest bytes text ns_per_call,
// implementation ours (the export), engine or bcrypt, text ascii or accents; and
// for each export and text, in place of the time, upper_ymm_in_use: 1, 0 or -1.
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/call_steps.h"
#include "bench/hex.h"
#include "bench/text_passes.h"
#include "bench/texts.h"
#include "boundary/entry.h"
#include "digest/plugin.h"
#include "quorvalent.h"
#include "runtime/heaps.h"
#include "runtime/text.h"
#include "tests/support/ymm_state.h"

namespace {

struct Exports {
    QuorvalentFreeMem freeMem;
    QuorvalentDigest md5;
    QuorvalentDigest sha1;
    QuorvalentSizedDigest sha2;
    QuorvalentSizedDigest sha3;
    QuorvalentTextDigest text;
    QuorvalentDataDigest data;
    QuorvalentFileDigest file;
};

struct Digest {
    const char* name;
    const wchar_t* bcryptName;  // null where bcrypt.dll has no such hash
    ULONG bytes;
    int32_t id;
    int32_t bits;
    const char* bitsText;  // null for the one-argument exports
};

const Digest Digests[] = {
    {"MD5", BCRYPT_MD5_ALGORITHM, 16, Md5, 0, nullptr},
    {"SHA-1", BCRYPT_SHA1_ALGORITHM, 20, Sha1, 0, nullptr},
    {"SHA-224", nullptr, 28, Sha2, 224, "224"},
    {"SHA-256", BCRYPT_SHA256_ALGORITHM, 32, Sha2, 256, "256"},
    {"SHA-384", BCRYPT_SHA384_ALGORITHM, 48, Sha2, 384, "384"},
    {"SHA-512", BCRYPT_SHA512_ALGORITHM, 64, Sha2, 512, "512"},
    {"SHA3-224", nullptr, 28, Sha3, 224, "224"},
    {"SHA3-256", nullptr, 32, Sha3, 256, "256"},
    {"SHA3-384", nullptr, 48, Sha3, 384, "384"},
    {"SHA3-512", nullptr, 64, Sha3, 512, "512"},
};

const DWORD TextSizes[] = {16, 64 * 1024, 1024 * 1024};
const BenchTextKind TextKinds[] = {BenchTextKind::Ascii, BenchTextKind::Accents};

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "windows_bench: %s\n", message.c_str());
    std::exit(1);
}

template <typename Function>
Function Resolve(HMODULE module, const char* name)
{
    auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function) Fail(std::string("quorvalent.dll does not export ") + name);
    return function;
}

char* CallExport(const Exports& exports, const Digest& digest, const char* text)
{
    switch (digest.id) {
    case Md5:
        return exports.md5(text);
    case Sha1:
        return exports.sha1(text);
    case Sha2:
        return exports.sha2(text, digest.bitsText);
    default:
        return exports.sha3(text, digest.bitsText);
    }
}

// The engine linked into this program, on the text's bytes: what the export wraps.
std::string EngineHex(const Digest& digest, std::string& bytes)
{
    TextUnit* text = ComputeDigestHex(reinterpret_cast<uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()),
                                      digest.id, digest.bits);
    std::string hex;
    for (int32_t i = 0; i < TextLength(text); ++i) hex += static_cast<char>(text[i]);
    ReleaseAllTexts();
    return hex;
}

void BcryptHex(BCRYPT_ALG_HANDLE algorithm, const Digest& digest, const char* text, char* out)
{
    unsigned char bytes[64];
    // The caller measures the text, as the export does.
    const NTSTATUS status = BCryptHash(algorithm, nullptr, 0, reinterpret_cast<PUCHAR>(const_cast<char*>(text)),
                                       static_cast<ULONG>(std::strlen(text)), bytes, digest.bytes);
    if (!BCRYPT_SUCCESS(status)) Fail(std::string("BCryptHash failed for ") + digest.name);
    HexEncode(bytes, digest.bytes, out);
}

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end, LARGE_INTEGER frequency)
{
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Timing {
    long iterations;  // fixed when nonzero, otherwise grown until a repetition lasts minSeconds
    int repetitions;
    double minSeconds;
    std::string only;   // comma-separated digest names; empty for all, and then the fixed costs too
    bool large = true;  // the 256 MiB file and the 5 GiB one
};

bool Selected(const Timing& timing, const char* name)
{
    return timing.only.empty() || ("," + timing.only + ",").find(std::string(",") + name + ",") != std::string::npos;
}

// The median of the repetitions' time per call, in nanoseconds.
template <typename Call>
double MedianNanoseconds(const Timing& timing, Call call)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    long iterations = timing.iterations;
    if (iterations == 0) {
        for (iterations = 1;; iterations *= 2) {
            QueryPerformanceCounter(&start);
            for (long i = 0; i < iterations; ++i) call();
            QueryPerformanceCounter(&end);
            if (Seconds(start, end, frequency) >= timing.minSeconds) break;
        }
    }
    std::vector<double> perCall;
    for (int repetition = 0; repetition < timing.repetitions; ++repetition) {
        QueryPerformanceCounter(&start);
        for (long i = 0; i < iterations; ++i) call();
        QueryPerformanceCounter(&end);
        perCall.push_back(Seconds(start, end, frequency) * 1e9 / static_cast<double>(iterations));
    }
    std::sort(perCall.begin(), perCall.end());
    const size_t middle = perCall.size() / 2;
    return perCall.size() % 2 ? perCall[middle] : (perCall[middle - 1] + perCall[middle]) / 2;
}

Timing ParseArguments(int argc, char** argv)
{
    Timing timing{0, 7, 0.05, "", true};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i + 1 >= argc) Fail("missing value after " + argument);
        const char* value = argv[++i];
        if (argument == "--iterations") {
            timing.iterations = std::atol(value);
        } else if (argument == "--repetitions") {
            timing.repetitions = std::atoi(value);
        } else if (argument == "--min-ms") {
            timing.minSeconds = std::atof(value) / 1000;
        } else if (argument == "--only") {
            timing.only = value;
        } else if (argument == "--large") {
            timing.large = std::atoi(value) != 0;
        } else {
            Fail("unknown argument " + argument);
        }
    }
    if (timing.repetitions < 1 || timing.iterations < 0) Fail("iterations and repetitions must be positive");
    return timing;
}

}  // namespace

void Print(const char* implementation, const char* digest, unsigned long long size, const char* kind, double value)
{
    std::printf("windows %s %s %llu %s %.1f\n", implementation, digest, size, kind, value);
    std::fflush(stdout);
}

void Print(const char* implementation, const Digest& digest, DWORD size, BenchTextKind kind, double nanoseconds)
{
    Print(implementation, digest.name, size, BenchTextName(kind), nanoseconds);
}

namespace {

// The Unicode exports' digits, copied as a caller copies them.
std::string Digits(const Exports& exports, wchar_t* result)
{
    std::string digits = result ? "" : "<null>";
    for (const wchar_t* unit = result; unit && *unit; ++unit) digits += static_cast<char>(*unit);
    exports.freeMem();
    return digits;
}

std::wstring Wide(const char* name) { return std::wstring(name, name + std::strlen(name)); }

// The peak of the process's working set above what it held before, in KiB,
// while cifrado_file reads a sparse file of 5 GiB. Wine keeps no peak of private
// bytes (its PeakPagefileUsage is the current figure) but takes the working set's
// from the kernel, whose peak is reset first through /proc/self/clear_refs on
// Wine's drive Z:. Measured first, before any large buffer of the benchmark.
void FileMemory(const Exports& exports)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"quorvalent-bench-sparse";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = LONGLONG{5} << 30;
    if (file == INVALID_HANDLE_VALUE || !SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
        Fail("cannot make the sparse file");
    CloseHandle(file);
    HANDLE clearRefs = CreateFileW(L"Z:\\proc\\self\\clear_refs", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    if (clearRefs == INVALID_HANDLE_VALUE || !WriteFile(clearRefs, "5", 1, &written, nullptr)) {
        DeleteFileW(path.c_str());
        Fail("cannot reset the kernel's peak of the working set");
    }
    CloseHandle(clearRefs);
    PROCESS_MEMORY_COUNTERS before, after;
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    const std::string digits = Digits(exports, exports.file(path.c_str(), L"SHA-1"));
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    DeleteFileW(path.c_str());
    if (digits == "<null>") Fail("cifrado_file failed on the sparse file");
    Print("file_memory", "SHA-1", 5ull << 30, "-",
          static_cast<double>(after.PeakWorkingSetSize - before.WorkingSetSize) / 1024);
}

// cifrado_text on UTF-16 texts beside cifrado_data on their UTF-8 bytes, and a
// caller's own WideCharToMultiByte(CP_UTF8) + BCryptHash + hex; then cifrado_file
// on a cached 256 MiB file beside cifrado_data on the same bytes in memory.
void UnicodeExports(const Exports& exports, const Timing& timing, const Digest& digest, BCRYPT_ALG_HANDLE algorithm)
{
    const std::wstring name = Wide(digest.name);
    char copy[129];
    // A timed call's digits go into the caller's own buffer, as the other rows' do.
    wchar_t wideCopy[129];
    auto keep = [&](wchar_t* result) {
        std::wcscpy(wideCopy, result);
        exports.freeMem();
    };
    for (DWORD size : TextSizes) {
        for (BenchWideKind kind : {BenchWideKind::Ascii, BenchWideKind::Mixed}) {
            const std::u16string units = BenchWideText(size, kind);
            const std::wstring text(units.begin(), units.end());
            std::string utf8(static_cast<size_t>(4 * text.size() + 1), '\0');
            utf8.resize(
                static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                        utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
            const std::string fromText = Digits(exports, exports.text(text.c_str(), name.c_str()));
            if (fromText != Digits(exports, exports.data(utf8.data(), utf8.size(), name.c_str())))
                Fail(std::string(digest.name) + ": cifrado_text differs from cifrado_data on its UTF-8 bytes");
            const char* kindName = BenchWideName(kind);
            Print("text", digest.name, size, kindName,
                  MedianNanoseconds(timing, [&] { keep(exports.text(text.c_str(), name.c_str())); }));
            Print("data", digest.name, size, kindName,
                  MedianNanoseconds(timing, [&] { keep(exports.data(utf8.data(), utf8.size(), name.c_str())); }));
            if (!algorithm) continue;
            std::string converted(utf8.size() + 1, '\0');
            auto reference = [&] {
                // The caller's conversion into its own buffer, the hash, the digits.
                const int bytes =
                    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), converted.data(),
                                        static_cast<int>(converted.size()), nullptr, nullptr);
                unsigned char hash[64];
                BCryptHash(algorithm, nullptr, 0, reinterpret_cast<PUCHAR>(converted.data()), static_cast<ULONG>(bytes),
                           hash, digest.bytes);
                HexEncode(hash, digest.bytes, copy);
            };
            reference();
            if (fromText != copy) Fail(std::string(digest.name) + ": cifrado_text differs from bcrypt");
            Print("bcrypt_utf8", digest.name, size, kindName, MedianNanoseconds(timing, reference));
        }
    }
    if (!timing.large) return;
    static const std::vector<char> cached = [] {
        const std::string block = BenchText(1 << 20, BenchTextKind::Ascii);
        std::vector<char> bytes;
        for (int i = 0; i < 256; ++i) bytes.insert(bytes.end(), block.begin(), block.end());
        return bytes;
    }();
    // Deleted when the program ends, through Fail's exit too: statics are destroyed then.
    static const struct CachedFile {
        std::wstring path;
        ~CachedFile() { DeleteFileW(path.c_str()); }
    } file = [] {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        const std::wstring made =
            std::wstring(folder) + L"quorvalent-bench-cached-" + std::to_wstring(GetCurrentProcessId());
        HANDLE handle = CreateFileW(made.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(handle, cached.data(), static_cast<DWORD>(cached.size()), &written, nullptr);
        CloseHandle(handle);
        return CachedFile{made};
    }();
    const std::wstring& path = file.path;
    if (Digits(exports, exports.file(path.c_str(), name.c_str())) !=
        Digits(exports, exports.data(cached.data(), cached.size(), name.c_str())))
        Fail(std::string(digest.name) + ": cifrado_file differs from cifrado_data on the same bytes");
    // A few calls of a quarter of a second or more: three repetitions are enough.
    const Timing few{1, std::min(timing.repetitions, 3), 0, "", true};
    Print("file", digest.name, cached.size(), "-",
          MedianNanoseconds(few, [&] { keep(exports.file(path.c_str(), name.c_str())); }));
    Print("data", digest.name, cached.size(), "-",
          MedianNanoseconds(few, [&] { keep(exports.data(cached.data(), cached.size(), name.c_str())); }));
}

}  // namespace

int main(int argc, char** argv)
{
    const Timing timing = ParseArguments(argc, argv);
    HMODULE module = LoadLibraryA("quorvalent.dll");
    if (!module) Fail("cannot load quorvalent.dll (error " + std::to_string(GetLastError()) + ")");
    const Exports exports = {
        Resolve<QuorvalentFreeMem>(module, "FreeMem"),          Resolve<QuorvalentDigest>(module, "cifrado_md5"),
        Resolve<QuorvalentDigest>(module, "cifrado_SHA1"),      Resolve<QuorvalentSizedDigest>(module, "cifrado_SHA2"),
        Resolve<QuorvalentSizedDigest>(module, "cifrado_SHA3"), Resolve<QuorvalentTextDigest>(module, "cifrado_text"),
        Resolve<QuorvalentDataDigest>(module, "cifrado_data"),  Resolve<QuorvalentFileDigest>(module, "cifrado_file"),
    };
    if (timing.only.empty() && timing.large) FileMemory(exports);
    // The engine's own copy of the library gets its heaps as the DLL does.
    DllMain(nullptr, ProcessAttach, nullptr);
    EnsureMd5Plugin();
    EnsureSha1Plugin();
    EnsureSha2Plugin();
    EnsureSha3Plugin();

    // The fixed costs around the engine, timed alone: the scratch memory of the
    // text's size, which the block heap keeps, and the text step that fills it
    // (for ASCII one copy; otherwise read into UTF-16, written back, measured).
    if (timing.only.empty()) {
        for (DWORD size : TextSizes) {
            std::printf("windows scratch - %lu - %.1f\n", size,
                        MedianNanoseconds(timing, [&] { GiveBackScratch(TakeScratch(size + 1).bytes); }));
            for (BenchTextKind kind : TextKinds) {
                const std::string text = BenchText(size, kind);
                std::printf("windows texts - %lu %s %.1f\n", size, BenchTextName(kind), MedianNanoseconds(timing, [&] {
                                GiveBackScratch(ReadTextIntoScratch(text.c_str()).bytes);
                                ReleaseAllTexts();
                            }));
            }
            std::fflush(stdout);
        }
        // A short call's zero-filled pair: on a private heap as it comes from HeapCreate,
        // and through the block heap, which starts with room kept for such blocks.
        HANDLE plainHeap = HeapCreate(0, 4096, 0);
        std::printf("windows plain_heap_pair - 17 - %.1f\n", MedianNanoseconds(timing, [&] {
                        HeapFree(plainHeap, 0, HeapAlloc(plainHeap, HEAP_ZERO_MEMORY, 17));
                    }));
        std::printf("windows block_heap_pair - 17 - %.1f\n",
                    MedianNanoseconds(timing, [&] { FreeBlock(AllocBlock(17)); }));
        HeapDestroy(plainHeap);
        // The passes of the round trip, and the C runtime's (msvcrt's) copy and length.
        for (DWORD size : {DWORD{16}, DWORD{64 * 1024}, DWORD{1024 * 1024}}) {
            TextPassData data(size);
            ForEachTextPass(data, [&](const char* name, auto pass) {
                std::printf("windows %s - %lu - %.1f\n", name, size, MedianNanoseconds(timing, pass));
            });
        }
        std::fflush(stdout);
    }

    for (const Digest& digest : Digests) {
        if (!Selected(timing, digest.name)) continue;
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        // The caller opens the provider once and keeps it, the cheap way to use bcrypt.
        if (digest.bcryptName &&
            !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, digest.bcryptName, nullptr, 0)))
            Fail(std::string("bcrypt.dll has no ") + digest.name);
        for (DWORD size : TextSizes) {
            for (BenchTextKind kind : TextKinds) {
                const std::string text = BenchText(size, kind);
                std::string bytes = text;
                char copy[129];
                const std::string engine = EngineHex(digest, bytes);
                char* first = CallExport(exports, digest, text.c_str());
                const std::string ours = first ? first : "<null>";
                exports.freeMem();
                if (ours != engine) Fail(std::string(digest.name) + " export differs from the engine: " + ours);
                if (algorithm) {
                    BcryptHex(algorithm, digest, text.c_str(), copy);
                    if (ours != copy) Fail(std::string(digest.name) + " differs from bcrypt: " + ours + " vs " + copy);
                }

                // A second call, which grows no heap: whether it returns with the
                // upper YMM halves in use (1), not (0), or that cannot be read (-1).
                double upperYmmInUse = -1;
                if (UpperYmmReadable()) {
                    ClearUpperYmm();
                    CallExport(exports, digest, text.c_str());
                    upperYmmInUse = UpperYmmInUse() ? 1 : 0;
                    exports.freeMem();
                }
                Print("upper_ymm_in_use", digest, size, kind, upperYmmInUse);
                Print("ours", digest, size, kind, MedianNanoseconds(timing, [&] {
                          char* result = CallExport(exports, digest, text.c_str());
                          std::strcpy(copy, result);
                          exports.freeMem();
                      }));
                Print("engine", digest, size, kind, MedianNanoseconds(timing, [&] {
                          ComputeDigestHex(reinterpret_cast<uint8_t*>(bytes.data()), size, digest.id, digest.bits);
                          ReleaseAllTexts();
                      }));
                // bcrypt hashes bytes: the kind of text makes no difference to it.
                if (algorithm && kind == BenchTextKind::Ascii)
                    Print("bcrypt", digest, size, kind,
                          MedianNanoseconds(timing, [&] { BcryptHex(algorithm, digest, text.c_str(), copy); }));
            }
        }
        // The steps of a 16-byte call, each alone, timed in the run that times the call.
        CallSteps steps(digest.id, digest.bits, digest.bitsText, BenchText(16, BenchTextKind::Ascii));
        if (!steps.Ready()) Fail(std::string("no plugin for ") + digest.name);
        for (const CallStep& step : CallStepList)
            Print((std::string("step:") + step.name).c_str(), digest, 16, BenchTextKind::Ascii,
                  MedianNanoseconds(timing, [&] { (steps.*step.run)(); }));
        UnicodeExports(exports, timing, digest, algorithm);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    DllMain(nullptr, ProcessDetach, nullptr);
    FreeLibrary(module);
    return 0;
}
