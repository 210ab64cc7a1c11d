// SPDX-License-Identifier: MIT
// Our digest engine and exports side by side with libcrypto's one-shot EVP_Digest,
// in one binary, so both run on the same machine under the same load.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/call_steps.h"
#include "bench/digests.h"
#include "bench/hex.h"
#include "bench/text_passes.h"
#include "bench/texts.h"
#include "boundary/entry.h"
#include "digest/plugin.h"
#include "quorvalent.h"
#include "runtime/heaps.h"
#include "runtime/latin1.h"
#include "runtime/streams.h"
#include "runtime/text.h"
#include "runtime/utf8.h"
#include "tests/support/ymm_state.h"

// Every heap allocation of the process is counted, so each benchmark can
// report how many allocations one call makes, ours and libcrypto's alike.
// AddressSanitizer brings its own allocator; under it nothing is counted.
static unsigned long allocationCount = 0;
#if !defined(__SANITIZE_ADDRESS__)
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* memory, size_t size);
extern "C" void __libc_free(void* memory);
extern "C" void* malloc(size_t size)
{
    ++allocationCount;
    return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size)
{
    ++allocationCount;
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* memory, size_t size)
{
    if (!memory) ++allocationCount;
    return __libc_realloc(memory, size);
}
extern "C" void free(void* memory) { __libc_free(memory); }
#endif

namespace {

constexpr uint32_t MessageSizes[] = {64, 1024, 16 * 1024, 1024 * 1024};
// Texts through the export, the engine on the same bytes, and libcrypto's one-shot.
constexpr uint32_t TextSizes[] = {16, 64 * 1024, 1024 * 1024};
constexpr BenchTextKind TextKinds[] = {BenchTextKind::Ascii, BenchTextKind::Accents};

// One message for the engine benchmarks: printable bytes.
std::vector<char>& Message()
{
    static std::vector<char> message = [] {
        const std::string text = BenchText(1024 * 1024, BenchTextKind::Ascii);
        return std::vector<char>(text.begin(), text.end());
    }();
    return message;
}

const EVP_MD* Fetch(const Digest& digest)
{
    // Fetched once and kept, the fastest way to use libcrypto 3's one-shot.
    EVP_MD* md = EVP_MD_fetch(nullptr, digest.opensslName, nullptr);
    if (!md) {
        std::fprintf(stderr, "libcrypto has no %s\n", digest.opensslName);
        std::exit(1);
    }
    return md;
}

std::string OpensslHex(const EVP_MD* md, const char* data, size_t length)
{
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned count = 0;
    char hex[2 * EVP_MAX_MD_SIZE + 1];
    EVP_Digest(data, length, bytes, &count, md, nullptr);
    HexEncode(bytes, count, hex);
    return hex;
}

std::string OurEngineHex(const Digest& digest, char* data, uint32_t length)
{
    TextUnit* text = ComputeDigestHex(reinterpret_cast<uint8_t*>(data), length, digest.id, digest.bits);
    std::string hex;
    for (int32_t i = 0; text && text[i]; ++i) hex += static_cast<char>(text[i]);
    ReleaseAllTexts();
    return hex;
}

// A benchmark that disagrees with libcrypto measures nothing worth reporting,
// and the run fails.
bool disagreement = false;
bool Agree(benchmark::State& state, const std::string& ours, const std::string& reference)
{
    if (ours == reference) return true;
    disagreement = true;
    state.SkipWithError(("digest differs from libcrypto: " + ours + " vs " + reference).c_str());
    return false;
}

void Report(benchmark::State& state, uint32_t size, unsigned long allocations)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["allocs_per_call"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}

void EngineOurs(benchmark::State& state, const Digest& digest, const EVP_MD* md, uint32_t size)
{
    char* data = Message().data();
    if (!Agree(state, OurEngineHex(digest, data, size), OpensslHex(md, data, size))) return;
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        TextUnit* hex = ComputeDigestHex(reinterpret_cast<uint8_t*>(data), size, digest.id, digest.bits);
        benchmark::DoNotOptimize(hex);
        ReleaseAllTexts();
    }
    Report(state, size, allocationCount - before);
}

