#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the zip README's snippets for the hosts that cannot run here against
include/quorvalent.h and boundary/quorvalent.def: every export a snippet binds
exists, with the header's arguments in the host's types for an ANSI text, a
UTF-16 text, a length and a pointer, a pointer result, the standard call; and
the snippet keeps the DLL loaded, tests the result for null, copies it, then
calls FreeMem, in that order. A snippet of the Unicode exports also reads the
last error after each of their calls before any other call into a DLL can
change it, and copies a UTF-16 result. A VBA snippet calls the routines of
bindings/Quorvalent.bas, whose Declare lines vba_declares.py checks.

    snippet_declares.py [README]   (packaging/README.txt by default)
"""
import os
import re
import sys

import vba_declares

ROOT = vba_declares.ROOT


class Host:
    """How one host binds an export and what a snippet of it must do.

    binding: a pattern whose groups are (export, result type, argument types)
    and, where a host binds other DLLs the same way, library; types: C type ->
    the host's type for it; convention: a pattern that each binding must match
    (the standard call), where the host does not call so by default; steps and
    wide_steps: patterns that must appear in this order in a snippet of the
    ANSI or of the Unicode exports, the DLL kept loaded first, then the test for
    null, the copy and FreeMem. After each call of a Unicode export (call_site),
    last_error must come before the next DLL call (dll_call: a pattern, or a
    function of the snippet giving one)."""

    def __init__(self, binding, types, steps, wide_steps, call_site, dll_call, last_error, convention=None,
                 ansi=None, wide=None, arguments=None):
        self.binding = re.compile(binding, re.MULTILINE | re.DOTALL)
        self.types = types
        self.convention = re.compile(convention) if convention else None
        # Patterns a binding must match where the types alone do not say it: with
        # an ANSI text argument (ansi), for a Unicode export (wide).
        self.ansi = re.compile(ansi) if ansi else None
        self.wide = [re.compile(pattern) for pattern in wide or []]
        # Splits the argument group into the argument types.
        self.arguments = arguments or (lambda text: re.findall(r'"(\w+)",\s*' + VALUE, text))
        self.steps = [re.compile(step, re.MULTILINE) for step in steps]
        self.wide_steps = [re.compile(step, re.MULTILINE) for step in wide_steps]
        self.call_site = re.compile(call_site)
        self.dll_call = dll_call if callable(dll_call) else (lambda text, pattern=re.compile(dll_call): pattern)
        self.last_error = re.compile(last_error)


def pascal_arguments(text):
    """'Text, Bits: AnsiString; N: Integer' -> ['AnsiString', 'AnsiString', 'Integer']"""
    types = []
    for group in filter(None, (part.strip() for part in text.split(";"))):
        names, _, kind = group.partition(":")
        types += [kind.strip()] * len(names.split(","))
    return types


def iss_externals(text):
    """A call of any function the Inno Setup snippet binds from a DLL, not its declaration."""
    names = re.findall(r"(?:function|procedure) (\w+)[^;]*;\s*external", text)
    return re.compile(r"(?<!function )(?<!procedure )\b(?:%s)\b" % "|".join(names))


# An argument's value in a DllCall: anything up to the next comma, a call such as Chr(0xE9) included.
VALUE = r"(?:[^,()]|\([^()]*\))+"
UNICODE_EXPORTS = {"cifrado_text", "cifrado_data", "cifrado_file"}
WIDE = r"cifrado_(?:text|data|file)"
HOSTS = {
    "powershell": Host(
        r'\[DllImport\((?P<attributes>[^\]]*)\)\]\s*(?:public )?static extern (?P<result>\w+) (?P<export>\w+)'
        r'\((?P<arguments>[^)]*)\);',
        {"const char*": "string", "const void*": "IntPtr", "char*": "IntPtr", "int": "int",
         "const QuorvalentChar*": "string", "QuorvalentChar*": "IntPtr", "size_t": "UIntPtr"},
        [r"-as \[type\]", r"-eq \[IntPtr\]::Zero", r"PtrToStringAnsi\(", r"::FreeMem\(\)"],
        [r"-as \[type\]", r"GetLastWin32Error\(\)", r"== IntPtr\.Zero", r"PtrToStringUni\(", r"FreeMem\(\)"],
        r"(?<!extern IntPtr )\b%s\(" % WIDE, r"(?<!extern IntPtr )(?<!extern int )\b(?:cifrado_\w+|FreeMem)\(",
        r"GetLastWin32Error\(\)", convention=r"CallingConvention\.StdCall", ansi=r"CharSet = CharSet\.Ansi",
        wide=[r"CharSet = CharSet\.Unicode", r"SetLastError = true"],
        arguments=lambda text: [argument.split()[0] for argument in text.split(",") if argument.strip()]),
    "autohotkey": Host(
        r'DllCall\("quorvalent\\(?P<export>\w+)"(?P<arguments>(?:,\s*"\w+",\s*%s)*)(?:,\s*"(?P<result>\w+)")?\)'
        % VALUE,
        {"const char*": "AStr", "const void*": "Ptr", "char*": "Ptr", "int": "Int",
         "const QuorvalentChar*": "WStr", "QuorvalentChar*": "Ptr", "size_t": "UPtr"},
        [r"^#DllLoad ", r"^if !result", r"StrGet\(", r"FreeMem"],
        [r"^#DllLoad ", r"^\s*if !result", r'StrGet\(result, "UTF-16"\)', r"FreeMem"],
        r'DllCall\("quorvalent\\%s"' % WIDE, r"DllCall\(", r"A_LastError"),
    "autoit": Host(
        r'DllCall\(\$hDll, "(?P<result>\w+)", "(?P<export>\w+)"(?P<arguments>(?:,\s*"\w+",\s*%s)*)\)' % VALUE,
        {"const char*": "str", "const void*": "ptr", "char*": "ptr", "int": "int",
         "const QuorvalentChar*": "wstr", "QuorvalentChar*": "ptr", "size_t": "ulong_ptr"},
        [r"DllOpen\(", r"^If @error", r"<> 0 Then", r"DllStructGetData\(", r'"FreeMem"\)', r"DllClose\("],
        [r"DllOpen\(", r"\$pResult = 0", r'"lstrlenW"', r'DllStructCreate\("wchar\[', r'"FreeMem"\)', r"^If @error",
         r"DllClose\("],
        r'DllCall\(\$hDll, "\w+", "%s"' % WIDE, r"DllCall\(", r'DllCall\(\$\w+, "dword", "GetLastError"\)'),
    "iss": Host(
        r"function \w+(?:\((?P<arguments>[^)]*)\))?: (?P<result>\w+);\s*external '(?P<export>\w+)@(?P<library>[^ ']+)"
        r"(?P<attributes>[^']*)';",
        {"const char*": "AnsiString", "char*": "PAnsiChar", "int": "Integer",
         "const QuorvalentChar*": "String", "QuorvalentChar*": "Cardinal", "size_t": "Cardinal"},
        [r"@files:quorvalent\.dll", r"Digest := cifrado_\w+\(", r"QuorvalentFreeMem;", r"if Digest = ''"],
        [r"@files:quorvalent\.dll", r"if Address = 0", r"lstrlenW\(", r"RtlMoveMemory\(", r"QuorvalentFreeMem;"],
        r"(?<!function )\b%s\(" % WIDE, iss_externals, r"\bDLLGetLastError\b",
        convention=r"stdcall", arguments=pascal_arguments),
}
# Words a VBA snippet may start a statement with that are no call.
VBA_KEYWORDS = {"Sub", "Function", "End", "Dim", "If", "Else", "ElseIf", "For", "Next", "Set", "Call", "Exit",
                "Private", "Public", "Const", "Debug", "On", "Err", "Select", "Case", "Do", "Loop", "With"}
# VBA's own functions a snippet may call.
VBA_BUILTINS = {"ChrW", "MsgBox", "Environ"}


def snippets(readme):
    """[(language, first line number, text)] of the README's fenced blocks."""
    found, language, start, lines = [], None, 0, []
    for number, line in enumerate(readme.splitlines(), 1):
        if language is None and line.startswith("```") and len(line) > 3:
            language, start, lines = line[3:], number + 1, []
        elif language is not None and line == "```":
            found.append((language, start, "\n".join(lines)))
            language = None
        elif language is not None:
            lines.append(line)
    return found


