// SPDX-License-Identifier: MIT
// bindings/Quorvalent.cs against the Linux library: every case of the table
// tests/helpers/wrapper_cases.py writes, once on one thread and again on four at once.
// Usage: mono QuorvalentTest.exe CASES.tsv
using System;
using System.Collections.Generic;
using System.ComponentModel;
using System.IO;
using System.Text;
using System.Threading;

static class QuorvalentTest
{
    struct Case
    {
        public string Call, Text, Result, Algorithm;
        public int Bits;  // 0: called without bits
        public byte[] Bytes;
    }

    static int passed, failed;

    static void Expect(bool ok, string what)
    {
        if (ok)
            Interlocked.Increment(ref passed);
        else
        {
            Interlocked.Increment(ref failed);
            Console.WriteLine("FAIL " + what);
        }
    }

    static byte[] BytesFromHex(string hex)
    {
        var bytes = new byte[hex == "-" ? 0 : hex.Length / 2];
        for (int i = 0; i < bytes.Length; ++i)
            bytes[i] = Convert.ToByte(hex.Substring(2 * i, 2), 16);
        return bytes;
    }

    static string FromHex(string hex) { return Encoding.UTF8.GetString(BytesFromHex(hex)); }

    static List<Case> Load(string path)
    {
        var cases = new List<Case>();
        foreach (string line in File.ReadAllLines(path))
        {
            string[] fields = line.Split('\t');
            bool named = fields[0] == "text" || fields[0] == "data" || fields[0] == "file";
            cases.Add(new Case { Call = fields[0], Bits = named || fields[1] == "-" ? 0 : int.Parse(fields[1]),
                                 Algorithm = fields[1], Text = FromHex(fields[2]), Bytes = BytesFromHex(fields[2]),
                                 Result = FromHex(fields[3]) });
        }
        return cases;
    }

    static string Run(Case c)
    {
        switch (c.Call)
        {
            case "md5": return Quorvalent.Md5(c.Text);
            case "sha1": return Quorvalent.Sha1(c.Text);
            case "sha2": return c.Bits == 0 ? Quorvalent.Sha2(c.Text) : Quorvalent.Sha2(c.Text, c.Bits);
            case "sha3": return c.Bits == 0 ? Quorvalent.Sha3(c.Text) : Quorvalent.Sha3(c.Text, c.Bits);
            case "rot13": return Quorvalent.Rot13(c.Text);
            case "text": return Quorvalent.Text(c.Text, c.Algorithm);
            case "data": return Quorvalent.Data(c.Bytes, c.Algorithm);
            case "file":
                string path = Path.GetTempFileName();
                try
                {
                    System.IO.File.WriteAllBytes(path, c.Bytes);
                    return Quorvalent.File(path, c.Algorithm);
                }
                finally
                {
                    System.IO.File.Delete(path);
                }
        }
        throw new ArgumentException("unknown call " + c.Call);
    }

    // The number of cases whose result differs, each one reported.
    static int Mismatches(List<Case> cases)
    {
        int count = 0;
        foreach (Case c in cases)
        {
            string got = Run(c);
            if (got != c.Result)
            {
                ++count;
                string text = c.Text.Length > 20 ? c.Text.Substring(0, 20) : c.Text;
                Console.WriteLine("  " + c.Call + "(\"" + text + "\", " + c.Bits + ") = \"" + got + "\", want \"" + c.Result + "\"");
            }
        }
        return count;
    }

    static bool Throws<T>(Action action) where T : Exception
    {
        try { action(); }
        catch (T) { return true; }
        return false;
    }

    // The exception of a null result: its type, and the errno with its system text in the inner Win32Exception.
    static void ExpectFailure<T>(string what, Func<string> call, int error, string text) where T : Exception
    {
        try
        {
            call();
            Expect(false, what + " gave a digest");
        }
        catch (Exception e)
        {
            var inner = e.InnerException as Win32Exception;
            Expect(e.GetType() == typeof(T) && inner != null && inner.NativeErrorCode == error &&
                   e.Message.Contains(text) && inner.Message == text,
                   what + ": " + e.GetType().Name + " \"" + e.Message + "\", want " + typeof(T).Name + " with " + text);
        }
    }

    static int Main(string[] arguments)
    {
        List<Case> cases = Load(arguments[0]);
        Expect(cases.Count > 100, "the table has only " + cases.Count + " cases");
        Expect(Mismatches(cases) == 0, "cases on one thread");

        Expect(Throws<ArgumentNullException>(() => Quorvalent.Md5(null)), "a null text is refused");
        Expect(Throws<ArgumentException>(() => Quorvalent.Sha2("a\0b")), "a NUL character is refused");
        Expect(Throws<ArgumentNullException>(() => Quorvalent.Data(null, "MD5")), "null bytes are refused");
        Expect(Throws<ArgumentNullException>(() => Quorvalent.File("a", null)), "a null algorithm is refused");
        Expect(Throws<ArgumentException>(() => Quorvalent.Text("a\0b", "MD5")), "a NUL character is refused by Text");
        Expect(Quorvalent.Text("a\ud800b", "MD5") == Quorvalent.Text("a\ufffdb", "MD5"), "a lone surrogate is U+FFFD");

        string folder = Path.Combine(Path.GetTempPath(), "quorvalent-" + Guid.NewGuid().ToString("N"));
        Directory.CreateDirectory(folder);
        try
        {
            string named = Path.Combine(folder, "\u00e9t\u00e9 \U0001F642.txt");
            System.IO.File.WriteAllBytes(named, new byte[] { 0x61, 0, 0x62 });
            Expect(Quorvalent.File(named, "SHA-256") == Quorvalent.Data(new byte[] { 0x61, 0, 0x62 }, "sha256"),
                   "a file with a non-ASCII name");
            ExpectFailure<ArgumentException>("an unknown algorithm", () => Quorvalent.Text("abc", "SHA-257"), 22,
                                             "Invalid argument");
            ExpectFailure<ArgumentException>("an unknown algorithm for bytes", () => Quorvalent.Data(new byte[0], "MD4"),
                                             22, "Invalid argument");
            ExpectFailure<FileNotFoundException>("a missing file", () => Quorvalent.File(Path.Combine(folder, "missing"),
                                                                                           "MD5"), 2, "No such file or directory");
            ExpectFailure<IOException>("a folder", () => Quorvalent.File(folder, "MD5"), 21, "Is a directory");
            ExpectFailure<IOException>("a device", () => Quorvalent.File("/dev/zero", "MD5"), 22, "Invalid argument");
        }
        finally
        {
            Directory.Delete(folder, true);
        }

        var threads = new Thread[4];
        for (int i = 0; i < threads.Length; ++i)
        {
            int number = i;
            threads[i] = new Thread(() =>
            {
                int wrong = 0;
                for (int pass = 0; pass < 10; ++pass)
                    wrong += Mismatches(cases);
                Expect(wrong == 0, "cases on thread " + number);
            });
            threads[i].Start();
        }
        foreach (Thread thread in threads)
            thread.Join();

        Console.WriteLine(passed + " passed, " + failed + " failed");
        return failed == 0 ? 0 : 1;
    }
}
