// The real quorvalent.dll, loaded by name, timed against the platform's own
// hashing (BCryptHash from bcrypt.dll) with the caller's hexadecimal encoding.
// Usage: windows_bench [--iterations N] [--repetitions R] [--min-ms M]
// Prints one line per measurement: tier implementation digest bytes ns_per_call.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/hex.h"
#include "quorvalent.h"

namespace {

struct Exports {
    QuorvalentFreeMem freeMem;
    QuorvalentDigest md5;
    QuorvalentDigest sha1;
    QuorvalentSizedDigest sha2;
};

struct Digest {
    const char* name;
    const wchar_t* bcryptName;
    ULONG bytes;
    const char* bitsText;  // null for the one-argument exports
};

const Digest Digests[] = {
    {"MD5", BCRYPT_MD5_ALGORITHM, 16, nullptr},
    {"SHA-1", BCRYPT_SHA1_ALGORITHM, 20, nullptr},
    {"SHA-256", BCRYPT_SHA256_ALGORITHM, 32, "256"},
    {"SHA-384", BCRYPT_SHA384_ALGORITHM, 48, "384"},
    {"SHA-512", BCRYPT_SHA512_ALGORITHM, 64, "512"},
};

const DWORD TextSizes[] = {16, 64 * 1024};

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
    if (digest.bitsText) return exports.sha2(text, digest.bitsText);
    return digest.bytes == 16 ? exports.md5(text) : exports.sha1(text);
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
    long iterations;     // fixed when nonzero, otherwise grown until a repetition lasts minSeconds
    int repetitions;
    double minSeconds;
};

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
    Timing timing{0, 7, 0.05};
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
        } else {
            Fail("unknown argument " + argument);
        }
    }
    if (timing.repetitions < 1 || timing.iterations < 0) Fail("iterations and repetitions must be positive");
    return timing;
}

}  // namespace

int main(int argc, char** argv)
{
    const Timing timing = ParseArguments(argc, argv);
    HMODULE module = LoadLibraryA("quorvalent.dll");
    if (!module) Fail("cannot load quorvalent.dll (error " + std::to_string(GetLastError()) + ")");
    const Exports exports = {
        Resolve<QuorvalentFreeMem>(module, "FreeMem"),
        Resolve<QuorvalentDigest>(module, "cifrado_md5"),
        Resolve<QuorvalentDigest>(module, "cifrado_SHA1"),
        Resolve<QuorvalentSizedDigest>(module, "cifrado_SHA2"),
    };

    // Printable bytes: every prefix is a text the export takes whole.
    std::string message(64 * 1024, ' ');
    unsigned state = 0x2545f491u;
    for (char& unit : message) {
        state = state * 1664525u + 1013904223u;
        unit = static_cast<char>('!' + (state >> 24) % 94);
    }

    for (const Digest& digest : Digests) {
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        // The caller opens the provider once and keeps it, the cheap way to use bcrypt.
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, digest.bcryptName, nullptr, 0)))
            Fail(std::string("bcrypt.dll has no ") + digest.name);
        for (DWORD size : TextSizes) {
            const std::string text = message.substr(0, size);
            char reference[129];
            char copy[129];
            BcryptHex(algorithm, digest, text.c_str(), reference);
            char* first = CallExport(exports, digest, text.c_str());
            const std::string ours = first ? first : "<null>";
            exports.freeMem();
            if (ours != reference) Fail(std::string(digest.name) + " differs from bcrypt: " + ours + " vs " + reference);

            const double oursNs = MedianNanoseconds(timing, [&] {
                char* result = CallExport(exports, digest, text.c_str());
                std::strcpy(copy, result);
                exports.freeMem();
            });
            const double bcryptNs = MedianNanoseconds(timing, [&] { BcryptHex(algorithm, digest, text.c_str(), copy); });
            std::printf("windows ours %s %lu %.1f\n", digest.name, size, oursNs);
            std::printf("windows bcrypt %s %lu %.1f\n", digest.name, size, bcryptNs);
            std::fflush(stdout);
        }
        BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    FreeLibrary(module);
    return 0;
}