def check_bindings(host, text, prototypes):
    """The problems of one snippet's bindings and steps."""
    problems, bound, wide = [], 0, False
    for match in host.binding.finditer(text):
        if "quorvalent" not in (match.groupdict().get("library") or "quorvalent"):
            continue  # another DLL's function, such as kernel32's
        bound += 1
        export = match.group("export")
        wide |= export in UNICODE_EXPORTS
        if export not in prototypes:
            problems.append("binds %s, which quorvalent.def does not export" % export)
            continue
        result, arguments = prototypes[export]
        want = [host.types.get(kind, "?" + kind) for kind, _ in arguments]
        got = host.arguments(match.group("arguments") or "")
        if got != want:
            problems.append("%s takes %s, the header's (%s) are %s" % (
                export, got, ", ".join(kind for kind, _ in arguments) or "void", want))
        if (match.group("result") or "") != host.types[result]:
            problems.append("%s returns %s, the header's %s is %s" % (
                export, match.group("result"), result, host.types[result]))
        if host.convention and not host.convention.search(match.group(0)):
            problems.append("%s is not bound as a standard call" % export)
        if host.ansi and "const char*" in dict(arguments) and not host.ansi.search(match.group(0)):
            problems.append("%s does not pass its texts in the ANSI code page" % export)
        if export in UNICODE_EXPORTS:
            problems += ["%s is not bound with '%s'" % (export, pattern.pattern) for pattern in host.wide
                         if not pattern.search(match.group(0))]
    if not bound:
        problems.append("binds no export")
    if wide:
        problems += check_last_error(host, text)
    position = 0
    for step in host.wide_steps if wide else host.steps:
        found = step.search(text, position)
        if not found:
            problems.append("lacks '%s' after the steps before it" % step.pattern)
            break
        position = found.end()
    return problems