void EngineOpenssl(benchmark::State& state, const EVP_MD* md, uint32_t size)
{
    const char* data = Message().data();
    unsigned char bytes[EVP_MAX_MD_SIZE];
    char hex[2 * EVP_MAX_MD_SIZE + 1];
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        unsigned count = 0;
        EVP_Digest(data, size, bytes, &count, md, nullptr);
        HexEncode(bytes, count, hex);
        benchmark::DoNotOptimize(hex);
    }
    Report(state, size, allocationCount - before);
}

// 1 when a call of the export returns with the upper YMM halves in use, which
// slows the caller's SSE code; 0 when it does not; -1 where that cannot be read.
double UpperYmmAfterExport(const Digest& digest, const std::string& text)
{
    if (!UpperYmmReadable()) return -1;
    ClearUpperYmm();
    CallExport(digest, text.c_str());
    const bool inUse = UpperYmmInUse();
    FreeMem();
    return inUse ? 1 : 0;
}

void ExportOurs(benchmark::State& state, const Digest& digest, const EVP_MD* md, const std::string& text)
{
    char copy[2 * EVP_MAX_MD_SIZE + 1];
    char* first = CallExport(digest, text.c_str());
    const std::string result = first ? first : "<null>";
    FreeMem();
    if (!Agree(state, result, OpensslHex(md, text.data(), text.size()))) return;
    const double upperYmmInUse = UpperYmmAfterExport(digest, text);
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        char* digestText = CallExport(digest, text.c_str());
        std::strcpy(copy, digestText);
        FreeMem();
        benchmark::DoNotOptimize(copy);
    }
    Report(state, static_cast<uint32_t>(text.size()), allocationCount - before);
    state.counters["upper_ymm_in_use"] = benchmark::Counter(upperYmmInUse);
}

// The engine on the text's bytes, the work the export wraps.
void ExportEngine(benchmark::State& state, const Digest& digest, const std::string& text)
{
    std::string bytes = text;
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        TextUnit* hex = ComputeDigestHex(reinterpret_cast<uint8_t*>(bytes.data()), size, digest.id, digest.bits);
        benchmark::DoNotOptimize(hex);
        ReleaseAllTexts();
    }
    Report(state, size, allocationCount - before);
}

void ExportOpenssl(benchmark::State& state, const EVP_MD* md, const std::string& text)
{
    unsigned char bytes[EVP_MAX_MD_SIZE];
    char hex[2 * EVP_MAX_MD_SIZE + 1];
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        // Same work as the export's caller: the text's length, the digest, its digits.
        const char* input = text.c_str();
        benchmark::DoNotOptimize(input);
        unsigned count = 0;
        EVP_Digest(input, std::strlen(input), bytes, &count, md, nullptr);
        HexEncode(bytes, count, hex);
        benchmark::DoNotOptimize(hex);
    }
    Report(state, static_cast<uint32_t>(text.size()), allocationCount - before);
}

// The Unicode exports (unicode/data and unicode/text) on the text's bytes, the
// result copied and handed back; on Linux cifrado_text takes UTF-8 as it is.
void UnicodeOurs(benchmark::State& state, const Digest& digest, const EVP_MD* md, const std::string& bytes, bool text)
{
    char copy[2 * EVP_MAX_MD_SIZE + 1];
    auto call = [&] {
        return text ? cifrado_text(bytes.c_str(), digest.name) : cifrado_data(bytes.data(), bytes.size(), digest.name);
    };
    char* first = call();
    const std::string result = first ? first : "<null>";
    FreeMem();
    if (!Agree(state, result, OpensslHex(md, bytes.data(), bytes.size()))) return;
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        std::strcpy(copy, call());
        FreeMem();
        benchmark::DoNotOptimize(copy);
    }
    Report(state, static_cast<uint32_t>(bytes.size()), allocationCount - before);
}

// A file in the page cache, and cifrado_data on the same bytes in memory.
constexpr uint64_t CachedFileBytes = uint64_t{256} << 20;

bool cachedFileMade = false;

