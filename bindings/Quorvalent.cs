// SPDX-License-Identifier: MIT
// quorvalent from C# (.NET Framework, .NET, Mono): add this file to the project.
//
//     string digest = Quorvalent.Sha2("abc", 384);   // cb00753f45a35e8b...
//     Console.WriteLine(digest);
//     Console.WriteLine(Quorvalent.Rot13("Hello, World!"));   // Uryyb, Jbeyq!
//     Console.WriteLine(Quorvalent.Text("\u00e9", "SHA-256"));   // 4a99557e..., the UTF-8 form's digest
//     Console.WriteLine(Quorvalent.File(@"C:\Downloads\setup.exe", "SHA-256"));
//
// The library is loaded by name: quorvalent.dll on Windows (the 32-bit DLL for
// a 32-bit process, the 64-bit one for a 64-bit process), libquorvalent.so
// elsewhere, found through ldconfig or LD_LIBRARY_PATH. Texts travel in the ANSI
// code page on Windows, where a character it lacks becomes '?' (no best-fit
// look-alikes), and as UTF-8 elsewhere. An empty text gives "" from every call;
// a null result (a text longer than 2147483646 bytes, or no memory) throws
// OutOfMemoryException. Calls are serialised by a lock, so threads may share
// the class.
//
// Text, Data and File take the algorithm's name ("MD5", "SHA-1", "SHA-256",
// "SHA3-512", ...; see quorvalent.h) and give the digest other tools give: Text
// hashes a string's UTF-8 form whatever the code page, and the empty message
// has its true digest. On Windows they hand the library UTF-16, elsewhere UTF-8
// bytes. When the library gives no result they throw with the system's reason:
// an unknown algorithm name ArgumentException; a file FileNotFoundException,
// DirectoryNotFoundException or IOException; no memory OutOfMemoryException.
// The InnerException, a Win32Exception, carries the error code in
// NativeErrorCode (GetLastError() on Windows, errno elsewhere).
using System;
using System.ComponentModel;
using System.Globalization;
using System.IO;
using System.Runtime.InteropServices;
using System.Text;

public static class Quorvalent
{
    // Without an extension: .NET and Mono add .dll or lib...so themselves.
    const string Library = "quorvalent";

