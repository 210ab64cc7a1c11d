// Our digest engine and exports side by side with libcrypto's one-shot EVP_Digest,
// in one binary, so both run on the same machine under the same load.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/hex.h"
#include "boundary/entry.h"
#include "digest/plugin.h"
#include "quorvalent.h"
#include "runtime/text.h"

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

struct Digest {
    const char* name;        // as the report shows it
    const char* opensslName; // for EVP_MD_fetch
    int32_t id;
    int32_t bits;
    const char* bitsText;    // the second argument of cifrado_SHA2 and cifrado_SHA3
};

constexpr Digest Digests[] = {
    {"MD5", "MD5", Md5, 0, nullptr},
    {"SHA-1", "SHA1", Sha1, 0, nullptr},
    {"SHA-224", "SHA224", Sha2, 224, "224"},
    {"SHA-256", "SHA256", Sha2, 256, "256"},
    {"SHA-384", "SHA384", Sha2, 384, "384"},
    {"SHA-512", "SHA512", Sha2, 512, "512"},
    {"SHA3-224", "SHA3-224", Sha3, 224, "224"},
    {"SHA3-256", "SHA3-256", Sha3, 256, "256"},
    {"SHA3-384", "SHA3-384", Sha3, 384, "384"},
    {"SHA3-512", "SHA3-512", Sha3, 512, "512"},
};

constexpr uint32_t MessageSizes[] = {64, 1024, 16 * 1024, 1024 * 1024};
constexpr uint32_t TextSizes[] = {16, 64, 4096};


// One message for every benchmark: printable bytes, so a prefix of it is also a text.
std::vector<char>& Message()
{
    static std::vector<char> message = [] {
        std::vector<char> bytes(1024 * 1024 + 1);
        uint32_t state = 0x2545f491u;
        for (size_t i = 0; i + 1 < bytes.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            bytes[i] = static_cast<char>('!' + (state >> 24) % 94);
        }
        return bytes;
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
    FreeText(text);
    return hex;
}

char* CallExport(const Digest& digest, const char* text)
{
    switch (digest.id) {
    case Md5: return cifrado_md5(text);
    case Sha1: return cifrado_SHA1(text);
    case Sha2: return cifrado_SHA2(text, digest.bitsText);
    default: return cifrado_SHA3(text, digest.bitsText);
    }
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
        FreeText(hex);
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

// Export calls take a zero-terminated text: the message's first size bytes.
std::string Text(uint32_t size) { return std::string(Message().data(), size); }

void ExportOurs(benchmark::State& state, const Digest& digest, const EVP_MD* md, uint32_t size)
{
    const std::string text = Text(size);
    char copy[2 * EVP_MAX_MD_SIZE + 1];
    char* first = CallExport(digest, text.c_str());
    const std::string result = first ? first : "<null>";
    FreeMem();
    if (!Agree(state, result, OpensslHex(md, text.data(), size))) return;
    const unsigned long before = allocationCount;
    for (auto _ : state) {
        char* digestText = CallExport(digest, text.c_str());
        std::strcpy(copy, digestText);
        FreeMem();
        benchmark::DoNotOptimize(copy);
    }
    Report(state, size, allocationCount - before);
}

void ExportOpenssl(benchmark::State& state, const EVP_MD* md, uint32_t size)
{
    const std::string text = Text(size);
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
    Report(state, size, allocationCount - before);
}

void RegisterAll()
{
    // Names are tier/implementation/digest/bytes; tools/bench.sh reads them back.
    for (const Digest& digest : Digests) {
        const EVP_MD* md = Fetch(digest);
        for (uint32_t size : MessageSizes) {
            const std::string suffix = std::string(digest.name) + "/" + std::to_string(size);
            benchmark::RegisterBenchmark(("engine/ours/" + suffix).c_str(), EngineOurs, digest, md, size);
            benchmark::RegisterBenchmark(("engine/openssl/" + suffix).c_str(), EngineOpenssl, md, size);
        }
        for (uint32_t size : TextSizes) {
            const std::string suffix = std::string(digest.name) + "/" + std::to_string(size);
            benchmark::RegisterBenchmark(("export/ours/" + suffix).c_str(), ExportOurs, digest, md, size);
            benchmark::RegisterBenchmark(("export/openssl/" + suffix).c_str(), ExportOpenssl, md, size);
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
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DllMain(nullptr, ProcessDetach, nullptr);
    return disagreement ? 1 : 0;
}