const std::string& CachedFilePath()
{
    static const std::string path = [] {
        cachedFileMade = true;
        const std::string made = "/tmp/quorvalent-bench-" + std::to_string(getpid());
        const std::string bytes = BenchText(1 << 20, BenchTextKind::Ascii);
        std::ofstream file(made, std::ios::binary);
        for (uint64_t done = 0; done < CachedFileBytes; done += bytes.size()) file.write(bytes.data(), 1 << 20);
        return made;
    }();
    return path;
}

const std::vector<char>& CachedFileBytesInMemory()
{
    static const std::vector<char> bytes = [] {
        std::vector<char> all(CachedFileBytes);
        std::ifstream(CachedFilePath(), std::ios::binary).read(all.data(), static_cast<std::streamsize>(all.size()));
        return all;
    }();
    return bytes;
}

void UnicodeFile(benchmark::State& state, const Digest& digest, bool file)
{
    const std::vector<char>& bytes = CachedFileBytesInMemory();
    char* first = cifrado_file(CachedFilePath().c_str(), digest.name);
    const std::string fromFile = first ? first : "<null>";
    FreeMem();
    char* second = cifrado_data(bytes.data(), bytes.size(), digest.name);
    if (!second || fromFile != second) {
        state.SkipWithError("cifrado_file differs from cifrado_data on the same bytes");
        disagreement = true;
    }
    FreeMem();
    for (auto _ : state) {
        char* result = file ? cifrado_file(CachedFilePath().c_str(), digest.name)
                            : cifrado_data(bytes.data(), bytes.size(), digest.name);
        benchmark::DoNotOptimize(result);
        FreeMem();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(CachedFileBytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

// The peak resident memory while cifrado_file reads a sparse file of 5 GiB,
// above what the process held before: the reader's buffer and nothing that
// grows with the file. The kernel's peak is reset first (clear_refs 5), and
// the C heap gives back its free pages, so the buffer counts even where an
// earlier benchmark's freed memory could hold it.
long StatusKib(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

void UnicodeFileMemory(benchmark::State& state)
{
    const std::string path = "/tmp/quorvalent-bench-sparse-" + std::to_string(getpid());
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool made = descriptor >= 0 && ftruncate(descriptor, off_t{5} << 30) == 0;
    if (descriptor >= 0) close(descriptor);
    if (!made) {
        state.SkipWithError("cannot make the sparse file");
        disagreement = true;
        return;
    }
    double growth = 0;
    for (auto _ : state) {
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKib("VmRSS:");
        char* result = cifrado_file(path.c_str(), "SHA-1");
        benchmark::DoNotOptimize(result);
        FreeMem();
        growth = static_cast<double>(StatusKib("VmHWM:") - before);
    }
    unlink(path.c_str());
    state.counters["peak_growth_kib"] = growth;
}

// The fixed costs around the engine, timed alone: the scratch memory of the
// text's size, and the text step that fills it (for ASCII one copy; otherwise
// read into UTF-16, measured, written back and measured again).
void CostScratch(benchmark::State& state, uint32_t size)
{
    for (auto _ : state) GiveBackScratch(TakeScratch(size + 1).bytes);
    Report(state, size, 0);
}

void CostTexts(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        const ScratchText input = ReadTextIntoScratch(text.c_str());
        benchmark::DoNotOptimize(input.length);
        GiveBackScratch(input.bytes);
        ReleaseAllTexts();
    }
    Report(state, static_cast<uint32_t>(text.size()), 0);
}

// The first form of the table that a processor without the hidden features runs.
template <typename Routine, size_t Count>
void UseFormWithout(uint32_t hidden, const CpuForm<Routine> (&forms)[Count], Routine& slot)
{
    const uint32_t offered = CpuFeatures() & ~hidden;
    for (const CpuForm<Routine>& form : forms) {
        if ((form.needs & offered) != form.needs) continue;
        slot = form.routine;
        return;
    }
}

// --qv_hide=sha,avx2 runs ours on the forms of a processor without those features
// (the masked run, beside libcrypto masked); the forms that ran go into the
// results' context, which bench/bench_report.py shows.
void ChooseForms(int& argc, char** argv)
{
    uint32_t hidden = 0;
    std::string hiddenNames;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--qv_hide=", 0) != 0) continue;
        hiddenNames = argument.substr(10);
        for (const CpuFeatureName& feature : CpuFeatureNames)
            if (("," + hiddenNames + ",").find("," + std::string(feature.name) + ",") != std::string::npos)
                hidden |= feature.feature;
        for (int j = i; j < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    UseFormWithout(hidden, Sha1CompressForms, digestForms.sha1);
    UseFormWithout(hidden, Sha256CompressForms, digestForms.sha256);
    UseFormWithout(hidden, Sha512CompressForms, digestForms.sha512);
    UseFormWithout(hidden, KeccakPermuteForms, digestForms.keccak);
    UseFormWithout(hidden, HexDigitsForms, digestForms.hex);
    UseFormWithout(hidden, ScanTextForms, textPasses.scan);
    UseFormWithout(hidden, CopyAsciiForms, textPasses.copy);
    UseFormWithout(hidden, WidenAsciiForms, textPasses.widen);
    UseFormWithout(hidden, NarrowAsciiForms, textPasses.narrow);
    UseFormWithout(hidden, WidenLatin1Forms, latin1Passes.widen);
    UseFormWithout(hidden, NarrowLatin1Forms, latin1Passes.narrow);
    std::string features;
    for (const CpuFeatureName& feature : CpuFeatureNames)
        if (CpuHas(feature.feature)) features += (features.empty() ? "" : " ") + std::string(feature.name);
    benchmark::AddCustomContext("qv_forms", DigestFormsInUse());
    benchmark::AddCustomContext("qv_hidden", hiddenNames);
    benchmark::AddCustomContext("qv_processor_features", features);
}

// One step of a 16-byte call, alone (bench/call_steps.h).
void Step(benchmark::State& state, const Digest& digest, const CallStep& step)
{
    CallSteps steps(digest.id, digest.bits, digest.bitsText, BenchText(16, BenchTextKind::Ascii));
    if (!steps.Ready()) {
        state.SkipWithError("no plugin");
        disagreement = true;
        return;
    }
    for (auto _ : state) (steps.*step.run)();
    Report(state, 16, 0);
}

void RegisterAll()
{
    // A short call's zero-filled pair through the block heap, beside glibc's own.
    benchmark::RegisterBenchmark("heap/block/-/17", [](benchmark::State& state) {
        for (auto _ : state) FreeBlock(AllocBlock(17));
        Report(state, 17, 0);
    });
    benchmark::RegisterBenchmark("heap/calloc/-/17", [](benchmark::State& state) {
        for (auto _ : state) {
            void* memory = calloc(1, 17);
            benchmark::DoNotOptimize(memory);
            free(memory);
        }
        Report(state, 17, 0);
    });
    benchmark::RegisterBenchmark("heap/malloc/-/17", [](benchmark::State& state) {
        for (auto _ : state) {
            void* memory = malloc(17);
            benchmark::DoNotOptimize(memory);
            free(memory);
        }
        Report(state, 17, 0);
    });
    // The passes of the round trip beside glibc's copy and length.
    for (uint32_t size : {16u, 64u * 1024, 1024u * 1024}) {
        // Kept for the process's lifetime: the passes run after this returns.
        ForEachTextPass(*new TextPassData(size), [&](const char* name, auto pass) {
            benchmark::RegisterBenchmark(("pass/" + std::string(name) + "/-/" + std::to_string(size)).c_str(),
                                         [pass, size](benchmark::State& state) {
                                             for (auto _ : state) pass();
                                             Report(state, size, 0);
                                         });
        });
    }
    // Each form of the DLL's UTF-16 to UTF-8 encoder this processor runs, on a
    // whole text in the DLL's chunks; the bytes are the UTF-8 form's.
    for (const CpuForm<EncodeUtf8Routine>& form : EncodeUtf8Forms) {
        if (!CpuHas(form.needs)) continue;
        for (BenchWideKind kind : {BenchWideKind::Ascii, BenchWideKind::Mixed}) {
            const std::u16string text = BenchWideText(64 * 1024, kind);
            benchmark::RegisterBenchmark(
                ("pass/utf8_" + std::string(form.name) + "/-/65536/" + BenchWideName(kind)).c_str(),
                [text, routine = form.routine](benchmark::State& state) {
                    std::string chunk(TextChunkBytes, '\0');
                    uint32_t bytes = 0;
                    for (auto _ : state) {
                        bytes = 0;
                        for (Utf8Piece piece{text.c_str(), 0, false}; !piece.ended; bytes += piece.bytes) {
                            piece = routine(piece.rest, chunk.data(), TextChunkBytes);
                            KeepWritten(chunk.data());
                        }
                    }
                    Report(state, bytes, 0);
                });
        }
    }
    // Names are tier/implementation/digest/bytes[/text kind]; bench/bench_report.py reads them back.
    for (uint32_t size : TextSizes) {
        benchmark::RegisterBenchmark(("cost/scratch/-/" + std::to_string(size)).c_str(), CostScratch, size);
        for (BenchTextKind kind : TextKinds)
            benchmark::RegisterBenchmark(("cost/texts/-/" + std::to_string(size) + "/" + BenchTextName(kind)).c_str(),
                                         CostTexts, BenchText(size, kind));
    }
    benchmark::RegisterBenchmark("unicode/file_memory/SHA-1/5368709120", UnicodeFileMemory)->Iterations(1);
    for (const Digest& digest : Digests) {
        const EVP_MD* md = Fetch(digest);
        for (uint32_t size : TextSizes) {
            const std::string suffix = std::string(digest.name) + "/" + std::to_string(size) + "/ascii";
            const std::string text = BenchText(size, BenchTextKind::Ascii);
            benchmark::RegisterBenchmark(("unicode/data/" + suffix).c_str(), UnicodeOurs, digest, md, text, false);
            benchmark::RegisterBenchmark(("unicode/text/" + suffix).c_str(), UnicodeOurs, digest, md, text, true);
        }
        const std::string cached = std::string(digest.name) + "/" + std::to_string(CachedFileBytes);
        benchmark::RegisterBenchmark(("unicode/file/" + cached).c_str(), UnicodeFile, digest, true);
        benchmark::RegisterBenchmark(("unicode/data/" + cached).c_str(), UnicodeFile, digest, false);
        for (uint32_t size : MessageSizes) {
            const std::string suffix = std::string(digest.name) + "/" + std::to_string(size);
            benchmark::RegisterBenchmark(("engine/ours/" + suffix).c_str(), EngineOurs, digest, md, size);
            benchmark::RegisterBenchmark(("engine/openssl/" + suffix).c_str(), EngineOpenssl, md, size);
        }
        for (const CallStep& step : CallStepList)
            benchmark::RegisterBenchmark(("step/" + std::string(step.name) + "/" + digest.name + "/16").c_str(), Step,
                                         digest, step);
        for (uint32_t size : TextSizes) {
            for (BenchTextKind kind : TextKinds) {
                const std::string text = BenchText(size, kind);
                const std::string suffix =
                    std::string(digest.name) + "/" + std::to_string(size) + "/" + BenchTextName(kind);
                benchmark::RegisterBenchmark(("export/ours/" + suffix).c_str(), ExportOurs, digest, md, text);
                benchmark::RegisterBenchmark(("export/engine/" + suffix).c_str(), ExportEngine, digest, text);
                benchmark::RegisterBenchmark(("export/openssl/" + suffix).c_str(), ExportOpenssl, md, text);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Linked statically, the benchmark delivers the loader's notifications itself.
    DllMain(nullptr, ProcessAttach, nullptr);
    EnsureMd5Plugin();
    EnsureSha1Plugin();
    EnsureSha2Plugin();
    EnsureSha3Plugin();
    ChooseForms(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (cachedFileMade) unlink(CachedFilePath().c_str());
    DllMain(nullptr, ProcessDetach, nullptr);
    return disagreement ? 1 : 0;
}
