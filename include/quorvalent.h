/* SPDX-License-Identifier: MIT */
/* quorvalent: lowercase hexadecimal MD5, SHA-1, SHA-2 and SHA-3 digests of
 * texts, bytes and files, and ROT13 of zero-terminated texts. */
#ifndef QUORVALENT_H
#define QUORVALENT_H

/* The version of this header and of the library it came with. Literal numbers,
 * so the header ships exactly as it stands here; CMake refuses to configure
 * when they differ from the project's version. */
#define QUORVALENT_VERSION_MAJOR 1
#define QUORVALENT_VERSION_MINOR 1
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

#include <stddef.h>

/* The character of the Unicode exports' texts: UTF-16 on Windows (wchar_t),
 * UTF-8 bytes elsewhere (char). */
#if defined(_WIN32)
typedef wchar_t QuorvalentChar;
#else
typedef char QuorvalentChar;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Which export to use:
 * - cifrado_text: the digest of a Unicode text's UTF-8 form, the one PHP,
 *   Python, JavaScript and online tools give for the same string.
 * - cifrado_data: the digest of bytes, zero bytes included.
 * - cifrado_file: the digest of a file's bytes.
 * - cifrado_md5, cifrado_SHA1, cifrado_SHA2, cifrado_SHA3: the digest of a text
 *   in the system's ANSI code page, where a character the code page lacks
 *   becomes "?" before it is hashed, and an empty text gives "".
 *
 * Ownership: every result belongs to the library and stays valid until
 * FreeMem. Copy it, then call FreeMem before the next call: the library
 * remembers one result at a time, and a result not handed back stays
 * allocated until the library is unloaded.
 *
 * Threads: calls must not overlap, FreeMem included. Overlapping calls
 * corrupt the library's heaps, so callers on several threads serialise them.
 *
 * The ANSI exports read texts, and write results, in the system's ANSI code
 * page. A digest is that of the text after the round trip ANSI -> UTF-16 -> ANSI, so
 * an invalid double-byte sequence is replaced as the platform replaces it and
 * two byte strings can give one digest: in code page 932 the bytes
 * 61 62 81 20 63 64 and 61 62 81 45 63 64 both read as "ab", U+30FB, "cd".
 *
 * Null from the ANSI exports: the library has no heaps, a text or bits text is longer than
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

/* The Unicode exports. algorithm names the digest, in any ASCII case: "MD5";
 * "SHA1", "SHA-1"; "SHA224", "SHA-224", "SHA2-224" and the same for 256, 384 and
 * 512; "SHA3-224", "SHA3_224" and the same for 256, 384 and 512. The result is
 * lowercase hexadecimal digits, a QuorvalentChar text owned by the library until
 * FreeMem, as for every export; the empty message gives its true digest (MD5
 * d41d8cd98f00b204e9800998ecf8427e).
 *
 * Errors: null, with the reason in GetLastError() on Windows and in errno
 * elsewhere: ERROR_INVALID_PARAMETER / EINVAL for an unknown algorithm name, a
 * null text, path or algorithm, or null data with a nonzero length;
 * ERROR_NOT_ENOUGH_MEMORY / ENOMEM when memory runs out; for a file, the error
 * of the open or read that failed (ERROR_FILE_NOT_FOUND / ENOENT, a folder
 * ERROR_ACCESS_DENIED / EISDIR, ERROR_SHARING_VIOLATION, ...), and
 * ERROR_BAD_FILE_TYPE / EINVAL for what is not a regular file (a device such as
 * NUL, CON or /dev/zero, a pipe, a FIFO), which is refused without being read.
 * A null result hands nothing out, as for every export. Read the error at once:
 * any later call into a DLL, FreeMem included, may change it.
 *
 * Other languages hand these exports their own UTF-16 strings as they hold
 * them: CharSet.Unicode with SetLastError = true in .NET, StrPtr and
 * Err.LastDllError in VBA, c_wchar_p with use_last_error in Python's ctypes,
 * PWideChar in Delphi, w and ?e in NSIS, WStr and A_LastError in AutoHotkey,
 * wstr in AutoIt, String and DLLGetLastError in Inno Setup. The release zip's
 * README.txt shows each, and its bindings folder holds wrappers for Python, C#,
 * Pascal and VBA (text, data and file) that raise the language's own error. */

/* The digest of text's UTF-8 form. On Windows text is UTF-16, and each
 * unpaired surrogate becomes U+FFFD (EF BF BD), as Windows' own conversion and
 * the web's TextEncoder make it; elsewhere text's bytes are hashed as they are.
 * The text is converted and hashed in pieces: memory does not grow with it. */
QUORVALENT_API QuorvalentChar* QUORVALENT_CALL cifrado_text(const QuorvalentChar* text,
                                                            const QuorvalentChar* algorithm);

/* The digest of exactly length bytes at data, zero bytes included. */
QUORVALENT_API QuorvalentChar* QUORVALENT_CALL cifrado_data(const void* data, size_t length,
                                                            const QuorvalentChar* algorithm);

/* The digest of a regular file's bytes, read in pieces of at most 1 MiB, so
 * memory stays the same for a file of any size. The file is opened for reading
 * and shared for reading, writing and deleting, so a file another program holds
 * open can be hashed. On Windows any Unicode name works, and so do long paths
 * that start with \\?\ . A read that fails part-way gives null, never a digest of part of it. */
QUORVALENT_API QuorvalentChar* QUORVALENT_CALL cifrado_file(const QuorvalentChar* path,
                                                            const QuorvalentChar* algorithm);

/* Pointer types for callers that resolve the exports with GetProcAddress. */
typedef int(QUORVALENT_CALL* QuorvalentFreeMem)(void);
typedef char*(QUORVALENT_CALL* QuorvalentDigest)(const char* text);
typedef char*(QUORVALENT_CALL* QuorvalentSizedDigest)(const char* text, const char* bits);
typedef char*(QUORVALENT_CALL* QuorvalentRot13)(const char* text, const void* second);
typedef QuorvalentChar*(QUORVALENT_CALL* QuorvalentTextDigest)(const QuorvalentChar* text,
                                                               const QuorvalentChar* algorithm);
typedef QuorvalentChar*(QUORVALENT_CALL* QuorvalentDataDigest)(const void* data, size_t length,
                                                               const QuorvalentChar* algorithm);
typedef QuorvalentChar*(QUORVALENT_CALL* QuorvalentFileDigest)(const QuorvalentChar* path,
                                                               const QuorvalentChar* algorithm);

#ifdef __cplusplus
}
#endif

#endif /* QUORVALENT_H */
