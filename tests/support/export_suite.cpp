// SPDX-License-Identifier: MIT
// Digest and ROT13 exports checked through whatever Exports() resolves to.
#include "tests/support/export_suite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "long_text_digests.h"
#include "tests/support/long_texts.h"
#include "tests/support/memory_shortage.h"
#include "tests/support/unicode_texts.h"
#include "tests/support/vectors.h"
#include "tests/support/ymm_state.h"

std::string CallDigest(int32_t id, const char* text, const char* bits)
{
    const ExportTable& exports = Exports();
    return TakeResult(CallExport(exports, id, text, bits), exports.freeMem);
}

TEST(DigestExports, AbcGivesThePublishedDigests)
{
    for (const DigestFunction& function : DigestFunctions)
        EXPECT_EQ(CallDigest(function, "abc"), function.abc) << function.name;
}

TEST(DigestExports, AnEmptyOrNullTextGivesAnEmptyResult)
{
    for (const DigestFunction& function : DigestFunctions) {
        EXPECT_EQ(CallDigest(function, ""), "") << function.name;
        EXPECT_EQ(CallDigest(function, nullptr), "") << function.name;
    }
    for (const char* bits : {"256", "100", "", "abc"}) {
        EXPECT_EQ(CallDigest(Sha2, "", bits), "") << bits;
        EXPECT_EQ(CallDigest(Sha3, "", bits), "") << bits;
    }
}

TEST(DigestExports, BitsTextsSelectTheLength)
{
    struct Row {
        const char* bits;
        int function;
    };  // index into DigestFunctions for SHA-2; -1: refused
    // Every number whose low 32 bits are 0 ("$0", "-0", "4294967296") reads as 0, and so as 256.
    const Row rows[] = {
        {"224", 2},  {"256", 3},  {"384", 4},  {"512", 5},   {"0256", 3},       {"  $100", 3},     {"256xyz", 3},
        {"0", 3},    {"", 3},     {"abc", 3},  {nullptr, 3}, {"4294967808", 5}, {"4294967552", 3}, {"%100000000", 3},
        {"$200", 5}, {"100", -1}, {"160", -1}, {"1024", -1}, {"-256", -1},      {"128", -1},       {"225", -1},
        {"$0", 3},   {"%0", 3},   {"-0", 3},   {"+0", 3},    {"-$0", 3},        {"4294967296", 3}, {"\t0", 3},
    };
    for (const Row& row : rows) {
        const char* bits = row.bits ? row.bits : "(null)";
        const std::string sha2 = row.function < 0 ? "" : DigestFunctions[row.function].abc;
        const std::string sha3 = row.function < 0 ? "" : DigestFunctions[row.function + 4].abc;
        EXPECT_EQ(CallDigest(Sha2, "abc", row.bits), sha2) << "SHA-2 bits " << bits;
        EXPECT_EQ(CallDigest(Sha3, "abc", row.bits), sha3) << "SHA-3 bits " << bits;
    }
}

TEST(DigestExports, ZeroFreeShortMessagesAsTexts)
{
    for (const DigestFunction& function : DigestFunctions) {
        VectorFile file;
        std::string error;
        ASSERT_TRUE(ReadVectorFile(function.shortVectors, file, error)) << error;
        int checked = 0;
        for (const VectorRecord& record : file.records) {
            // A text cannot carry a zero byte, and the empty text has a result of its own.
            if (record.message.empty() || std::count(record.message.begin(), record.message.end(), 0)) continue;
            const std::string text(record.message.begin(), record.message.end());
            EXPECT_EQ(CallDigest(function, text.c_str()), ToHex(record.digest))
                << function.name << " " << function.shortVectors << ":" << record.line;
            ++checked;
        }
        EXPECT_GT(checked, 0) << function.shortVectors;
    }
}

