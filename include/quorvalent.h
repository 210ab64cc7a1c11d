/* SPDX-License-Identifier: MIT */
/* quorvalent: lowercase hexadecimal MD5, SHA-1, SHA-2 and SHA-3 digests and
 * ROT13 of zero-terminated texts in the system's ANSI code page. */
#ifndef QUORVALENT_H
#define QUORVALENT_H

/* The version of this header and of the library it came with. Literal numbers,
 * so the header ships exactly as it stands here; CMake refuses to configure
 * when they differ from the project's version. */
#define QUORVALENT_VERSION_MAJOR 1
#define QUORVALENT_VERSION_MINOR 0
#define QUORVALENT_VERSION_PATCH 0

/* Every export is a standard call on 32-bit Windows: the callee removes its
 * arguments. Other platforms have a single calling convention. */
#if defined(_WIN32) && !defined(_WIN64)
#define QUORVALENT_CALL __stdcall
#else
#define QUORVALENT_CALL
#endif

#if !defined(_WIN32) && defined(__GNUC__)
#define QUORVALENT_API __attribute__((visibility("default")))
#else
#define QUORVALENT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Ownership: every result belongs to the library and stays valid until
 * FreeMem. Copy it, then call FreeMem before the next call: the library
 * remembers one result at a time, and a result not handed back stays
 * allocated until the library is unloaded.
 *
 * Threads: calls must not overlap, FreeMem included. Overlapping calls
 * corrupt the library's heaps, so callers on several threads serialise them.
 *
 * Texts are read, and results written, in the system's ANSI code page. A
 * digest is that of the text after the round trip ANSI -> UTF-16 -> ANSI, so
 * an invalid double-byte sequence is replaced as the platform replaces it and
 * two byte strings can give one digest: in code page 932 the bytes
 * 61 62 81 20 63 64 and 61 62 81 45 63 64 both read as "ab", U+30FB, "cd".
 *
 * Null: the library has no heaps, a text or bits text is longer than
 * 2147483646 bytes (2 GiB - 2) or cannot be read into memory, the result block
 * cannot be allocated, or (ROT13) its output cannot. A null result hands
 * nothing out: the FreeMem after it releases nothing, and a result kept from an
 * earlier call stays. Empty text "": an empty or null text, a refused bit
 * length, or no memory for a digest's scratch copy, context or digits (digest
 * exports); an empty text (ROT13). */

/* Releases the last result; always 0. A second call releases nothing. */
QUORVALENT_API int QUORVALENT_CALL FreeMem(void);

/* The SHA-1 digest of text as 40 hexadecimal digits; an empty text gives "". */
QUORVALENT_API char* QUORVALENT_CALL cifrado_SHA1(const char* text);

/* SHA-224/256/384/512 of text, chosen by the number in bits ("256", "$100",
 * "%100000000"). Only its low 32 bits count; a text without a number, and one
 * whose low 32 bits are 0 ("0", "-0", "4294967296"), mean 256. Other lengths
 * give "". */
QUORVALENT_API char* QUORVALENT_CALL cifrado_SHA2(const char* text, const char* bits);

/* SHA3-224/256/384/512 of text, with bits read as for cifrado_SHA2. */
QUORVALENT_API char* QUORVALENT_CALL cifrado_SHA3(const char* text, const char* bits);

/* The MD5 digest of text as 32 hexadecimal digits; an empty text gives "". */
QUORVALENT_API char* QUORVALENT_CALL cifrado_md5(const char* text);

/* text with the letters A-Z and a-z rotated by 13; second is never read. */
QUORVALENT_API char* QUORVALENT_CALL text_rot13(const char* text, const void* second);

/* Pointer types for callers that resolve the exports with GetProcAddress. */
typedef int(QUORVALENT_CALL* QuorvalentFreeMem)(void);
typedef char*(QUORVALENT_CALL* QuorvalentDigest)(const char* text);
typedef char*(QUORVALENT_CALL* QuorvalentSizedDigest)(const char* text, const char* bits);
typedef char*(QUORVALENT_CALL* QuorvalentRot13)(const char* text, const void* second);

#ifdef __cplusplus
}
#endif

#endif /* QUORVALENT_H */