def check_last_error(host, text):
    """After each call of a Unicode export, the last error is read before the
    next call into a DLL, FreeMem included, can change it."""
    problems, calls = [], 0
    dll_call = host.dll_call(text)
    for call in host.call_site.finditer(text):
        calls += 1
        read = host.last_error.search(text, call.end())
        other = dll_call.search(text, call.end())
        if not read or other and other.start() < read.start():
            line = text.count("\n", 0, call.start()) + 1
            problems.append("the call at snippet line %d is not followed by '%s' before the next DLL call" % (
                line, host.last_error.pattern))
    if not calls:
        problems.append("binds a Unicode export and never calls it")
    return problems


def check_vba(text, prototypes):
    """A VBA snippet: its Declare lines, if any, are the module's; every routine it
    calls is the snippet's own, a Declare's, or a public one of the module."""
    module = vba_declares.read("bindings", "Quorvalent.bas")
    known = set(re.findall(r"^Public (?:Sub|Function) (\w+)", module, re.MULTILINE))
    known |= set(re.findall(r"^\s*(?:Sub|Function) (\w+)", text, re.MULTILINE))
    problems = []
    declared = set(vba_declares.block())
    for line in text.splitlines():
        if re.search(r'Lib "quorvalent', line):
            if line.strip() not in declared:
                problems.append("declares '%s', not as the header and the .def ask" % line.strip())
            known.add(re.search(r"(?:Function|Sub) (\w+)", line).group(1))
        elif "Declare" in line:
            known.add(re.search(r"(?:Function|Sub) (\w+)", line).group(1))
    code = "\n".join(line.split("'")[0] for line in text.splitlines())
    called = set(re.findall(r"(?<![.\w])([A-Z]\w*)\(", code))
    called |= {word for word in re.findall(r"^\s*([A-Za-z]\w*)\b(?![.(=:])", code, re.MULTILINE)
               if word not in VBA_KEYWORDS}
    called -= VBA_BUILTINS
    problems += ["calls %s, which neither it nor Quorvalent.bas defines" % name for name in sorted(called - known)]
    if not called & known:
        problems.append("calls nothing of Quorvalent.bas")
    return problems


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "packaging", "README.txt")
    with open(path) as readme:
        blocks = snippets(readme.read())
    prototypes = {name: (result, arguments) for name, result, arguments in vba_declares.exports()}
    passed, failed = 0, 0
    for language in sorted(set(HOSTS) | {"vb"}):
        ours = [(start, text) for kind, start, text in blocks if kind == language] or [(None, None)]
        for start, text in ours:
            if text is None:
                problems, where = ["the README has none"], language
            elif language == "vb":
                problems, where = check_vba(text, prototypes), "%s snippet at line %d" % (language, start)
            else:
                problems, where = check_bindings(HOSTS[language], text, prototypes), "%s snippet at line %d" % (
                    language, start)
            for problem in problems:
                print("FAIL %s: %s" % (where, problem))
            if problems:
                failed += 1
            else:
                passed += 1
                print("ok   %s" % where)
    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