    // Results are IntPtr, never string: the marshaller would free a returned
    // string with its own allocator, and the block belongs to the library.
    [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
               BestFitMapping = false, ExactSpelling = true)]
    static extern IntPtr cifrado_md5(string text);

    [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
               BestFitMapping = false, ExactSpelling = true)]
    static extern IntPtr cifrado_SHA1(string text);

    [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
               BestFitMapping = false, ExactSpelling = true)]
    static extern IntPtr cifrado_SHA2(string text, string bits);

    [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
               BestFitMapping = false, ExactSpelling = true)]
    static extern IntPtr cifrado_SHA3(string text, string bits);

    [DllImport(Library, CallingConvention = CallingConvention.StdCall, CharSet = CharSet.Ansi,
               BestFitMapping = false, ExactSpelling = true)]
    static extern IntPtr text_rot13(string text, IntPtr second);

    [DllImport(Library, CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
    static extern int FreeMem();

    // The Unicode exports take UTF-16 on Windows and UTF-8 bytes elsewhere; the
    // thread's error is kept as the call leaves it (SetLastError), for a null result.
    [DllImport(Library, EntryPoint = "cifrado_text", CallingConvention = CallingConvention.StdCall,
               CharSet = CharSet.Unicode, ExactSpelling = true, SetLastError = true)]
    static extern IntPtr cifrado_text_utf16(string text, string algorithm);

    [DllImport(Library, EntryPoint = "cifrado_data", CallingConvention = CallingConvention.StdCall,
               CharSet = CharSet.Unicode, ExactSpelling = true, SetLastError = true)]
    static extern IntPtr cifrado_data_utf16(byte[] data, UIntPtr length, string algorithm);

    [DllImport(Library, EntryPoint = "cifrado_file", CallingConvention = CallingConvention.StdCall,
               CharSet = CharSet.Unicode, ExactSpelling = true, SetLastError = true)]
    static extern IntPtr cifrado_file_utf16(string path, string algorithm);

    [DllImport(Library, EntryPoint = "cifrado_text", ExactSpelling = true, SetLastError = true)]
    static extern IntPtr cifrado_text_utf8(byte[] text, byte[] algorithm);

    [DllImport(Library, EntryPoint = "cifrado_data", ExactSpelling = true, SetLastError = true)]
    static extern IntPtr cifrado_data_utf8(byte[] data, UIntPtr length, byte[] algorithm);

    [DllImport(Library, EntryPoint = "cifrado_file", ExactSpelling = true, SetLastError = true)]
    static extern IntPtr cifrado_file_utf8(byte[] path, byte[] algorithm);

    // The system's text for an errno value, where Win32Exception knows only Windows' texts.
    [DllImport("libc", EntryPoint = "strerror")]
    static extern IntPtr strerror(int error);

    static readonly bool Windows = Environment.OSVersion.Platform == PlatformID.Win32NT;

    // The library keeps one result at a time: a call and its FreeMem must not
    // overlap another call.
    static readonly object Gate = new object();

    /// <summary>The MD5 digest of text as 32 lowercase hexadecimal digits.</summary>
    public static string Md5(string text) { return Call(Checked(text), t => cifrado_md5(t)); }

    /// <summary>The SHA-1 digest of text as 40 lowercase hexadecimal digits.</summary>
    public static string Sha1(string text) { return Call(Checked(text), t => cifrado_SHA1(t)); }

    /// <summary>SHA-224/256/384/512 of text; other bit lengths give "".</summary>
    public static string Sha2(string text, int bits = 256)
    {
        return Call(Checked(text), t => cifrado_SHA2(t, Decimal(bits)));
    }

    /// <summary>SHA3-224/256/384/512 of text; other bit lengths give "".</summary>
    public static string Sha3(string text, int bits = 256)
    {
        return Call(Checked(text), t => cifrado_SHA3(t, Decimal(bits)));
    }

    /// <summary>text with A-Z and a-z rotated by 13.</summary>
    public static string Rot13(string text) { return Call(Checked(text), t => text_rot13(t, IntPtr.Zero)); }

    /// <summary>The digest of text's UTF-8 form, as other tools give it; algorithm is "MD5",
    /// "SHA-1", "SHA-256", "SHA3-512", ...</summary>
    public static string Text(string text, string algorithm)
    {
        Checked(text);
        Checked(algorithm, "algorithm");
        if (Windows)
            return Digest(() => cifrado_text_utf16(text, algorithm), algorithm, null);
        return Digest(() => cifrado_text_utf8(Utf8(text), Utf8(algorithm)), algorithm, null);
    }

    /// <summary>The digest of every byte of data, zero bytes included.</summary>
    public static string Data(byte[] data, string algorithm)
    {
        if (data == null)
            throw new ArgumentNullException("data");
        Checked(algorithm, "algorithm");
        var length = new UIntPtr((uint)data.Length);
        if (Windows)
            return Digest(() => cifrado_data_utf16(data, length, algorithm), algorithm, null);
        return Digest(() => cifrado_data_utf8(data, length, Utf8(algorithm)), algorithm, null);
    }

    /// <summary>The digest of a regular file's bytes.</summary>
    public static string File(string path, string algorithm)
    {
        Checked(path, "path");
        Checked(algorithm, "algorithm");
        if (Windows)
            return Digest(() => cifrado_file_utf16(path, algorithm), algorithm, path);
        return Digest(() => cifrado_file_utf8(Utf8(path), Utf8(algorithm)), algorithm, path);
    }

    // A zero-terminated UTF-8 text; an unpaired surrogate becomes U+FFFD, as on Windows.
    static byte[] Utf8(string text)
    {
        var bytes = new byte[Encoding.UTF8.GetByteCount(text) + 1];
        Encoding.UTF8.GetBytes(text, 0, text.Length, bytes, 0);
        return bytes;
    }

    // One Unicode export's digest, or the exception for the system's reason.
    static string Digest(Func<IntPtr> export, string algorithm, string path)
    {
        lock (Gate)
        {
            IntPtr result = export();
            int error = Marshal.GetLastWin32Error();  // before anything else can change it
            try
            {
                if (result == IntPtr.Zero)
                    throw Failure(error, algorithm, path);
                return Windows ? Marshal.PtrToStringUni(result) : Marshal.PtrToStringAnsi(result);
            }
            finally
            {
                FreeMem();
            }
        }
    }

    static Exception Failure(int error, string algorithm, string path)
    {
        string message = Windows ? new Win32Exception(error).Message : Marshal.PtrToStringAnsi(strerror(error));
        var inner = new Win32Exception(error, message);
        if (error == (Windows ? 8 : 12))  // ERROR_NOT_ENOUGH_MEMORY, ENOMEM
            return new OutOfMemoryException("quorvalent: " + message, inner);
        if (path != null)
        {
            string what = "quorvalent: " + path + " (" + algorithm + "): " + message;
            if (error == 2)  // ERROR_FILE_NOT_FOUND, ENOENT
                return new FileNotFoundException(what, path, inner);
            if (Windows && error == 3)  // ERROR_PATH_NOT_FOUND
                return new DirectoryNotFoundException(what, inner);
            if (!Windows || error != 87)  // ERROR_INVALID_PARAMETER: the algorithm
                return new IOException(what, inner);
        }
        return new ArgumentException("quorvalent: " + message + ": the algorithm \"" + algorithm + "\"", "algorithm", inner);
    }

    static string Decimal(int bits) { return bits.ToString(CultureInfo.InvariantCulture); }

    static string Checked(string text, string name = "text")
    {
        if (text == null)
            throw new ArgumentNullException(name);
        if (text.IndexOf('\0') >= 0)
            throw new ArgumentException("the " + name + " holds a NUL character, where the library would stop reading", name);
        return text;
    }

    // One export's result, copied, and handed back to the library in every case.
    static string Call(string text, Func<string, IntPtr> export)
    {
        lock (Gate)
        {
            IntPtr result = export(text);
            try
            {
                if (result == IntPtr.Zero)
                    throw new OutOfMemoryException(
                        "quorvalent: no result: the text is longer than 2147483646 bytes, or memory ran out");
                return Marshal.PtrToStringAnsi(result);
            }
            finally
            {
                FreeMem();
            }
        }
    }
}