TEST(DigestExports, LongTextsAndHighBytesMatchAnOutsideReference)
{
    const std::string texts[] = {PatternText(4998), PatternText(4999),         PatternText(5000), PatternText(5001),
                                 PatternText(5002), std::string(1000000, 'a'), HighBytesText()};
    static_assert(std::size(texts) == std::size(ExpectedLongTexts));
    for (size_t t = 0; t < std::size(texts); ++t)
        for (size_t f = 0; f < std::size(DigestFunctions); ++f)
            EXPECT_EQ(CallDigest(DigestFunctions[f], texts[t].c_str()), ExpectedLongTexts[t].digests[f])
                << DigestFunctions[f].name << ", " << ExpectedLongTexts[t].name;
}

TEST(DigestExports, TextsAtEveryBlockBoundaryMatchAnOutsideReference)
{
    for (const ExpectedPatternText& expected : ExpectedPatternTexts) {
        const std::string text = PatternText(expected.length);
        for (size_t f = 0; f < std::size(DigestFunctions); ++f) {
            // The empty text has a result of its own: the empty text.
            const std::string digest = expected.length == 0 ? "" : expected.digests[f];
            EXPECT_EQ(CallDigest(DigestFunctions[f], text.c_str()), digest)
                << DigestFunctions[f].name << ", pattern text of " << expected.length << " bytes";
        }
    }
}

TEST(Rot13Export, TwiceGivesBackTheText)
{
    const ExportTable& exports = Exports();
    const std::string text = PatternText(600);
    char* once = exports.rot13(text.c_str(), nullptr);
    ASSERT_NE(once, nullptr);
    const std::string rotated = once;
    exports.freeMem();
    char* twice = exports.rot13(rotated.c_str(), nullptr);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(std::string(twice), text);
    exports.freeMem();
}

namespace {

// The calls that return null when a text cannot be read or a result cannot be
// made; text is the argument that may be unreadable.
struct NullableCall {
    const char* name;
    char* (*call)(const ExportTable& exports, const char* text);
};
const NullableCall NullableCalls[] = {
    {"MD5", [](const ExportTable& exports, const char* text) { return exports.md5(text); }},
    {"SHA-1", [](const ExportTable& exports, const char* text) { return exports.sha1(text); }},
    {"SHA-256", [](const ExportTable& exports, const char* text) { return exports.sha2(text, "256"); }},
    {"SHA3-256", [](const ExportTable& exports, const char* text) { return exports.sha3(text, "256"); }},
    {"SHA-2 bits text", [](const ExportTable& exports, const char* text) { return exports.sha2("abc", text); }},
    {"SHA-3 bits text", [](const ExportTable& exports, const char* text) { return exports.sha3("abc", text); }},
    {"ROT13", [](const ExportTable& exports, const char* text) { return exports.rot13(text, nullptr); }},
};

// A result the caller keeps without FreeMem, as the README allows: a null result
// right after it, and the FreeMem after that, must leave it allocated and
// unchanged. It stays allocated until the library is unloaded.
class KeptResult {
public:
    KeptResult() : block(Exports().md5("abc")), busyBlocks(LibraryBusyBlocks()) {}
    void ExpectIntact(const std::string& after) const
    {
        ASSERT_NE(block, nullptr);
        EXPECT_STREQ(block, DigestFunctions[0].abc) << after;
        EXPECT_EQ(LibraryBusyBlocks(), busyBlocks) << after << ": the kept block was released";
    }

private:
    const char* block;
    int busyBlocks;
};

}  // namespace

#if UINTPTR_MAX > 0xFFFFFFFFu
// The longest text is 2 GiB - 2 bytes (its bytes and a zero byte fill the
// largest memory block); one byte more is refused whatever memory there is.
// Only a 64-bit program holds such a text beside the library with ease.
TEST(NullResults, ATextPastTheLongestIsRefusedAndLeavesAKeptResultAlone)
{
    const ExportTable& exports = Exports();
    const std::string text(size_t{INT32_MAX}, 'a');
    for (const NullableCall& call : NullableCalls) {
        const KeptResult kept;
        EXPECT_EQ(call.call(exports, text.c_str()), nullptr) << call.name;
        exports.freeMem();
        kept.ExpectIntact(call.name);
    }
}
#endif

