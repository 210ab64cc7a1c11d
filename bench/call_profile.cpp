// SPDX-License-Identifier: MIT
// A small program for callgrind: one digest's export on a 16-byte ASCII text, and
// libcrypto's one-shot plus hex on the same text, each called COUNT times.
// bench/call_profile.py runs it and sums the inclusive costs per step.
// Usage: call_profile DIGEST COUNT; it prints the forms of the compressions that ran.
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/digests.h"
#include "bench/hex.h"
#include "bench/texts.h"
#include "boundary/entry.h"

// Out of line, so that callgrind reports them as steps of their own.
[[gnu::noinline]] static void ExportCall(const Digest& digest, const char* text, char* copy)
{
    std::strcpy(copy, CallExport(digest, text));
    FreeMem();
}

[[gnu::noinline]] static void OpensslCall(const EVP_MD* md, const char* text, char* hex)
{
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned count = 0;
    EVP_Digest(text, std::strlen(text), bytes, &count, md, nullptr);
    HexEncode(bytes, count, hex);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: call_profile DIGEST COUNT\n");
        return 2;
    }
    const Digest* digest = nullptr;
    for (const Digest& candidate : Digests)
        if (std::strcmp(candidate.name, argv[1]) == 0) digest = &candidate;
    const long count = std::atol(argv[2]);
    if (!digest || count < 1) {
        std::fprintf(stderr, "call_profile: unknown digest %s or bad count\n", argv[1]);
        return 2;
    }
    EVP_MD* md = EVP_MD_fetch(nullptr, digest->opensslName, nullptr);
    if (!md) return 1;
    DllMain(nullptr, ProcessAttach, nullptr);
    const std::string text = BenchText(16, BenchTextKind::Ascii);
    char ours[129];
    char theirs[129];
    // The first calls register the plugin and warm the heaps; both sides run them.
    ExportCall(*digest, text.c_str(), ours);
    OpensslCall(md, text.c_str(), theirs);
    for (long i = 0; i < count; ++i) {
        ExportCall(*digest, text.c_str(), ours);
        OpensslCall(md, text.c_str(), theirs);
    }
    DllMain(nullptr, ProcessDetach, nullptr);
    EVP_MD_free(md);
    if (std::strcmp(ours, theirs) != 0) {
        std::fprintf(stderr, "call_profile: %s differs from libcrypto\n", digest->name);
        return 1;
    }
    // The forms that ran: under callgrind, those of the processor valgrind presents.
    std::printf("forms: %s\n", DigestFormsInUse().c_str());
    return 0;
}
