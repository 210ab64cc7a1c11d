// SPDX-License-Identifier: MIT
// bindings/Quorvalent.cs against the Linux library: every case of the table
// tools/wrapper_cases.py writes, once on one thread and again on four at once.
// Usage: mono QuorvalentTest.exe CASES.tsv
using System;
using System.Collections.Generic;
using System.IO;
using System.Text;
using System.Threading;

static class QuorvalentTest
{
    struct Case
    {
        public string Call, Text, Result;
        public int Bits;  // 0: called without bits
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

    static string FromHex(string hex)
    {
        if (hex == "-")
            return "";
        var bytes = new byte[hex.Length / 2];
        for (int i = 0; i < bytes.Length; ++i)
            bytes[i] = Convert.ToByte(hex.Substring(2 * i, 2), 16);
        return Encoding.UTF8.GetString(bytes);
    }

    static List<Case> Load(string path)
    {
        var cases = new List<Case>();
        foreach (string line in File.ReadAllLines(path))
        {
            string[] fields = line.Split('\t');
            cases.Add(new Case { Call = fields[0], Bits = fields[1] == "-" ? 0 : int.Parse(fields[1]),
                                 Text = FromHex(fields[2]), Result = FromHex(fields[3]) });
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

    static int Main(string[] arguments)
    {
        List<Case> cases = Load(arguments[0]);
        Expect(cases.Count > 100, "the table has only " + cases.Count + " cases");
        Expect(Mismatches(cases) == 0, "cases on one thread");

        Expect(Throws<ArgumentNullException>(() => Quorvalent.Md5(null)), "a null text is refused");
        Expect(Throws<ArgumentException>(() => Quorvalent.Sha2("a\0b")), "a NUL character is refused");

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