namespace {

using CallerString = std::basic_string<QuorvalentChar>;

CallerString Caller(const std::string& ascii) { return CallerString(ascii.begin(), ascii.end()); }

// The text as the platform's callers hold it: UTF-16 on Windows, UTF-8 elsewhere.
CallerString CallerTextOf(const UnicodeText& text)
{
#if defined(_WIN32)
    const std::u16string units = UnitsOf(text);
    return CallerString(units.begin(), units.end());
#else
    return Utf8Of(text);
#endif
}

// The errors the Unicode exports report, the platform's way.
#if defined(_WIN32)
constexpr int InvalidParameter = ERROR_INVALID_PARAMETER;
constexpr int NotEnoughMemory = ERROR_NOT_ENOUGH_MEMORY;
constexpr int NotFound = ERROR_FILE_NOT_FOUND;
constexpr int FolderNotFound = ERROR_PATH_NOT_FOUND;
constexpr int AFolder = ERROR_ACCESS_DENIED;
constexpr int BadFileType = ERROR_BAD_FILE_TYPE;
int LastError() { return static_cast<int>(GetLastError()); }
#else
constexpr int InvalidParameter = EINVAL;
constexpr int NotEnoughMemory = ENOMEM;
constexpr int NotFound = ENOENT;
constexpr int FolderNotFound = ENOENT;
constexpr int AFolder = EISDIR;
constexpr int BadFileType = EINVAL;
int LastError() { return errno; }
#endif

// A Unicode export's outcome: its digits, copied before FreeMem, or "<null>"
// and the error it reported.
struct Outcome {
    std::string digits;
    int error;
};

Outcome Take(QuorvalentChar* result)
{
    Outcome outcome{"<null>", result ? 0 : LastError()};
    if (result) {
        outcome.digits.clear();
        for (const QuorvalentChar* digit = result; *digit; ++digit) outcome.digits += static_cast<char>(*digit);
    }
    Exports().freeMem();
    return outcome;
}

Outcome HashText(const CallerString& text, const char* algorithm)
{
    return Take(Exports().text(text.c_str(), Caller(algorithm).c_str()));
}

Outcome HashData(const std::string& bytes, const char* algorithm)
{
    return Take(Exports().data(bytes.data(), bytes.size(), Caller(algorithm).c_str()));
}

}  // namespace

TEST(UnicodeExports, TextsInEveryScriptMatchAnOutsideReference)
{
    for (const UnicodeText& row : UnicodeTexts) {
        const CallerString text = CallerTextOf(row);
        for (size_t f = 0; f < std::size(DigestFunctions); ++f)
            EXPECT_EQ(HashText(text, DigestFunctions[f].name).digits, row.digests[f])
                << DigestFunctions[f].name << ", " << row.name;
    }
}

TEST(UnicodeExports, BytesWithZerosAtEveryLengthMatchAnOutsideReference)
{
    for (const ExpectedZeroPattern& expected : ExpectedZeroPatterns) {
        const std::string bytes = ZeroPattern(expected.length);
        for (size_t f = 0; f < std::size(DigestFunctions); ++f)
            EXPECT_EQ(HashData(bytes, DigestFunctions[f].name).digits, expected.digests[f])
                << DigestFunctions[f].name << ", " << expected.length << " bytes";
    }
}

