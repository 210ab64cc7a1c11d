// SPDX-License-Identifier: MIT
// quorvalent from C# (.NET Framework, .NET, Mono): add this file to the project.
//
//     string digest = Quorvalent.Sha2("abc", 384);   // cb00753f45a35e8b...
//     Console.WriteLine(digest);
//     Console.WriteLine(Quorvalent.Rot13("Hello, World!"));   // Uryyb, Jbeyq!
//
// The library is loaded by name: quorvalent.dll on Windows (the 32-bit DLL for
// a 32-bit process, the 64-bit one for a 64-bit process), libquorvalent.so
// elsewhere, found through ldconfig or LD_LIBRARY_PATH. Texts travel in the ANSI
// code page on Windows, where a character it lacks becomes '?' (no best-fit
// look-alikes), and as UTF-8 elsewhere. An empty text gives "" from every call;
// a null result (a text longer than 2147483646 bytes, or no memory) throws
// OutOfMemoryException. Calls are serialised by a lock, so threads may share
// the class.
using System;
using System.Globalization;
using System.Runtime.InteropServices;

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

    static string Decimal(int bits) { return bits.ToString(CultureInfo.InvariantCulture); }

    static string Checked(string text)
    {
        if (text == null)
            throw new ArgumentNullException("text");
        if (text.IndexOf('\0') >= 0)
            throw new ArgumentException("the text holds a NUL character, where the library would stop reading", "text");
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