TEST(UnicodeExports, TakeEveryAcceptedSpellingInAnyCaseAndNoOther)
{
    struct Row {
        const char* spelling;
        int function;  // index into DigestFunctions; -1: refused
    };
    const Row rows[] = {
        {"MD5", 0},        {"md5", 0},         {"SHA1", 1},         {"sha-1", 1},          {"SHA224", 2},
        {"Sha-224", 2},    {"sHA2-224", 2},    {"SHA256", 3},       {"sha-256", 3},        {"SHA2-256", 3},
        {"sha384", 4},     {"SHA-384", 4},     {"sha2-384", 4},     {"SHA512", 5},         {"Sha-512", 5},
        {"SHA2-512", 5},   {"SHA3-224", 6},    {"sha3_224", 6},     {"Sha3-256", 7},       {"SHA3_256", 7},
        {"sha3-384", 8},   {"SHA3_384", 8},    {"SHA3-512", 9},     {"sha3_512", 9},       {"", -1},
        {"SHA", -1},       {"SHA2", -1},       {"SHA3", -1},        {"SHA-2", -1},         {"SHA 256", -1},
        {" SHA256", -1},   {"SHA256 ", -1},    {"SHA-256\t", -1},   {"SHA_256", -1},       {"SHA2_256", -1},
        {"SHA-3-256", -1}, {"SHA3256", -1},    {"SHA3-2566", -1},   {"SHA2-1", -1},        {"SHA3-1", -1},
        {"SHA-160", -1},   {"SHA512/256", -1}, {"SHA-512/224", -1}, {"KECCAK-256", -1},    {"MD-5", -1},
        {"MD4", -1},       {"SHA2-2560", -1},  {"SHA2-512x", -1},   {"\xc5\xbfHA256", -1}, {"SHA-256\xc2\xa0", -1},
    };
    for (const Row& row : rows) {
        // Non-ASCII spellings reach the Windows exports as their UTF-16 units.
        const std::string spelling = row.spelling;
        CallerString name(spelling.begin(), spelling.end());
#if defined(_WIN32)
        name.assign(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, row.spelling, -1, nullptr, 0)), 0);
        MultiByteToWideChar(CP_UTF8, 0, row.spelling, -1, name.data(), static_cast<int>(name.size()));
        name.pop_back();
#endif
        const Outcome outcome = Take(Exports().data("abc", 3, name.c_str()));
        if (row.function >= 0) {
            EXPECT_EQ(outcome.digits, DigestFunctions[row.function].abc) << "'" << row.spelling << "'";
        } else {
            EXPECT_EQ(outcome.digits, "<null>") << "'" << row.spelling << "'";
            EXPECT_EQ(outcome.error, InvalidParameter) << "'" << row.spelling << "'";
        }
    }
}

// Refused calls return null with their error, and like every null result leave
// a result the caller kept alone; the empty message is hashed, not refused.
TEST(UnicodeExports, RefusedArgumentsGiveNullWithTheirErrorAndKeepAnEarlierResult)
{
    const ExportTable& exports = Exports();
    const CallerString md5 = Caller("MD5"), unknown = Caller("SHA-999"), empty = Caller(""), path = Caller("x");
    struct Row {
        const char* why;
        std::function<QuorvalentChar*()> call;
    };
    const Row rows[] = {
        {"null text", [&] { return exports.text(nullptr, md5.c_str()); }},
        {"null algorithm for a text", [&] { return exports.text(empty.c_str(), nullptr); }},
        {"unknown algorithm for a text", [&] { return exports.text(empty.c_str(), unknown.c_str()); }},
        {"null data of 5 bytes", [&] { return exports.data(nullptr, 5, md5.c_str()); }},
        {"null algorithm for data", [&] { return exports.data("abc", 3, nullptr); }},
        {"null path", [&] { return exports.file(nullptr, md5.c_str()); }},
        {"null algorithm for a file", [&] { return exports.file(path.c_str(), nullptr); }},
        {"unknown algorithm for a file", [&] { return exports.file(path.c_str(), unknown.c_str()); }},
    };
    for (const Row& row : rows) {
        const KeptResult kept;
        const Outcome outcome = Take(row.call());
        EXPECT_EQ(outcome.digits, "<null>") << row.why;
        EXPECT_EQ(outcome.error, InvalidParameter) << row.why;
        kept.ExpectIntact(row.why);
    }
    const std::string emptyMd5 = "d41d8cd98f00b204e9800998ecf8427e";
    EXPECT_EQ(Take(exports.text(empty.c_str(), md5.c_str())).digits, emptyMd5) << "the empty text";
    EXPECT_EQ(Take(exports.data(nullptr, 0, md5.c_str())).digits, emptyMd5) << "null data of no bytes";
    EXPECT_EQ(Take(exports.data("", 0, md5.c_str())).digits, emptyMd5) << "no bytes";
}

namespace {

namespace fs = std::filesystem;

// Windows reaches a path past MAX_PATH through the \\?\ prefix, which takes an absolute path.
fs::path LongPath(const fs::path& path)
{
#if defined(_WIN32)
    return fs::path(L"\\\\?\\" + fs::absolute(path).native());
#else
    return path;
#endif
}

// A folder of its own for one test's files, removed at its end.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* name)
        : path(fs::temp_directory_path() / (std::string("quorvalent-") + name + "-" + std::to_string(ProcessId())))
    {
        std::error_code ignored;
        fs::remove_all(LongPath(path), ignored);
        fs::create_directories(path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(LongPath(path), ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    static unsigned long ProcessId()
    {
#if defined(_WIN32)
        return GetCurrentProcessId();
#else
        return static_cast<unsigned long>(getpid());
#endif
    }
    const fs::path path;
};

// Written through the platform's own calls, which take long paths too.
fs::path Write(const fs::path& path, const std::string& bytes)
{
#if defined(_WIN32)
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
#else
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
#endif
    return path;
}

CallerString Native(const fs::path& path) { return path.native(); }

// What a row of the file table hashes: a path, with whatever it keeps open
// until the call is made (a handle, a pipe's server end).
struct MadeFile {
    CallerString path;
    std::function<void()> release = [] {};
};

struct FileRow {
    const char* why;
    std::function<MadeFile(const fs::path& folder)> make;
    long long bytes;  // the ZeroPattern length whose digest it gives; -1 for an error
    int error;
    int orError = -1;  // where the platform may report another error instead
};

MadeFile PatternFile(const fs::path& path, size_t length) { return {Native(Write(path, ZeroPattern(length)))}; }

// Another handle that writes to the file, open until the returned call.
std::function<void()> HoldOpenForWriting(const fs::path& path)
{
#if defined(_WIN32)
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    return [handle] { CloseHandle(handle); };
#else
    const int descriptor = open(path.c_str(), O_WRONLY);
    return [descriptor] { close(descriptor); };
#endif
}

#if defined(_WIN32)
// A pipe's server end, waiting for a client, so that opening the name succeeds.
MadeFile NamedPipe()
{
    const std::wstring name = L"\\\\.\\pipe\\quorvalent-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    return {name, [server] { CloseHandle(server); }};
}
#endif

}  // namespace

TEST(UnicodeExports, FilesAreHashedWholeAndWhatIsNoFileIsRefusedAtOnce)
{
    const ScratchFolder folder("files");
    const size_t chunk = size_t{1} << 20;
    const FileRow rows[] = {
        {"empty", [](const fs::path& at) { return PatternFile(at / "empty", 0); }, 0, 0},
        {"one byte", [](const fs::path& at) { return PatternFile(at / "one", 1); }, 1, 0},
        {"300 bytes", [](const fs::path& at) { return PatternFile(at / "short", 300); }, 300, 0},
        {"a byte short of the chunk", [&](const fs::path& at) { return PatternFile(at / "a", chunk - 1); },
         static_cast<long long>(chunk - 1), 0},
        {"the chunk", [&](const fs::path& at) { return PatternFile(at / "b", chunk); }, static_cast<long long>(chunk),
         0},
        {"a byte past the chunk", [&](const fs::path& at) { return PatternFile(at / "c", chunk + 1); },
         static_cast<long long>(chunk + 1), 0},
        {"a Unicode name",
         [](const fs::path& at) {
             return PatternFile(at / fs::path(u8"Gr\u00fc\u00dfe \u4e16\u754c \U0001F600.bin"), 299);
         },
         299, 0},
        {"a path of 300 characters",
         [](const fs::path& at) {
             CallerString deep = LongPath(at).native();
             for (int level = 0; level < 6; ++level) {
                 deep += CallerString(1, fs::path::preferred_separator) + CallerString(50, 'a' + level);
#if defined(_WIN32)
                 CreateDirectoryW(deep.c_str(), nullptr);
#else
                 mkdir(deep.c_str(), 0700);
#endif
             }
             return PatternFile(deep + CallerString(1, fs::path::preferred_separator) + Caller("file"), 64);
         },
         64, 0},
        {"open for writing by another handle",
         [](const fs::path& at) {
             const fs::path path = Write(at / "held", ZeroPattern(200));
             return MadeFile{Native(path), HoldOpenForWriting(path)};
         },
         200, 0},
        {"missing", [](const fs::path& at) { return MadeFile{Native(at / "missing")}; }, -1, NotFound},
        {"in a missing folder", [](const fs::path& at) { return MadeFile{Native(at / "none" / "file")}; }, -1,
         FolderNotFound},
        {"a folder", [](const fs::path& at) { return MadeFile{Native(at)}; }, -1, AFolder},
#if defined(_WIN32)
        {"the device NUL", [](const fs::path&) { return MadeFile{L"NUL"}; }, -1, BadFileType},
        // A process without a console cannot open CON at all.
        {"the console CON", [](const fs::path&) { return MadeFile{L"CON"}; }, -1, BadFileType, ERROR_INVALID_HANDLE},
        {"a named pipe", [](const fs::path&) { return NamedPipe(); }, -1, BadFileType},
        {"opened elsewhere without sharing",
         [](const fs::path& at) {
             const fs::path path = Write(at / "exclusive", "x");
             HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             return MadeFile{Native(path), [handle] { CloseHandle(handle); }};
         },
         -1, ERROR_SHARING_VIOLATION},
#else
        {"the device /dev/zero", [](const fs::path&) { return MadeFile{"/dev/zero"}; }, -1, BadFileType},
        {"the device /dev/null", [](const fs::path&) { return MadeFile{"/dev/null"}; }, -1, BadFileType},
        {"a FIFO without a writer",
         [](const fs::path& at) {
             const fs::path path = at / "fifo";
             mkfifo(path.c_str(), 0600);
             return MadeFile{Native(path)};
         },
         -1, BadFileType},
        {"a file whose first read fails", [](const fs::path&) { return MadeFile{"/proc/self/mem"}; }, -1, EIO},
#endif
    };
    const CallerString sha256 = Caller("SHA-256");
    for (const FileRow& row : rows) {
        const MadeFile made = row.make(folder.path);
        const KeptResult kept;
        const Outcome outcome = Take(Exports().file(made.path.c_str(), sha256.c_str()));
        made.release();
        if (row.bytes >= 0) {
            const ExpectedZeroPattern* expected = ExpectedZeroPatternOf(static_cast<size_t>(row.bytes));
            ASSERT_NE(expected, nullptr) << row.why;
            EXPECT_EQ(outcome.digits, expected->digests[3]) << row.why << ", error " << outcome.error;
        } else {
            EXPECT_EQ(outcome.digits, "<null>") << row.why;
            if (outcome.error != row.orError) {
                EXPECT_EQ(outcome.error, row.error) << row.why;
            }
            kept.ExpectIntact(row.why);
        }
    }
}

namespace {

// The file that the file export hashes in the YMM state check: the text of the moment.
CallerString ymmStateFile;

// Every export as a caller makes it: a new export joins with one row. The
// one-text exports take no bits; ROT13 takes them as its unread second argument;
// the Unicode exports take them in the name of a SHA-2 algorithm.
struct ExportCall {
    const char* name;
    const void* (*call)(const ExportTable& exports, const std::string& text, const char* bits);
};
const ExportCall ExportCalls[] = {
    {"cifrado_md5",
     [](const ExportTable& exports, const std::string& text, const char*) -> const void* {
         return exports.md5(text.c_str());
     }},
    {"cifrado_SHA1",
     [](const ExportTable& exports, const std::string& text, const char*) -> const void* {
         return exports.sha1(text.c_str());
     }},
    {"cifrado_SHA2",
     [](const ExportTable& exports, const std::string& text, const char* bits) -> const void* {
         return exports.sha2(text.c_str(), bits);
     }},
    {"cifrado_SHA3",
     [](const ExportTable& exports, const std::string& text, const char* bits) -> const void* {
         return exports.sha3(text.c_str(), bits);
     }},
    {"text_rot13",
     [](const ExportTable& exports, const std::string& text, const char* bits) -> const void* {
         return exports.rot13(text.c_str(), bits);
     }},
    // Each byte a unit on Windows: the high bytes become characters of two or three UTF-8 bytes.
    {"cifrado_text",
     [](const ExportTable& exports, const std::string& text, const char* bits) -> const void* {
         return exports.text(Caller(text).c_str(), Caller(std::string("SHA-") + bits).c_str());
     }},
    {"cifrado_data",
     [](const ExportTable& exports, const std::string& text, const char* bits) -> const void* {
         return exports.data(text.data(), text.size(), Caller(std::string("SHA-") + bits).c_str());
     }},
    {"cifrado_file",
     [](const ExportTable& exports, const std::string&, const char* bits) -> const void* {
         return exports.file(ymmStateFile.c_str(), Caller(std::string("SHA-") + bits).c_str());
     }},
};

}  // namespace

// Texts that take every text pass in its widest form (ASCII, the code page, the
// Linux code page's Latin-1 runs, ROT13 of high bytes, UTF-16 to UTF-8), through
// every digest form. Each call is checked the second time: the first may grow a
// heap, and under 32-bit Wine the memory system calls behind that leave the state
// in use themselves (measured without the library); the second makes none.
TEST(EveryExport, ReturnsWithTheUpperYmmStateClean)
{
    if (!UpperYmmReadable()) GTEST_SKIP() << "the upper YMM state cannot be read here";
    const ExportTable& exports = Exports();
    const ScratchFolder folder("ymm");
    const std::string texts[] = {"abc", std::string(5000, 'q'), std::string(5000, '\xE9'), HighBytesText(),
                                 PatternText(5000)};
    for (const std::string& text : texts) {
        ymmStateFile = Native(Write(folder.path / std::to_string(text.size()), text));
        for (const ExportCall& row : ExportCalls) {
            for (const char* bits : {"256", "512"}) {
                row.call(exports, text, bits);
                exports.freeMem();
                ClearUpperYmm();
                const void* result = row.call(exports, text, bits);
                const bool afterCall = UpperYmmInUse();
                ClearUpperYmm();
                exports.freeMem();
                const bool afterFreeMem = UpperYmmInUse();
                const std::string what =
                    std::string(row.name) + ", " + bits + ", " + std::to_string(text.size()) + " bytes";
                EXPECT_NE(result, nullptr) << what;
                EXPECT_FALSE(afterCall) << what << ": upper YMM state in use";
                EXPECT_FALSE(afterFreeMem) << "FreeMem after " << what << ": upper YMM state in use";
            }
        }
    }
}

#if defined(QV_MEMORY_SHORTAGE)
// Each step of the sweep makes another allocation fail (see memory_shortage.h);
// every call is repeated until it goes through. One letter per step: n(ull),
// e(mpty), r(ight, as without a shortage) or w(rong). The Unicode exports' null
// results report the shortage as their error.
TEST(NullResults, FreeMemAfterOneLeavesAKeptResultAlone)
{
    const ExportTable& exports = Exports();
    const std::string text = PatternText(ShortageTextBytes);
    const ScratchFolder folder("shortage");
    const CallerString callerText = Caller(text), path = Native(Write(folder.path / "text", text));
    const CallerString sha256 = Caller("SHA-256");
    struct Row {
        const char* name;
        std::function<const void*()> call;
        bool unicode;
        // Asks for a block of half a megabyte or more, which a Windows shortage
        // refuses; elsewhere every allocation can fail. The file's buffer is the
        // kept scratch block, which the rows before it have grown.
        bool large;
    };
    std::vector<Row> rows;
    for (const NullableCall& call : NullableCalls)
        rows.push_back({call.name, [&, call] { return call.call(exports, text.c_str()); }, false, true});
    rows.push_back({"cifrado_text", [&] { return exports.text(callerText.c_str(), sha256.c_str()); }, true, false});
    rows.push_back(
        {"cifrado_data", [&] { return exports.data(text.data(), text.size(), sha256.c_str()); }, true, false});
    rows.push_back({"cifrado_file", [&] { return exports.file(path.c_str(), sha256.c_str()); }, true, false});
    // The result as text, or "" for null; read once the shortage is over.
    auto read = [](const Row& row, const void* result) {
        if (!result) return std::string();
        if (!row.unicode) return std::string(static_cast<const char*>(result));
        const CallerString digits(static_cast<const QuorvalentChar*>(result));
        return std::string(digits.begin(), digits.end());
    };
    for (const Row& row : rows) {
        const std::string right = read(row, row.call());
        exports.freeMem();
        ASSERT_FALSE(right.empty()) << row.name;
        std::string outcomes;
        for (int step = 0; step < 64 && outcomes.find('r') == std::string::npos; ++step) {
            const KeptResult kept;
            const void* result;
            int error;
            {
                const MemoryShortage shortage(step);
                result = row.call();
                error = LastError();
            }
            const std::string got = read(row, result);
            outcomes += !result ? 'n' : got.empty() ? 'e' : got == right ? 'r' : 'w';
            exports.freeMem();
            if (result) continue;
            const std::string where = std::string(row.name) + ", step " + std::to_string(step);
            kept.ExpectIntact(where);
            if (row.unicode) {
                EXPECT_EQ(error, NotEnoughMemory) << where;
            }
        }
        std::printf("%s under a shortage: %s\n", row.name, outcomes.c_str());
#if defined(_WIN32)
        if (row.large)
#endif
        {
            EXPECT_NE(outcomes.find('n'), std::string::npos) << row.name << ": no step gave null: " << outcomes;
        }
        EXPECT_EQ(outcomes.find('w'), std::string::npos) << row.name << ": " << outcomes;
        EXPECT_EQ(outcomes.back(), 'r') << row.name << ": never went through: " << outcomes;
    }
}
#endif

// Past 4 GiB, where a 32-bit count of bytes or offset would wrap: a sparse file
// of zeros that ends in "end", read in full (also by the 32-bit DLL).
TEST(LongFiles, PastFourGiBAreReadWhole)
{
    const ScratchFolder folder("long");
    const fs::path path = folder.path / "sparse";
#if defined(_WIN32)
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(LongFileBytes - 3);
    DWORD written = 0;
    const bool made =
        SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && WriteFile(handle, "end", 3, &written, nullptr);
    CloseHandle(handle);
#else
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(descriptor, 0);
    const bool made = pwrite(descriptor, "end", 3, static_cast<off_t>(LongFileBytes - 3)) == 3;
    close(descriptor);
#endif
    ASSERT_TRUE(made);
    ASSERT_EQ(fs::file_size(path), LongFileBytes);
    EXPECT_EQ(Take(Exports().file(Native(path).c_str(), Caller("SHA-1").c_str())).digits, LongFileSha1);
}
